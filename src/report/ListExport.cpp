#include "ListExport.h"

#include "common/SafeSave.h"

#include <algorithm>

using namespace Qt::StringLiterals;

namespace ListExport {

namespace {

bool isPaddedNumber(QStringView trimmed) {
    return std::all_of(trimmed.begin(), trimmed.end(), [](QChar c) { return c.isDigit(); });
}

QString csvField(const QString& cell) {
    const QString text = exportedCell(cell);
    const bool quote = std::any_of(text.begin(), text.end(), [](QChar c) {
        return c == u',' || c == u'"' || c == u'\r' || c == u'\n';
    });
    if (!quote)
        return text;
    QString quoted = text;
    quoted.replace(u'"', u"\"\""_s);
    return u'"' + quoted + u'"';
}

void appendRecord(QString& out, const QStringList& fields) {
    for (qsizetype i = 0; i < fields.size(); ++i) {
        if (i > 0)
            out += u',';
        out += csvField(fields.at(i));
    }
    out += u"\r\n"_s;
}

} // namespace

QString exportedCell(const QString& cell) {
    const QString trimmed = cell.trimmed();
    if (trimmed.size() != cell.size() && isPaddedNumber(trimmed))
        return trimmed;
    if (!cell.isEmpty() && u"=+-@\t\r"_s.contains(cell.front()))
        return u'\'' + cell;
    return cell;
}

QByteArray csvBytes(const HtmlReport::ReportTable& table, const QString& project,
                    const QDateTime& exported) {
    const qsizetype columns = table.captions.size();
    const QString when = exported.toString(u"yyyy-MM-dd hh:mm:ss"_s);
    QString out;
    appendRecord(out, table.captions + QStringList{u"Project"_s, u"Exported"_s});
    for (const QStringList& row : table.rows) {
        QStringList fields = row.mid(0, columns);
        while (fields.size() < columns)
            fields << QString();
        appendRecord(out, fields << project << when);
    }
    return out.toUtf8();
}

QString tabSeparatedRows(const QList<QStringList>& rows) {
    QString out;
    for (const QStringList& row : rows) {
        QStringList cells;
        for (const QString& cell : row) {
            QString text = exportedCell(cell);
            for (QChar& c : text)
                if (c == u'\t' || c == u'\r' || c == u'\n')
                    c = u' ';
            cells << text;
        }
        out += cells.join(u'\t') + u'\n';
    }
    return out;
}

bool writeCsvFile(const QString& path, const QByteArray& csv, QString* errorText) {
    return saveFileSafely(path, csv, false, errorText) == SaveOutcome::Saved;
}

} // namespace ListExport
