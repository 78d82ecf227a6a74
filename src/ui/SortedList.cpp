#include "SortedList.h"

#include "Twips.h"
#include "WindowLook.h"
#include "common/RunTimeError.h"

#include <QHeaderView>
#include <QStyledItemDelegate>

using namespace Qt::StringLiterals;

namespace {

constexpr int KeyRole = Qt::UserRole;

RunTimeError subscriptOutOfRange() {
    return RunTimeError(ErrorNumber::SubscriptOutOfRange, u"Subscript out of range"_s);
}

/**
 * Cell texts compare as text, without regard to case (the exact case decides only between
 * otherwise equal texts), never locale-aware: collation would skip the leading spaces that make
 * right-justified numbers sort by value.
 */
int compareCellTexts(const QString& a, const QString& b) {
    const int result = a.compare(b, Qt::CaseInsensitive);
    return result != 0 ? result : a.compare(b, Qt::CaseSensitive);
}

/**
 * A row: ordered by the text of the list's sort column. It keeps a copy of its cell texts, so
 * that comparing and sorting read plain strings rather than going through the model's variants.
 */
class ListRow : public QTreeWidgetItem {
public:
    static constexpr int Type = UserType;
    ListRow() : QTreeWidgetItem(Type) {}

    bool operator<(const QTreeWidgetItem& other) const override {
        const int column = treeWidget() ? treeWidget()->sortColumn() : 0;
        if (other.type() == Type)
            return compareCellTexts(cell(column), static_cast<const ListRow&>(other).cell(column)) <
                   0;
        return compareCellTexts(text(column), other.text(column)) < 0;
    }
    QString cell(int column) const { return m_cells.value(column); }
    bool setCell(int column, const QString& text) {
        if (m_cells.value(column) == text)
            return false; // an empty text over a cell never written: it shows empty already
        setText(column, text);
        return true;
    }
    /** Every write of a cell's text comes here, setText included: the copy never goes stale. */
    void setData(int column, int role, const QVariant& value) override {
        if (role == Qt::DisplayRole || role == Qt::EditRole) {
            if (column >= m_cells.size())
                m_cells.resize(column + 1);
            m_cells[column] = value.toString();
        }
        QTreeWidgetItem::setData(column, role, value);
    }

private:
    QList<QString> m_cells;
};

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

SortedList::SortedList(const QList<ListColumn>& columns, QWidget* parent) : QTreeWidget(parent) {
    setRootIsDecorated(false);
    setItemsExpandable(false);
    setUniformRowHeights(true);
    setAllColumnsShowFocus(true);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setColumnCount(int(columns.size()));
    setItemDelegate(new RowDelegate(this));

    QTreeWidgetItem* header = headerItem();
    for (int column = 0; column < columns.size(); ++column) {
        const ListColumn& design = columns.at(column);
        m_alignments << design.alignment;
        header->setText(column, design.header);
        header->setTextAlignment(column, design.alignment | Qt::AlignVCenter);
        setColumnWidth(column, Twips::toPixelsX(design.width));
    }
    // The list sorts by itself (resortList): the view must not re-sort whenever a cell
    // changes. The header shows the sort column and direction (sortItems sets them).
    setSortingEnabled(false);
    QHeaderView* view = QTreeWidget::header();
    view->setStretchLastSection(false);
    view->setSectionsMovable(false);
    view->setSectionsClickable(true);
    view->setSortIndicatorShown(true);
    view->setSortIndicator(m_sortKey, Qt::AscendingOrder);
    connect(view, &QHeaderView::sectionClicked, this,
            [this](int logicalIndex) { columnClick(logicalIndex + 1); });

    // Rows removed through QTreeWidget itself (clear, takeTopLevelItem, delete) leave the hash.
    connect(model(), &QAbstractItemModel::modelAboutToBeReset, this, [this] { m_rows.clear(); });
    connect(model(), &QAbstractItemModel::rowsAboutToBeRemoved, this,
            [this](const QModelIndex& parent, int first, int last) {
                if (!parent.isValid())
                    forgetRows(first, last);
            });
}

SortedList::~SortedList() {
    // The view's own destructor removes the rows after the hash is gone.
    disconnect(model(), nullptr, this, nullptr);
}

QTreeWidgetItem* SortedList::findRow(const QString& key) const {
    return m_rows.value(key);
}

QTreeWidgetItem* SortedList::addRow(const QString& key, const QString& text) {
    auto* row = new ListRow;
    row->setCell(0, text);
    row->setData(0, KeyRole, key);
    for (int column = 0; column < m_alignments.size(); ++column)
        row->setTextAlignment(column, m_alignments.at(column) | Qt::AlignVCenter);
    addTopLevelItem(row);
    m_rows.insert(key, row);
    return row;
}

bool SortedList::setCellText(QTreeWidgetItem* row, int column, const QString& text) {
    if (row->type() == ListRow::Type)
        return static_cast<ListRow*>(row)->setCell(column, text);
    if (row->text(column) == text)
        return false;
    row->setText(column, text);
    return true;
}

void SortedList::clearRows() {
    clear();
    m_rows.clear();
}

void SortedList::forgetRows(int first, int last) {
    for (int i = first; i <= last; ++i) {
        QTreeWidgetItem* row = topLevelItem(i);
        const auto found = m_rows.constFind(rowKey(row));
        if (found != m_rows.cend() && found.value() == row)
            m_rows.erase(found);
    }
}

QString SortedList::rowKey(const QTreeWidgetItem* row) {
    return row ? row->data(0, KeyRole).toString() : QString();
}

QString SortedList::selectedRowKey() const {
    const QList<QTreeWidgetItem*> selected = selectedItems();
    return selected.isEmpty() ? QString() : rowKey(selected.first());
}

void SortedList::setSortKey(int key) {
    if (key < 0 || key >= columnCount())
        throw invalidPropertyValue();
    m_sortKey = key;
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
    if (m_sorted)
        sortItems(m_sortKey, m_sortOrder == 0 ? Qt::AscendingOrder : Qt::DescendingOrder);
}

void SortedList::columnClick(int position) {
    // Errors are ignored here; a position outside the columns changes nothing.
    if (position < 1 || position > columnCount())
        return;
    if (position == m_sortKey + 1) {
        m_sortOrder = m_sortOrder == 0 ? 1 : 0;
    } else {
        m_sortKey = position - 1;
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
