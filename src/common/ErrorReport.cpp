#include "ErrorReport.h"

#include <QScopeGuard>

#include <cstdio>

using namespace Qt::StringLiterals;

QString errorReportText(const RunTimeError& error, const QString& place) {
    return QStringLiteral("Error: 0x") + QString::number(error.number(), 16).toUpper() +
           QStringLiteral("\r\n\r\n") + place + QStringLiteral("\r\n") + error.description();
}

void tellStandardError(const QString& text) {
    QString line = text;
    line.replace(QStringLiteral("\r\n"), QStringLiteral(" / "));
    std::fprintf(stderr, "Quillmere Log Analyzer: %s\n", qUtf8Printable(line));
    std::fflush(stderr);
}

ErrorAnswer ErrorReporter::report(const RunTimeError& error, const QString& place) {
    if (m_unattended) {
        tellStandardError(u"Error: 0x"_s + QString::number(error.number(), 16).toUpper() +
                          u" in "_s + place + u": "_s + error.description() + u" (skipped)"_s);
        return ErrorAnswer::Ignore;
    }
    if (m_open)
        return ErrorAnswer::Abort;
    m_open = true;
    const auto reopen = qScopeGuard([this] { m_open = false; });
    return m_report.ask(error, place);
}
