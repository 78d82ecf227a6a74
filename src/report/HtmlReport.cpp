#include "HtmlReport.h"

#include "common/RunTimeError.h"
#include "common/SafeSave.h"

#include <QDir>

using namespace Qt::StringLiterals;

namespace HtmlReport {

namespace {

const QString LineEnd = u"\r\n"_s;

void setError(ReportError* error, int number, const QString& description) {
    if (error)
        *error = ReportError{number, description};
}

void appendReference(QByteArray& out, char32_t codePoint) {
    out += "&#";
    out += QByteArray::number(quint32(codePoint));
    out += ';';
}

/** Writes all of bytes; fewer taken (a short write sets no error of its own) is a failure. */
bool writeAll(QIODevice& device, const QByteArray& bytes, ReportError* error) {
    const qint64 written = device.write(bytes);
    if (written == bytes.size())
        return true;
    const QString reason = written < 0 ? device.errorString() : QString();
    setError(error, ErrorNumber::DeviceIoError, reason.isEmpty() ? u"Device I/O error"_s : reason);
    return false;
}

} // namespace

QString FileName() {
    return u"Index.htm"_s;
}

QString EscapeText(QStringView text) {
    return text.toString().toHtmlEscaped(); // "&", "<", ">" and the double quote
}

QByteArray EncodePageText(QStringView text) {
    QByteArray out;
    out.reserve(text.size());
    const qsizetype n = text.size();
    for (qsizetype i = 0; i < n; ++i) {
        const char16_t c = text[i].unicode();
        if (c < 0x80) {
            out += char(c);
        } else if (QChar::isHighSurrogate(c) && i + 1 < n &&
                   QChar::isLowSurrogate(text[i + 1].unicode())) {
            appendReference(out, QChar::surrogateToUcs4(c, text[i + 1].unicode()));
            ++i;
        } else if (QChar::isSurrogate(c)) {
            appendReference(out, QChar::ReplacementCharacter);
        } else {
            appendReference(out, c);
        }
    }
    return out;
}

QString ReportText(const ReportTable& table) {
    QString page;
    const auto line = [&page](const QString& text) { page += text + LineEnd; };
    const qsizetype columns = table.captions.size();

    line(u"<HTML><BODY><TABLE WIDTH=100% BORDER=1>"_s);
    line(u"<TR>"_s);
    for (const QString& caption : table.captions)
        line(u"<TH ALIGN=CENTER><BOLD>"_s + EscapeText(caption) + u"</TD>"_s);
    line(u"</TR>"_s);
    for (const QStringList& row : table.rows) {
        line(u"<TR>"_s);
        line(u"<TD>"_s + EscapeText(row.value(0)) + u"</TD>"_s);
        for (qsizetype j = 1; j < columns; ++j)
            line(u"<TD>"_s + EscapeText(row.value(j)) + u"&nbsp;</TD>"_s);
        line(u"</TR>"_s);
    }
    line(u"</TABLE></BODY></HTML>"_s);
    return page;
}

QByteArray ReportBytes(const ReportTable& table) {
    return EncodePageText(ReportText(table));
}

bool WriteReport(QIODevice& device, const ReportTable& table, ReportError* error) {
    return writeAll(device, ReportBytes(table), error);
}

bool WriteReport(const QString& folder, const ReportTable& table, ReportError* error) {
    if (folder.isEmpty()) {
        setError(error, ErrorNumber::PathFileAccess, u"No report folder"_s);
        return false;
    }
    QString reason;
    switch (SaveFileSafely(QDir(folder).filePath(FileName()), ReportBytes(table), true, &reason)) {
    case SaveOutcome::Saved:
        return true;
    case SaveOutcome::CannotCreate:
        setError(error, ErrorNumber::PathFileAccess, reason);
        return false;
    case SaveOutcome::WriteFailed:
        setError(error, ErrorNumber::DeviceIoError, reason);
        return false;
    }
    return false;
}

} // namespace HtmlReport
