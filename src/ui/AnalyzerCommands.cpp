// The main window's commands: the menus and the list's double-click.
#include "Analyzer.h"

#include "UserDialogs.h"
#include "frmDetail.h"
#include "frmMain.h"
#include "frmNames.h"
#include "frmPreferences.h"

#include "common/WholeFile.h"
#include "stats/NextLogFile.h"

#include <QFileInfo>

using namespace Qt::StringLiterals;

void Analyzer::mnuOpen_Click() {
    const std::optional<QString> path =
        m_env.dialogs->chooseLogFile(m_window.get(), m_openDialogPath);
    if (!path)
        return; // cancelled: nothing changes
    m_openDialogPath = *path;
    openLog(*path);
}

void Analyzer::openLog(const QString& path) {
    const QString place = u"frmMain:mnuOpen_Click"_s;
    if (!m_reporter.runStep(place, [&] {
            m_session.chooseLogFile(path);
            m_statistics.reset();
            m_window->clearRows();
        }))
        return;
    m_reporter.runStep(place, [&] { Process(); });
}

void Analyzer::mnuNext_Click() {
    QString next;
    if (!m_reporter.runStep(u"frmMain:mnuNext_Click"_s,
                            [&] { next = nextLogFileName(m_session.FileName); }) ||
        next.isEmpty())
        return;
    if (m_env.dialogs->askYesNo(m_window.get(),
                                u"Switch to "_s + shortenedForMessage(next) + u"?"_s, true))
        m_session.chooseLogFile(next);
}

void Analyzer::mnuHosts_Click() {
    // Opened in the desktop's text editor, without a shell; if that fails, nothing happens.
    // Most users may only read the file: they are told so rather than left to find out.
    const QString& hosts = m_env.hostsFilePath;
    const QFileInfo file(hosts);
    if (file.isFile() && !file.isWritable())
        m_env.dialogs->warn(m_window.get(),
                            u"The hosts file "_s + hosts +
                                u" can only be read here: changing it needs administrator "
                                u"rights. It opens for reading."_s);
    m_env.dialogs->openWithDesktop(hosts);
}

void Analyzer::mnuPreferences_Click() {
    frmPreferences dialog(m_preferences, m_reporter, m_window.get());
    const bool confirmed = dialog.exec() == QDialog::Accepted;
    // OK may have taken over some values before an Abort: apply whatever is there now.
    m_names.setResolveClients(m_preferences.ResolveClients);
    if (confirmed && m_preferences.WebStats && m_preferences.WebLocal)
        offerReportFolder();
}

void Analyzer::mnuNames_Click() {
    if (m_namesDialog) {
        m_namesDialog->raise();
        m_namesDialog->activateWindow();
        return;
    }
    m_namesDialog = new frmNames(
        m_env.namesFilePath, [this] { m_names.LoadNames(m_env.namesFilePath); }, m_window.get());
    m_namesDialog->show();
}

void Analyzer::lvRC5_DblClick() {
    const QString row = m_window->selectedRowKey();
    if (row.isEmpty())
        return;
    const QString key = (m_window->currentTab() == 1 ? Project::OGR : Project::RC5) + row;
    if (frmDetail* open = frmDetail::findOpen(m_window.get(), key)) {
        open->activate();
        return;
    }
    auto* detail = new frmDetail(m_window.get(), *m_env.clock, m_reporter, m_names,
                                 frmDetail::lookupIn(m_statistics), m_env.timerInterval);
    if (!m_reporter.runStep(u"frmMain:lvRC5_DblClick"_s, [&] { detail->ShowDetail(key); }))
        detail->deleteLater();
}
