#pragma once

#include "ui/SortedList.h"

#include <QFont>
#include <QStringList>

/** The texts of one column of a list, top to bottom as shown. */
inline QStringList columnTexts(const SortedList& list, int column) {
    QStringList texts;
    for (int position = 0; position < list.model()->rowCount(); ++position)
        texts << list.model()->index(position, column).data().toString();
    return texts;
}

/** Whether the cell at position and column shows in bold. */
inline bool shownBold(const SortedList& list, int position, int column) {
    return list.model()->index(position, column).data(Qt::FontRole).value<QFont>().bold();
}

/** The texts of the row at position, column by column, as shown. */
inline QStringList shownRow(const SortedList& list, int position) {
    QStringList cells;
    for (int column = 0; column < list.columnCount(); ++column)
        cells << list.model()->index(position, column).data().toString();
    return cells;
}
