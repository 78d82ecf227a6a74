#include "NameTable.h"

bool NameTable::add(const QString& key, const QString& value) {
    const QString folded = fold(key);
    if (m_entries.contains(folded))
        return false;
    m_entries.insert(folded, value);
    return true;
}
