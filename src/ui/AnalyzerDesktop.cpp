// What a desktop program is expected to do beyond the design: export the list, open the log
// named on the command line, and say when the web report's folder cannot take the report.
#include "Analyzer.h"

#include "ReportFromList.h"
#include "UserDialogs.h"
#include "frmMain.h"

#include "common/Clock.h"
#include "common/WholeFile.h"
#include "report/FolderCheck.h"
#include "report/ListExport.h"

#include <QDir>
#include <QFileInfo>

using namespace Qt::StringLiterals;

QString Analyzer::currentProject() const {
    return m_window->currentTab() == 1 ? Project::OGR : Project::RC5;
}

void Analyzer::mnuExport_Click() {
    if (m_exportFolder.isEmpty())
        m_exportFolder = QDir::homePath();
    const QString suggested = u"quillmere-%1-%2.csv"_s.arg(
        currentProject(), m_env.clock->now().toString(u"yyyy-MM-dd"_s));
    const std::optional<QString> path =
        m_env.dialogs->chooseExportFile(m_window.get(), QDir(m_exportFolder).filePath(suggested));
    if (!path)
        return;
    m_exportFolder = QFileInfo(*path).absolutePath();
    // The list as it is now: it went on changing while the dialog was open.
    const QByteArray csv =
        ListExport::csvBytes(listReportTable(*m_window), currentProject(), m_env.clock->now());
    QString reason;
    if (!ListExport::writeCsvFile(*path, csv, &reason))
        m_env.dialogs->warn(m_window.get(), u"The list could not be exported to "_s +
                                                shortenedForMessage(*path) + u":\n"_s + reason);
}

std::optional<QString> Analyzer::commandLineLog() {
    if (m_env.commandLineLog.isEmpty())
        return std::nullopt;
    const QFileInfo log(m_env.commandLineLog);
    const QString shown = shortenedForMessage(log.absoluteFilePath());
    if (!log.exists()) {
        m_env.dialogs->warn(m_window.get(), u"The log "_s + shown +
                                                u" does not exist. The program goes on "
                                                u"without it."_s);
        return std::nullopt;
    }
    // A FIFO or a device would be waited on for ever; a folder has no lines.
    if (!log.isFile()) {
        m_env.dialogs->warn(m_window.get(), shown + u" is not a file that can be read as a log. "
                                                    u"The program goes on without it."_s);
        return std::nullopt;
    }
    return log.canonicalFilePath();
}

void Analyzer::offerReportFolder() {
    const QString folder = FolderCheck::expandHome(m_preferences.WebFolder);
    const QString shown = shortenedForMessage(folder);
    const auto tell = [this](const QString& text) { m_env.dialogs->warn(m_window.get(), text); };
    switch (FolderCheck::check(m_preferences.WebFolder)) {
    case FolderCheck::State::Usable:
        return;
    case FolderCheck::State::Empty:
        return tell(u"Web stats are on, but no report folder is given: no report is written "
                    u"until one is."_s);
    case FolderCheck::State::Missing:
        if (!m_env.dialogs->askYesNo(m_window.get(),
                                     u"The report folder "_s + shown +
                                         u" does not exist, so no report can be written "
                                         u"there. Create it now?"_s,
                                     true))
            return;
        if (!QDir().mkpath(folder) || FolderCheck::check(folder) != FolderCheck::State::Usable)
            tell(u"The report folder "_s + shown + u" could not be created."_s);
        return;
    case FolderCheck::State::NotAFolder:
        return tell(shown + u" is not a folder: no report can be written there."_s);
    case FolderCheck::State::NotWritable:
        return tell(u"No report can be written in "_s + shown +
                    u": the folder cannot be written."_s);
    }
}
