#pragma once

#include "SortedListModel.h"

#include <QList>
#include <QString>
#include <QTreeView>

/**
 * A list in report view that orders its rows itself: by the plain text of the sort column
 * (SortKey, counted from 0) in the sort order (SortOrder, 0 ascending, 1 descending), so that
 * right-justified numbers sort by value. Rows carry a key and are found by it through a hash.
 * The rows are re-ordered when the sort state changes, on a header click and on resortList,
 * never because a cell changed; the header shows Qt's sort indicator on the sort column. Both the
 * main window's client list and the detail window's day list are one.
 *
 * The rows live in a small model of the list's own: a row costs a few hundred bytes, and a
 * pass that changes some cells of a long list costs what it changed. Rows are named by a RowId,
 * which stays valid until the rows are removed (clearRows, see generation()); the position at
 * which a row is shown changes when the list re-orders.
 */
class SortedList : public QTreeView {
    Q_OBJECT
public:
    using RowId = qint32;
    static constexpr RowId NoRow = -1;

    SortedList(const QList<ListColumn>& columns, QWidget* parent = nullptr);
    ~SortedList() override;

    int columnCount() const;
    QString headerText(int column) const;

    // --- Rows, found by key ---
    qsizetype rowCount() const;
    /** The row whose key is key, or NoRow. */
    RowId findRow(const QString& key) const;
    /**
     * Appends a row with key and the text of column 0, its cells aligned as their columns; the
     * list is not re-sorted (see resortList).
     */
    RowId addRow(const QString& key, const QString& text);
    /** Writes text into a cell, only when it differs from what the cell holds; true when written.
     */
    bool setCellText(RowId row, int column, const QString& text);
    QString cellText(RowId row, int column) const;
    /** The whole row in bold (the "<All-clients>" row, today's day). */
    void setRowBold(RowId row, bool bold);
    bool rowBold(RowId row) const;
    /** A background across the row and a tip on its first cell; NoBrush and no tip clear them. */
    void setRowMark(RowId row, const QBrush& background, const QString& toolTip);
    QBrush rowBackground(RowId row) const;
    QString rowToolTip(RowId row) const;
    /** Whether the row shown at position is selected. */
    bool isSelectedAt(qsizetype position) const;
    QString rowKey(RowId row) const;
    /** The row shown at position (0 is the top), NoRow outside the rows. */
    RowId rowAt(qsizetype position) const;
    /** Where a row is shown now, counted from 0 at the top; -1 for NoRow. */
    qsizetype positionOf(RowId row) const;
    /** Removes every row; the RowIds given out so far are void. */
    void clearRows();
    /** Grows with every clearRows: a RowId kept together with it is known to be void. */
    quint64 generation() const;
    /** The key of the selected row, or an empty text when none is selected. */
    QString selectedRowKey() const;
    /** Makes row the current and selected row. */
    void selectRow(RowId row);

    // --- Sort state ---
    int sortKey() const { return m_sortKey; }
    /** Throws RunTimeError 380 for a key that is not a column index. */
    void setSortKey(int key);
    int sortOrder() const { return m_sortOrder; }
    /** Throws RunTimeError 380 for an order other than 0 and 1. */
    void setSortOrder(int order);
    bool isSorted() const { return m_sorted; }
    /** While sorted, the rows are re-ordered whenever the key or the order changes. */
    void setSorted(bool sorted);
    /** Re-orders the rows by the sort key and order now, when sorted. */
    void resortList();
    /**
     * A click on the header of column position (counted from 1): the sort column toggles its
     * order, another column becomes the sort column, ascending. A position outside the columns
     * changes nothing.
     */
    void columnClick(int position);

    // --- Column widths in twips, for the settings ---
    /** Throws RunTimeError 9 for a column that does not exist. */
    double columnWidthTwips(int column) const;
    /** Throws RunTimeError 9 for a column that does not exist, 380 for a negative width. */
    void setColumnWidthTwips(int column, double twips);

private:
    bool isCell(RowId row, int column) const;

    SortedListModel* m_model = nullptr;
    int m_sortKey = 0;
    int m_sortOrder = 0;
    bool m_sorted = true;
};
