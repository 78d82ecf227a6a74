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
        if (n > LinearLimit)
            m_index.reserve(n);
    }

    /** Index of key, or -1. */
    qsizetype indexOf(const QString& key) const {
        if (m_index.isEmpty()) {
            for (size_t i = 0; i < m_entries.size(); ++i)
                if (m_entries[i].key == key)
                    return qsizetype(i);
            return -1;
        }
        return m_index.value(key, -1);
    }
    bool contains(const QString& key) const { return indexOf(key) >= 0; }

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
        const qsizetype i = indexOf(key);
        if (created)
            *created = i < 0;
        if (i >= 0)
            return m_entries[size_t(i)].value;
        m_entries.push_back(Entry{key, Value{}});
        if (!m_index.isEmpty()) {
            m_index.insert(key, size() - 1);
        } else if (size() > LinearLimit) {
            m_index.reserve(size());
            for (qsizetype j = 0; j < size(); ++j)
                m_index.insert(m_entries[size_t(j)].key, j);
        }
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
    // Up to this many entries a key is found by comparing texts, without a hash: most day
    // histories stay that short, and an empty QHash allocates nothing, where a QHash of one
    // entry holds more than a kilobyte (a log naming 100,000 clients once each).
    static constexpr qsizetype LinearLimit = 8;

    std::vector<Entry> m_entries;
    QHash<QString, qsizetype> m_index; ///< empty while there are at most LinearLimit entries
};
