#include "SortedList.h"

#include "Twips.h"
#include "WindowLook.h"
#include "common/RunTimeError.h"

#include <QHeaderView>
#include <QItemSelectionModel>
#include <QStyledItemDelegate>

using namespace Qt::StringLiterals;

namespace {

RunTimeError subscriptOutOfRange() {
    return RunTimeError(ErrorNumber::SubscriptOutOfRange, u"Subscript out of range"_s);
}

/** Rows as high as the font's glyphs really reach (see glyphBox), so none is clipped. */
class RowDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override {
        QSize size = QStyledItemDelegate::sizeHint(option, index);
        size.setHeight(qMax(size.height(), glyphBox(QFontMetrics(option.font)).height()));
        return size;
    }
};

} // namespace

SortedList::SortedList(const QList<ListColumn>& columns, QWidget* parent)
    : QTreeView(parent), m_model(new SortedListModel(columns, this)) {
    setModel(m_model);
    setRootIsDecorated(false);
    setItemsExpandable(false);
    setUniformRowHeights(true);
    setAllColumnsShowFocus(true);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setItemDelegate(new RowDelegate(this));
    for (int column = 0; column < columns.size(); ++column)
        setColumnWidth(column, Twips::toPixelsX(columns.at(column).width));

    // The list sorts by itself (resortList): the view must not re-sort whenever a cell
    // changes. The header shows the sort column and direction (sortItems sets them).
    setSortingEnabled(false);
    QHeaderView* view = header();
    view->setStretchLastSection(false);
    view->setSectionsMovable(false);
    view->setSectionsClickable(true);
    view->setSortIndicatorShown(true);
    view->setSortIndicator(m_sortKey, Qt::AscendingOrder);
    connect(view, &QHeaderView::sectionClicked, this,
            [this](int logicalIndex) { columnClick(logicalIndex + 1); });
}

SortedList::~SortedList() = default;

int SortedList::columnCount() const {
    return m_model->columnCount();
}

QString SortedList::headerText(int column) const {
    return m_model->headerData(column, Qt::Horizontal, Qt::DisplayRole).toString();
}

qsizetype SortedList::rowCount() const {
    return m_model->rowCount();
}

SortedList::RowId SortedList::findRow(const QString& key) const {
    return m_model->findRow(key);
}

SortedList::RowId SortedList::addRow(const QString& key, const QString& text) {
    return m_model->addRow(key, text);
}

bool SortedList::isCell(RowId row, int column) const {
    return m_model->isRow(row) && column >= 0 && column < columnCount();
}

bool SortedList::setCellText(RowId row, int column, const QString& text) {
    return isCell(row, column) && m_model->setCellText(row, column, text);
}

QString SortedList::cellText(RowId row, int column) const {
    return isCell(row, column) ? m_model->cellText(row, column) : QString();
}

void SortedList::setRowBold(RowId row, bool bold) {
    if (m_model->isRow(row))
        m_model->setRowBold(row, bold);
}

bool SortedList::rowBold(RowId row) const {
    return m_model->isRow(row) && m_model->rowBold(row);
}

void SortedList::setRowMark(RowId row, const QBrush& background, const QString& toolTip) {
    if (m_model->isRow(row))
        m_model->setRowMark(row, background, toolTip);
}

QBrush SortedList::rowBackground(RowId row) const {
    return m_model->rowBackground(row);
}

QString SortedList::rowToolTip(RowId row) const {
    return m_model->rowToolTip(row);
}

bool SortedList::isSelectedAt(qsizetype position) const {
    return selectionModel()->isRowSelected(int(position), {});
}

QString SortedList::rowKey(RowId row) const {
    return m_model->isRow(row) ? m_model->rowKey(row) : QString();
}

SortedList::RowId SortedList::rowAt(qsizetype position) const {
    return position >= 0 && position < rowCount() ? m_model->rowAt(position) : NoRow;
}

qsizetype SortedList::positionOf(RowId row) const {
    return m_model->isRow(row) ? m_model->positionOf(row) : -1;
}

void SortedList::clearRows() {
    m_model->clearRows();
}

quint64 SortedList::generation() const {
    return m_model->generation();
}

QString SortedList::selectedRowKey() const {
    const QModelIndexList selected = selectionModel()->selectedRows();
    return selected.isEmpty() ? QString() : rowKey(rowAt(selected.first().row()));
}

void SortedList::selectRow(RowId row) {
    setCurrentIndex(m_model->index(int(positionOf(row)), 0)); // none for NoRow
}

void SortedList::setSortKey(int key) {
    if (key < 0 || key >= columnCount())
        throw invalidPropertyValue();
    m_sortKey = key;
    m_model->setSortColumn(key);
    resortList();
}

void SortedList::setSortOrder(int order) {
    if (order != 0 && order != 1)
        throw invalidPropertyValue();
    m_sortOrder = order;
    resortList();
}

void SortedList::setSorted(bool sorted) {
    m_sorted = sorted;
    resortList();
}

void SortedList::resortList() {
    if (!m_sorted)
        return;
    const Qt::SortOrder order = m_sortOrder == 0 ? Qt::AscendingOrder : Qt::DescendingOrder;
    header()->setSortIndicator(m_sortKey, order);
    m_model->sortRows(order);
}

void SortedList::columnClick(int position) {
    // Errors are ignored here; a position outside the columns changes nothing.
    if (position < 1 || position > columnCount())
        return;
    if (position == m_sortKey + 1) {
        m_sortOrder = m_sortOrder == 0 ? 1 : 0;
    } else {
        m_sortKey = position - 1;
        m_model->setSortColumn(m_sortKey);
        m_sortOrder = 0;
    }
    resortList();
}

double SortedList::columnWidthTwips(int column) const {
    if (column < 0 || column >= columnCount())
        throw subscriptOutOfRange();
    return Twips::fromPixelsX(columnWidth(column));
}

void SortedList::setColumnWidthTwips(int column, double twips) {
    if (column < 0 || column >= columnCount())
        throw subscriptOutOfRange();
    if (!(twips >= 0)) // also refuses NaN
        throw invalidPropertyValue();
    setColumnWidth(column, Twips::toPixelsX(twips));
}
