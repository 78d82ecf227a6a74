#include "Analyzer.h"

#include "Placement.h"
#include "SortedList.h"
#include "Twips.h"
#include "UserDialogs.h"
#include "frmHidden.h"
#include "frmMain.h"

#include "common/Clock.h"
#include "common/WholeFile.h"
#include "common/modGlobals.h"
#include "naming/HostInfoLookup.h"
#include "persistence/QuietSetting.h"
#include "persistence/StatsFile.h"

#include <QApplication>
#include <QFileInfo>
#include <QLabel>
#include <QLockFile>
#include <QScopeGuard>
#include <QTemporaryFile>
#include <QTimer>

using namespace Qt::StringLiterals;

namespace {

std::unique_ptr<IHostLookup> lookupOrDefault(std::unique_ptr<IHostLookup> lookup) {
    return lookup ? std::move(lookup) : std::make_unique<HostInfoLookup>();
}

} // namespace

Analyzer::Analyzer(AnalyzerEnvironment environment, QObject* parent)
    : QObject(parent), m_env(std::move(environment)),
      m_names(lookupOrDefault(std::move(m_env.hostLookup))), m_reporter(*m_env.errorReport),
      m_processor(m_session, m_statistics, *this, m_reporter),
      m_window(std::make_unique<frmMain>(nullptr, m_env.timerInterval)) {
    m_window->setAttribute(Qt::WA_DeleteOnClose, false);
    // Timer1 ticks from now on, but its passes wait for start-up: under the start-up question
    // nothing may be read, counted or written before the user has answered.
    m_window->setRefreshHandler([this] {
        if (m_startedUp)
            Timer1_Timer();
    });
    m_window->setQueryUnloadHandler(
        [this](int unloadMode) { return Form_QueryUnload(unloadMode); });
    connect(m_window.get(), &frmMain::exitRequested, this, &Analyzer::shutDown);
    connect(m_window.get(), &frmMain::openRequested, this, &Analyzer::mnuOpen_Click);
    connect(m_window.get(), &frmMain::nextLogRequested, this, &Analyzer::mnuNext_Click);
    connect(m_window.get(), &frmMain::hostsFileRequested, this, &Analyzer::mnuHosts_Click);
    connect(m_window.get(), &frmMain::preferencesRequested, this, &Analyzer::mnuPreferences_Click);
    connect(m_window.get(), &frmMain::namesRequested, this, &Analyzer::mnuNames_Click);
    connect(m_window.get(), &frmMain::listDoubleClicked, this, &Analyzer::lvRC5_DblClick);
    connect(m_window.get(), &frmMain::exportRequested, this, &Analyzer::mnuExport_Click);
    connect(m_window.get(), &frmMain::quietAlertRequested, this, &Analyzer::mnuQuiet_Click);
}

Analyzer::~Analyzer() = default;

void Analyzer::Form_Load() {
    const QString place = u"frmMain:Form_Load"_s;
    // A step goes on unless Abort ends start-up, or a shut-down came meanwhile (a dialog of
    // start-up lets the event loop run).
    const auto step = [&](auto&& body) {
        return m_reporter.runStep(place, body) && !m_session.IsClosing;
    };

    m_window->Form_Resize();
    for (const PreferenceSetting& setting : preferenceSettings())
        if (!step([&] { readPreference(setting, m_preferences); }))
            return endStartUp({});
    m_names.setResolveClients(m_preferences.ResolveClients);
    m_quietHours = ReadQuietClientHours();
    if (!readPlacement() || m_session.IsClosing)
        return endStartUp({});
    qint32 alwaysLoad = 0;
    if (!step([&] { alwaysLoad = alwaysLoadAtStartUp(); }))
        return endStartUp({});
    if (!lockInstance())
        return;
    m_running = true;

    m_hidden = std::make_unique<frmHidden>(*m_window, m_env.tray);
    connect(m_hidden.get(), &frmHidden::exitRequested, this, &Analyzer::shutDown);
    m_hidden->Form_Load();

    m_session.BufferPos = 1;
    m_statistics.totals.LabInBufRC5 = m_window->labInBuf()->text();
    m_statistics.totals.LabOutBufRC5 = m_window->labOutBuf()->text();
    m_session.LastDate = GetCurrentDate(*m_env.clock);
    m_statistics.clients = ClientTable();
    m_window->show();

    m_names.LoadNames(m_env.namesFilePath);
    if (!loadStats())
        return;

    const std::optional<QString> log = commandLineLog();
    const bool followed = log && !m_session.FileName.isEmpty() &&
                          QFileInfo(m_session.FileName).canonicalFilePath() == *log;
    if (log && !followed) {
        m_openDialogPath = *log;
        openLog(*log);
    } else if (!m_session.FileName.isEmpty()) {
        m_openDialogPath = m_session.FileName;
        // The log asked for on the command line is the one followed: no question.
        if (alwaysLoad == 0 && !followed &&
            !m_env.dialogs->askYesNo(
                m_window.get(),
                u"Do you want to process "_s + shortenedForMessage(m_session.FileName), false)) {
            m_session.FileName.clear();
        } else if (!m_session.IsClosing) {
            Timer1_Timer();
            yieldEvents();
            if (!m_session.IsClosing)
                Process();
        }
    }
    m_startedUp = true;
}

void Analyzer::endStartUp(const QString& message) {
    m_endedEarly = true;
    if (!message.isEmpty())
        m_env.dialogs->warn(nullptr, message);
    shutDown();
}

bool Analyzer::lockInstance() {
    const QString folder = QFileInfo(m_env.lockFilePath).absolutePath();
    const QFileInfo lock(m_env.lockFilePath);
    // QLockFile reads a lock file that is there: a FIFO would block it for ever.
    if ((lock.exists() || lock.isSymLink()) && (!lock.isFile() || lock.size() > 4096)) {
        endStartUp(u"The data folder \"%1\" cannot be used: its lock file is not a regular "
                   u"file."_s.arg(shortenedForMessage(folder)));
        return false;
    }
    m_instanceLock = std::make_unique<QLockFile>(m_env.lockFilePath);
    m_instanceLock->setStaleLockTime(0); // a killed instance leaves a lock that its PID disowns
    if (m_instanceLock->tryLock(0))
        return true;
    const bool heldByAnother = m_instanceLock->error() == QLockFile::LockFailedError;
    m_instanceLock.reset();
    if (heldByAnother) {
        endStartUp(u"Previous instance still running!"_s);
        return false;
    }
    // Not another instance: the folder cannot take the lock file. Say why, as the system does.
    QString reason = u"the lock file cannot be made there"_s;
    if (!QFileInfo(folder).isDir()) {
        reason = QFileInfo::exists(folder) ? u"it is not a folder"_s : u"it cannot be made"_s;
    } else {
        QTemporaryFile probe(folder + u"/.probe-XXXXXX"_s);
        if (!probe.open())
            reason = probe.errorString();
    }
    endStartUp(u"The data folder \"%1\" cannot be written: %2."_s.arg(shortenedForMessage(folder),
                                                                      reason));
    return false;
}

bool Analyzer::loadStats() {
    m_statsLoadAttempted = true;
    const StatsLoad loaded = LoadStatsFile(m_env.statsFilePath, m_session, m_statistics);
    const QString path = shortenedForMessage(m_env.statsFilePath);
    if (loaded.outcome == StatsLoad::Outcome::Unreadable) {
        // Not damaged: it may hold months of counts. Nothing may replace it.
        endStartUp(u"The statistics file \"%1\" cannot be read: %2.\n\nIt is left as it is, and "
                   u"the program ends without saving anything over it."_s.arg(path, loaded.detail));
        return false;
    }
    if (loaded.outcome == StatsLoad::Outcome::Damaged) {
        if (loaded.detail.isEmpty()) {
            endStartUp(u"The statistics file \"%1\" is damaged and could not be kept aside.\n\n"
                       u"The program ends without saving anything over it."_s.arg(path));
            return false;
        }
        m_env.dialogs->warn(
            m_window.get(),
            u"The statistics file \"%1\" is damaged. It was kept as \"%2\", and "
            u"counting starts anew."_s.arg(path, shortenedForMessage(loaded.detail)));
    }
    return !m_session.IsClosing;
}

bool Analyzer::readPlacement() {
    WindowPlacement placement = Placement::current(*m_window, *m_window->lvRC5());
    // Where no position was saved, the window system places the window.
    const SettingsStore store;
    const bool positionSaved = store.storedText(SettingsKey::Common, SettingsKey::Left) ||
                               store.storedText(SettingsKey::Common, SettingsKey::Top);

    for (const auto& read :
         placementReadSteps(SettingsKey::Common, SettingsKey::ListView, placement))
        if (!m_reporter.runStep(u"frmMain:Form_Load"_s, read))
            return false;
    m_placementRead = placement;

    // What was read is applied, each value on its own, as far as the window takes it, and
    // so that the window can be seen.
    const Placement::WindowGeometry geometry =
        Placement::visibleGeometry(placement, m_window->usableMinimumSize());
    if (positionSaved && geometry.position)
        m_window->setGeometry(QRect(*geometry.position, geometry.size));
    else
        m_window->resize(geometry.size);
    m_window->setWindowState(Placement::stateFlags(placement.windowState));
    for (int column = 0; column < frmMain::ColumnCount; ++column)
        m_reporter.runStep(u"frmMain:Form_Load"_s, [&] {
            m_window->setColumnWidthTwips(column, placement.columns[column]);
        });
    m_reporter.runStep(u"frmMain:Form_Load"_s, [&] { m_window->setSortKey(placement.sortKey); });
    m_reporter.runStep(u"frmMain:Form_Load"_s,
                       [&] { m_window->setSortOrder(placement.sortOrder); });
    return true;
}

void Analyzer::savePlacement() {
    if (!m_placementRead)
        return; // only what start-up read may be written back
    WindowPlacement placement = Placement::current(*m_window, *m_window->lvRC5());
    Placement::keepValuesRead(placement, *m_placementRead);
    m_reporter.runStep(u"frmMain:Form_Unload"_s, [&] {
        saveWindowPlacement(SettingsKey::Common, SettingsKey::ListView, placement);
    });
}

bool Analyzer::Form_QueryUnload(int unloadMode) {
    if (unloadMode != 0 || m_session.IsClosing)
        return false;
    // The close box hides the window; the program goes on in the tray. Without a tray there
    // would be no way back, so there it ends the program as Exit does.
    if (m_hidden && m_hidden->trayAvailable()) {
        m_window->hide();
        return true;
    }
    QTimer::singleShot(0, this, &Analyzer::shutDown);
    return true;
}

void Analyzer::shutDown() {
    if (m_shutDown)
        return;
    m_shutDown = true;
    Form_Unload();
    if (m_window)
        m_window->hide();
    // Whatever is still on the call stack (a processing run in its yield) unwinds first.
    QTimer::singleShot(0, this, &Analyzer::finished);
}

void Analyzer::shutDownUnattended() {
    m_reporter.setUnattended();
    if (!m_shutDown)
        return shutDown();
    if (!m_unloading)
        return; // done already
    // The shut-down under way waits on a dialog (its error report): leave every dialog now;
    // the statistics were saved first.
    tellStandardError(u"ending at once: the shut-down was waiting on a dialog"_s);
    QCoreApplication::exit(0);
}

void Analyzer::Form_Unload() {
    m_session.IsClosing = true;
    m_unloading = true;
    const auto unloaded = qScopeGuard([this] { m_unloading = false; });
    if (!m_endedEarly) {
        // The statistics first: a placement that cannot be written may wait on its error report.
        saveStats();
        savePlacement();
    }
    if (m_hidden)
        m_hidden->Form_Unload();
    // The instance lock stays until the program object goes: a run may still save.
}

void Analyzer::saveStats() {
    // A run still going saves when it reaches the end of its buffer (saveStatsOnClosing).
    if (!m_statsLoadAttempted || !m_running || m_session.IsProcessing())
        return;
    if (!m_session.bufferUsedUp()) {
        // A run ended by Abort left lines unread in its buffer: save the position just after
        // the last line it handed out, and read the rest again at the next start.
        m_session.TextStreamPosition = m_session.positionAfterLastLine();
        m_session.BufferPos = 1;
        m_session.BufferLength = 0;
        m_session.LastModified = QDateTime();
    }
    saveStatsOnClosing();
}

void Analyzer::yieldEvents() {
    // A run yields about once a frame; the list, the costliest thing to paint, is painted at
    // most every PaintMilliseconds and keeps its picture in between (input and timers are
    // served on every yield).
    if (!m_lastPaint.isValid() || m_lastPaint.elapsed() >= PaintMilliseconds) {
        allowRepaint();
        m_lastPaint.start();
    } else {
        m_window->lvRC5()->setUpdatesEnabled(false);
    }
    QCoreApplication::processEvents(QEventLoop::AllEvents);
}

void Analyzer::saveStatsOnClosing() {
    if (m_statsLoadAttempted && m_running && !m_endedEarly &&
        !SaveStatsFile(m_env.statsFilePath, m_session, m_statistics))
        tellStandardError(
            u"the statistics file \"%1\" could not be saved"_s.arg(m_env.statsFilePath));
}

bool Analyzer::Process() {
    const bool anyLine = m_processor.Process();
    if (m_session.IsClosing && !m_session.IsProcessing())
        saveStats(); // closing came during the run, which an error report may have ended early
    if (m_window && !m_session.IsProcessing()) {
        allowRepaint(); // the last picture of the run is painted now
        if (anyLine)
            checkQuietClients(); // the log is read to its end: log time is now
    }
    return anyLine;
}

void Analyzer::allowRepaint() {
    if (!m_window->lvRC5()->updatesEnabled())
        m_window->lvRC5()->setUpdatesEnabled(true);
}
