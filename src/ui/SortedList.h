#pragma once

#include <QHash>
#include <QList>
#include <QString>
#include <QTreeWidget>

/** One column of a SortedList as designed: header text, width in twips, alignment. */
struct ListColumn {
    QString header;
    double width = 0;
    Qt::Alignment alignment = Qt::AlignLeft;
};

/**
 * A list in report view that orders its rows itself: by the plain text of the sort column
 * (SortKey, counted from 0) in the sort order (SortOrder, 0 ascending, 1 descending), so that
 * right-justified numbers sort by value. Rows carry a key and are found by it through a hash.
 * The rows are re-ordered when the sort state changes, on a header click and on resortList,
 * never because a cell changed; the header shows Qt's sort indicator on the sort column. Both the
 * main window's client list and the detail window's day list are one.
 */
class SortedList : public QTreeWidget {
    Q_OBJECT
public:
    SortedList(const QList<ListColumn>& columns, QWidget* parent = nullptr);
    ~SortedList() override;

    // --- Rows, found by key ---
    /** The row whose key is key, or null. */
    QTreeWidgetItem* findRow(const QString& key) const;
    /**
     * Appends a row with key and the text of column 0, its cells aligned as their columns; the
     * list is not re-sorted (see resortList).
     */
    QTreeWidgetItem* addRow(const QString& key, const QString& text);
    /**
     * Writes text into a cell of a row, only when it differs from what the cell holds (a copy
     * kept beside the cell, so the check costs no round trip through the model); true when
     * written. The refresh passes write every cell this way.
     */
    static bool setCellText(QTreeWidgetItem* row, int column, const QString& text);
    /** Removes every row. */
    void clearRows();
    /** The key of a row made by addRow; empty for null. */
    static QString rowKey(const QTreeWidgetItem* row);
    /** The key of the selected row, or an empty text when none is selected. */
    QString selectedRowKey() const;

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
    void forgetRows(int first, int last);

    QList<Qt::Alignment> m_alignments;
    QHash<QString, QTreeWidgetItem*> m_rows;
    int m_sortKey = 0;
    int m_sortOrder = 0;
    bool m_sorted = true;
};
