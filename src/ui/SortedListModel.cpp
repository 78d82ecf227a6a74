#include "SortedListModel.h"

#include <algorithm>

namespace {

/**
 * Cell texts compare as text, without regard to case (the exact case decides only between
 * otherwise equal texts), never locale-aware: collation would skip the leading spaces that make
 * right-justified numbers sort by value.
 */
int compareCellTexts(const QString& a, const QString& b) {
    const int result = a.compare(b, Qt::CaseInsensitive);
    return result != 0 ? result : a.compare(b, Qt::CaseSensitive);
}

} // namespace

SortedListModel::SortedListModel(const QList<ListColumn>& columns, QObject* parent)
    : QAbstractTableModel(parent), m_columns(columns) {
    // Only the weight is set: the view's own font gives the rest.
    m_boldFont.setBold(true);
}

int SortedListModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : int(m_order.size());
}

int SortedListModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : int(m_columns.size());
}

QVariant SortedListModel::data(const QModelIndex& index, int role) const {
    if (!checkIndex(index, CheckIndexOption::IndexIsValid | CheckIndexOption::ParentIsInvalid))
        return {};
    const RowId row = m_order[size_t(index.row())];
    switch (role) {
    case Qt::DisplayRole:
        return cellText(row, index.column());
    case Qt::FontRole:
        return m_rows[size_t(row)].bold ? QVariant(m_boldFont) : QVariant();
    case Qt::TextAlignmentRole:
        return int(m_columns.at(index.column()).alignment | Qt::AlignVCenter);
    case Qt::BackgroundRole:
        return m_marks.contains(row) ? QVariant(m_marks.value(row).background) : QVariant();
    case Qt::ToolTipRole:
        return index.column() == 0 && m_marks.contains(row) ? QVariant(m_marks.value(row).toolTip)
                                                            : QVariant();
    default:
        return {};
    }
}

QVariant SortedListModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || section < 0 || section >= m_columns.size())
        return {};
    if (role == Qt::DisplayRole)
        return m_columns.at(section).header;
    if (role == Qt::TextAlignmentRole)
        return int(m_columns.at(section).alignment | Qt::AlignVCenter);
    return {};
}

SortedListModel::RowId SortedListModel::addRow(const QString& key, const QString& text) {
    flushChanges();
    const auto id = RowId(m_rows.size());
    const int position = int(m_order.size());
    beginInsertRows({}, position, position);
    m_rows.push_back(Row{position, false, false});
    m_keys.push_back(key);
    m_cells.resize(m_cells.size() + size_t(m_columns.size()));
    cell(id, 0) = text;
    m_order.push_back(id);
    m_byKey.insert(key, id);
    noteOutOfPlace(id);
    endInsertRows();
    return id;
}

bool SortedListModel::setCellText(RowId row, int column, const QString& text) {
    QString& current = cell(row, column);
    if (current == text)
        return false; // an empty text over a cell never written: it shows empty already
    current = text;
    if (column == m_sortColumn)
        noteOutOfPlace(row);
    noteChanged(row);
    return true;
}

void SortedListModel::setRowBold(RowId row, bool bold) {
    if (m_rows[size_t(row)].bold == bold)
        return;
    m_rows[size_t(row)].bold = bold;
    noteChanged(row);
}

void SortedListModel::setRowMark(RowId row, const QBrush& background, const QString& toolTip) {
    if (background.style() == Qt::NoBrush && toolTip.isEmpty())
        m_marks.remove(row);
    else
        m_marks.insert(row, Mark{background, toolTip});
    noteChanged(row);
}

void SortedListModel::clearRows() {
    beginResetModel();
    m_cells.clear();
    m_keys.clear();
    m_rows.clear();
    m_order.clear();
    m_byKey.clear();
    m_marks.clear();
    m_outOfPlace.clear();
    m_changed.clear();
    ++m_generation;
    endResetModel();
}

void SortedListModel::noteOutOfPlace(RowId row) {
    Row& data = m_rows[size_t(row)];
    if (!data.outOfPlace) {
        data.outOfPlace = true;
        m_outOfPlace.push_back(row);
    }
}

void SortedListModel::noteChanged(RowId row) {
    Row& data = m_rows[size_t(row)];
    if (data.changed)
        return;
    data.changed = true;
    m_changed.push_back(row);
    if (!m_flushQueued) {
        m_flushQueued = true;
        QMetaObject::invokeMethod(
            this,
            [this] {
                m_flushQueued = false;
                flushChanges();
            },
            Qt::QueuedConnection);
    }
}

void SortedListModel::flushChanges() {
    if (m_changed.empty())
        return;
    std::vector<qint32> positions;
    positions.reserve(m_changed.size());
    for (const RowId row : m_changed) {
        m_rows[size_t(row)].changed = false;
        positions.push_back(m_rows[size_t(row)].position);
    }
    m_changed.clear();
    std::sort(positions.begin(), positions.end());
    const int lastColumn = columnCount() - 1;
    for (size_t i = 0; i < positions.size();) {
        size_t j = i + 1;
        while (j < positions.size() && positions[j] == positions[j - 1] + 1)
            ++j;
        Q_EMIT dataChanged(index(positions[i], 0), index(positions[j - 1], lastColumn));
        i = j;
    }
}

void SortedListModel::setSortColumn(int column) {
    if (column != m_sortColumn)
        m_wholeOrderStale = true;
    m_sortColumn = column;
}

void SortedListModel::sortRows(Qt::SortOrder order) {
    if (order != m_sortedOrder)
        m_wholeOrderStale = true;
    m_sortedOrder = order;
    if (!m_wholeOrderStale && m_outOfPlace.empty())
        return;
    // Equal texts keep their current order, as in a stable sort.
    const int column = m_sortColumn;
    const auto goesBefore = [&](RowId a, RowId b) {
        const int c = compareCellTexts(cellText(a, column), cellText(b, column));
        if (c != 0)
            return order == Qt::AscendingOrder ? c < 0 : c > 0;
        return m_rows[size_t(a)].position < m_rows[size_t(b)].position;
    };

    std::vector<RowId> sorted;
    if (m_wholeOrderStale) {
        sorted = m_order;
        std::sort(sorted.begin(), sorted.end(), goesBefore);
    } else {
        // The rows in place are in order already: each moving row goes in where it belongs.
        std::vector<RowId> moving = m_outOfPlace;
        std::sort(moving.begin(), moving.end(), goesBefore);
        std::vector<RowId> staying;
        staying.reserve(m_order.size() - moving.size());
        for (const RowId row : m_order)
            if (!m_rows[size_t(row)].outOfPlace)
                staying.push_back(row);
        sorted.reserve(m_order.size());
        auto from = staying.cbegin();
        for (const RowId row : moving) {
            const auto at = std::partition_point(
                from, staying.cend(), [&](RowId placed) { return goesBefore(placed, row); });
            sorted.insert(sorted.end(), from, at);
            sorted.push_back(row);
            from = at;
        }
        sorted.insert(sorted.end(), from, staying.cend());
    }
    for (const RowId row : m_outOfPlace)
        m_rows[size_t(row)].outOfPlace = false;
    m_outOfPlace.clear();
    m_wholeOrderStale = false;
    if (sorted != m_order)
        applyOrder(std::move(sorted));
}

void SortedListModel::applyOrder(std::vector<RowId> order) {
    flushChanges();
    Q_EMIT layoutAboutToBeChanged({}, VerticalSortHint);
    const QModelIndexList before = persistentIndexList();
    std::vector<RowId> rowsBefore;
    rowsBefore.reserve(size_t(before.size()));
    for (const QModelIndex& index : before)
        rowsBefore.push_back(m_order[size_t(index.row())]);
    m_order = std::move(order);
    for (size_t position = 0; position < m_order.size(); ++position)
        m_rows[size_t(m_order[position])].position = qint32(position);
    QModelIndexList after;
    after.reserve(before.size());
    for (qsizetype i = 0; i < before.size(); ++i)
        after << index(m_rows[size_t(rowsBefore[size_t(i)])].position, before[i].column());
    changePersistentIndexList(before, after);
    Q_EMIT layoutChanged({}, VerticalSortHint);
}
