#pragma once

#include <QAbstractTableModel>
#include <QBrush>
#include <QFont>
#include <QHash>
#include <QList>
#include <QString>

#include <vector>

/** One column of a SortedList as designed: header text, width in twips, alignment. */
struct ListColumn {
    QString header;
    double width = 0;
    Qt::Alignment alignment = Qt::AlignLeft;
};

/**
 * The rows of a SortedList: per row a key, a text per column and a bold flag, shown in an order
 * of their own. A row is named by its RowId, the order in which it was added; its position (the
 * model's row number) changes when the rows are re-ordered.
 *
 * Cell changes reach the views once per turn of the event loop, as one signal per run of
 * adjacent changed rows, top to bottom, rather than one signal per cell: a view looks up every
 * changed row from the last one it looked up, and a pass that rewrites the rate of thousands of
 * rows scattered over the list would otherwise cost a search through the list per cell. (One
 * range over all of them would make QTreeView measure every row in between.)
 *
 * Re-ordering moves only the rows noted out of place since the last time (added, or a cell of
 * the sort column rewritten) and gives the order a stable sort of the whole list would give.
 */
class SortedListModel : public QAbstractTableModel {
    Q_OBJECT
public:
    using RowId = qint32;

    SortedListModel(const QList<ListColumn>& columns, QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

    RowId findRow(const QString& key) const { return m_byKey.value(key, -1); }
    RowId addRow(const QString& key, const QString& text);
    bool setCellText(RowId row, int column, const QString& text);
    const QString& cellText(RowId row, int column) const {
        return m_cells[size_t(row) * size_t(m_columns.size()) + size_t(column)];
    }
    void setRowBold(RowId row, bool bold);
    bool rowBold(RowId row) const { return m_rows[size_t(row)].bold; }
    /** A background across the row and a tip on its first cell; NoBrush and no tip clear them. */
    void setRowMark(RowId row, const QBrush& background, const QString& toolTip);
    QBrush rowBackground(RowId row) const { return m_marks.value(row).background; }
    QString rowToolTip(RowId row) const { return m_marks.value(row).toolTip; }
    const QString& rowKey(RowId row) const { return m_keys[size_t(row)]; }
    RowId rowAt(qsizetype position) const { return m_order[size_t(position)]; }
    qsizetype positionOf(RowId row) const { return m_rows[size_t(row)].position; }
    bool isRow(RowId row) const { return row >= 0 && size_t(row) < m_rows.size(); }
    void clearRows();
    quint64 generation() const { return m_generation; }

    /** The column whose changed cells put a row out of place; a new one re-orders everything. */
    void setSortColumn(int column);
    /** Puts the rows in order by the sort column's texts: see the class comment. */
    void sortRows(Qt::SortOrder order);

private:
    struct Row {
        qint32 position = 0;
        bool bold = false;
        bool outOfPlace = false;
        bool changed = false; ///< awaits its dataChanged
    };
    QString& cell(RowId row, int column) {
        return m_cells[size_t(row) * size_t(m_columns.size()) + size_t(column)];
    }
    void noteOutOfPlace(RowId row);
    void noteChanged(RowId row);
    /** Tells the views of the rows changed since the last time. */
    void flushChanges();
    /** Moves the rows to order (RowIds, top to bottom), keeping selections on their rows. */
    void applyOrder(std::vector<RowId> order);

    QList<ListColumn> m_columns;
    QFont m_boldFont;
    std::vector<QString> m_cells; ///< row after row, a text per column
    std::vector<QString> m_keys;
    std::vector<Row> m_rows;
    std::vector<RowId> m_order; ///< the rows top to bottom
    QHash<QString, RowId> m_byKey;
    struct Mark {
        QBrush background;
        QString toolTip;
    };
    QHash<RowId, Mark> m_marks; ///< the few rows marked
    std::vector<RowId> m_outOfPlace;
    int m_sortColumn = 0;
    Qt::SortOrder m_sortedOrder = Qt::AscendingOrder;
    bool m_wholeOrderStale = false;
    std::vector<RowId> m_changed; ///< rows changed since the last flush
    bool m_flushQueued = false;
    quint64 m_generation = 0;
};
