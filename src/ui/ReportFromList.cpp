#include "ReportFromList.h"

#include "frmMain.h"

#include "common/RunTimeError.h"

#include <QHeaderView>

using namespace Qt::StringLiterals;

namespace {

/** The list's columns in the order the header shows them (it may differ from the model's). */
QList<int> shownColumns(const SortedList& list) {
    QList<int> columns;
    const QHeaderView* header = list.header();
    for (int visual = 0; visual < header->count(); ++visual)
        columns << header->logicalIndex(visual);
    return columns;
}

} // namespace

HtmlReport::ReportTable listReportTable(const frmMain& window) {
    const SortedList& list = *window.lvRC5();
    const QList<int> columns = shownColumns(list);
    HtmlReport::ReportTable table;
    for (const int column : columns)
        table.captions << list.headerText(column);
    table.rows.reserve(list.rowCount());
    for (qsizetype position = 0; position < list.rowCount(); ++position) {
        const SortedList::RowId row = list.rowAt(position);
        QStringList cells;
        cells.reserve(columns.size());
        for (const int column : columns)
            cells << list.cellText(row, column);
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
