#include "ReportFromList.h"

#include "frmMain.h"

#include "common/RunTimeError.h"

#include <QHeaderView>
#include <QTreeWidget>

using namespace Qt::StringLiterals;

HtmlReport::ReportTable listReportTable(const frmMain& window) {
    const QTreeWidget* list = window.lvRC5();
    const QHeaderView* header = list->header();
    const QTreeWidgetItem* captions = list->headerItem();

    // Columns in the order the header shows them (it may differ from the model's order).
    QList<int> columns;
    for (int visual = 0; visual < header->count(); ++visual)
        columns << header->logicalIndex(visual);

    HtmlReport::ReportTable table;
    for (const int column : columns)
        table.captions << captions->text(column);
    // Sorting re-orders the items themselves, so index order is the order shown.
    const int count = list->topLevelItemCount();
    table.rows.reserve(count);
    for (int index = 0; index < count; ++index) {
        const QTreeWidgetItem* item = list->topLevelItem(index);
        QStringList cells;
        cells.reserve(columns.size());
        for (const int column : columns)
            cells << item->text(column);
        table.rows << cells;
    }
    return table;
}

void GenerateHTML(const frmMain& window, const QString& folder) {
    passErrors(u"frmMain:GenerateHTML"_s, PlaceSeparator::LineBreak, [&] {
        HtmlReport::ReportError error;
        if (!HtmlReport::writeReport(folder, listReportTable(window), &error))
            throw RunTimeError(error.number, error.description);
    });
}
