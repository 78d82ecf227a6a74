#include "ErrorReport.h"

#include <QScopeGuard>

QString errorReportText(const RunTimeError& error, const QString& place) {
    return QStringLiteral("Error: 0x") + QString::number(error.number(), 16).toUpper() +
           QStringLiteral("\r\n\r\n") + place + QStringLiteral("\r\n") + error.description();
}

ErrorAnswer ErrorReporter::report(const RunTimeError& error, const QString& place) {
    if (m_open)
        return ErrorAnswer::Abort;
    m_open = true;
    const auto reopen = qScopeGuard([this] { m_open = false; });
    return m_report.ask(error, place);
}
