// The main window's commands: Open, Switch to next log file, Hosts file.
#include "Analyzer.h"

#include "UserDialogs.h"
#include "frmMain.h"

#include "stats/NextLogFile.h"

#include <QDesktopServices>
#include <QUrl>

using namespace Qt::StringLiterals;

void Analyzer::mnuOpen_Click() {
    const std::optional<QString> path = m_env.dialogs->chooseLogFile(m_window.get(), m_openDialogPath);
    if (!path)
        return; // cancelled: nothing changes
    m_openDialogPath = *path;
    const QString place = u"frmMain:mnuOpen_Click"_s;
    if (!m_reporter.runStep(place, [&] {
            m_session.ChooseLogFile(*path);
            m_statistics.Reset();
            m_window->clearRows();
        }))
        return;
    m_reporter.runStep(place, [&] { Process(); });
}

void Analyzer::mnuNext_Click() {
    QString next;
    if (!m_reporter.runStep(u"frmMain:mnuNext_Click"_s, [&] { next = NextLogFileName(m_session.FileName); }) ||
        next.isEmpty())
        return;
    if (m_env.dialogs->askYesNo(m_window.get(), u"Switch to "_s + next + u"?"_s, true))
        m_session.ChooseLogFile(next);
}

void Analyzer::mnuHosts_Click() {
    // Opened in the desktop's text editor, without a shell; if that fails, nothing happens.
    QDesktopServices::openUrl(QUrl::fromLocalFile(u"/etc/hosts"_s));
}
