#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

class QIODevice;

/**
 * The web page "Index.htm": one bordered table of the main list, a header row of its column
 * captions and one row per list item, in the order the list shows them. Every line ends with
 * CR LF. Captions and cells are escaped ("&", "<", ">" and the double quote), because client
 * names come from the log and must never become markup in the page. The file is single-byte
 * text: ASCII, with every other character written as a numeric character reference. The page
 * names no character set, so a browser guesses one; a reference reads the same under every
 * guess, where a Latin-1 byte such as "\xEB" for "ë" does not (Chromium shows "ė").
 */
namespace HtmlReport {

/** What the report shows: the list's column captions and each row's cell texts. */
struct ReportTable {
    QStringList captions;
    /**
     * Per row: the item's own text (first column), then its sub-item texts. A row has as many
     * cells as there are captions; missing cells are empty, cells beyond them are not shown.
     */
    QList<QStringList> rows;
};

/** Why a report could not be written: a run-time error number and its description. */
struct ReportError {
    int number = 0;
    QString description;
};

/** The file name of the report inside its folder. */
QString fileName();

/** text with "&", "<", ">" and the double quote replaced by their character references. */
QString escapeText(QStringView text);

/**
 * text as the page's bytes: ASCII characters as they are; every other character (a surrogate
 * pair counts as one) as "&#" decimal code point ";", a lone surrogate as "&#65533;".
 */
QByteArray encodePageText(QStringView text);

/** The whole page as the bytes of the file, line by line, each line ended by CR LF. */
QByteArray reportBytes(const ReportTable& table);

/** Writes the bytes of a page as "Index.htm" in folder, as writeReport does. */
bool writePage(const QString& folder, const QByteArray& page, ReportError* error = nullptr);

/**
 * Writes the page to device (open for writing). False, with the reason in error when given,
 * when the device takes fewer bytes than the page has.
 */
bool writeReport(QIODevice& device, const ReportTable& table, ReportError* error = nullptr);

/**
 * Writes the page as "Index.htm" in folder. The page is written beside the old one and
 * replaces it only when complete, so a browser reloading it never sees half a page and a
 * failed write leaves the previous page as it was; where the folder allows only the file itself
 * to be written, the file is written in place. A link at the page's path is replaced as a
 * link, never written through (in place, it is not written at all). Returns false, with the reason
 * in error when given, when the folder is empty or missing or the file cannot be created, written
 * or replaced; nothing is shown.
 */
bool writeReport(const QString& folder, const ReportTable& table, ReportError* error = nullptr);

} // namespace HtmlReport
