#pragma once

#include <QHash>
#include <QString>

#include <vector>

/**
 * A text-keyed dictionary that enumerates in insertion order, with O(1) lookups: the shape
 * of the client table and of every day history. Entries are never removed one by one.
 */
template <typename Value> class OrderedMap {
public:
    struct Entry {
        QString key;
        Value value;
    };

    qsizetype size() const { return qsizetype(m_entries.size()); }
    bool isEmpty() const { return m_entries.empty(); }
    void reserve(qsizetype n) {
        m_entries.reserve(size_t(n));
        m_index.reserve(n);
    }

    /** Index of key, or -1. */
    qsizetype indexOf(const QString& key) const { return m_index.value(key, -1); }
    bool contains(const QString& key) const { return m_index.contains(key); }

    Value* find(const QString& key) {
        const qsizetype i = indexOf(key);
        return i < 0 ? nullptr : &m_entries[size_t(i)].value;
    }
    const Value* find(const QString& key) const {
        const qsizetype i = indexOf(key);
        return i < 0 ? nullptr : &m_entries[size_t(i)].value;
    }

    /** The value under key; a new key is appended with a default value first. */
    Value& findOrAppend(const QString& key, bool* created = nullptr) {
        const auto it = m_index.constFind(key);
        if (created)
            *created = it == m_index.cend();
        if (it != m_index.cend())
            return m_entries[size_t(*it)].value;
        m_index.insert(key, size());
        m_entries.push_back(Entry{key, Value{}});
        return m_entries.back().value;
    }

    /** Stores value under key: a new key goes to the end, an existing key keeps its place. */
    void insertOrAssign(const QString& key, Value value) { findOrAppend(key) = std::move(value); }

    const Entry& entryAt(qsizetype i) const { return m_entries[size_t(i)]; }
    Entry& entryAt(qsizetype i) { return m_entries[size_t(i)]; }
    Entry& last() { return m_entries.back(); }

    auto begin() const { return m_entries.cbegin(); }
    auto end() const { return m_entries.cend(); }

private:
    std::vector<Entry> m_entries;
    QHash<QString, qsizetype> m_index;
};
