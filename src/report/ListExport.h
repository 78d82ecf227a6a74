#pragma once

#include "HtmlReport.h"

#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QString>
#include <QStringList>

/**
 * The client list as data for other programs: a CSV file (File, Export list) and
 * tab-separated rows for the clipboard. Cells go out as a spreadsheet should read them:
 * numbers without the spaces that right-justify them in the list, and text that a spreadsheet
 * would take for a formula (a client name such as "=HYPERLINK(...)") made inert.
 */
namespace ListExport {

/**
 * A cell as it is exported: a right-justified number (or a cell of spaces only) without its
 * spaces; a text beginning with "=", "+", "-", "@", a tab or a carriage return after an
 * apostrophe, which spreadsheets show as text and do not evaluate.
 */
QString exportedCell(const QString& cell);

/**
 * The list as CSV (RFC 4180) in UTF-8: a header of the column captions followed by "Project"
 * and "Exported", then one record per row in the order given, each followed by the project
 * code and the time of the export ("yyyy-MM-dd hh:mm:ss"). Every record ends with CR LF; a
 * field holding a comma, a double quote or a line break is quoted, its quotes doubled.
 */
QByteArray csvBytes(const HtmlReport::ReportTable& table, const QString& project,
                    const QDateTime& exported);

/**
 * Rows for the clipboard: cells joined by tabs, rows ended by a line feed; a tab or line
 * break inside a cell becomes a space, since the format has no quoting.
 */
QString tabSeparatedRows(const QList<QStringList>& rows);

/**
 * Writes csv as the file at path with the program's safe save: the earlier file, if any,
 * stays as it was unless the new one is complete. False, with the reason in errorText, when
 * that fails.
 */
bool writeCsvFile(const QString& path, const QByteArray& csv, QString* errorText = nullptr);

} // namespace ListExport
