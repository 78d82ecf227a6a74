#pragma once

#include <QHash>
#include <QString>

/**
 * Display names of clients, keyed by the client's address text. Keys are compared without
 * regard to letter case ("PC.Lan.Example.Net" and "pc.lan.example.net" are one key).
 * Everything runs on the UI thread; there is no size limit.
 */
class NameTable {
public:
    /** True when key (in any letter case) has an entry. */
    bool contains(const QString& key) const { return m_entries.contains(fold(key)); }

    /** The entry of key, or a null string when there is none. */
    QString value(const QString& key) const { return m_entries.value(fold(key)); }

    /** Adds key with value; false (and nothing changed) when key already has an entry. */
    bool add(const QString& key, const QString& value);

    /** Sets the entry of key to value, adding it when there is none. */
    void set(const QString& key, const QString& value) { m_entries.insert(fold(key), value); }

    void remove(const QString& key) { m_entries.remove(fold(key)); }
    void clear() { m_entries.clear(); }
    qsizetype size() const { return m_entries.size(); }
    bool isEmpty() const { return m_entries.isEmpty(); }

private:
    static QString fold(const QString& key) { return key.toCaseFolded(); }

    QHash<QString, QString> m_entries; ///< case-folded key -> display name
};
