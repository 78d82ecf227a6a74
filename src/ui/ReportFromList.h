#pragma once

#include "report/HtmlReport.h"

#include <QString>

class frmMain;

/**
 * The texts of the main window's visible list lvRC5: its column captions in the order the
 * header shows them, and per row, top to bottom as shown, the cell texts of those columns.
 * The list shows the selected tab's project, so this is that project's table.
 */
HtmlReport::ReportTable listReportTable(const frmMain& window);

/**
 * Writes the visible list as "Index.htm" in folder (see HtmlReport::writeReport). The only
 * caller is the report step of the refresh pass. A failure throws a RunTimeError whose
 * description starts with "frmMain:GenerateHTML" and CR LF; a failed write leaves the previous
 * page as it was.
 */
void GenerateHTML(const frmMain& window, const QString& folder);
