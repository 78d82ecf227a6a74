#include "Analyzer.h"

#include "Placement.h"
#include "SortedList.h"
#include "Twips.h"
#include "UserDialogs.h"
#include "frmHidden.h"
#include "frmMain.h"

#include "common/Clock.h"
#include "common/modGlobals.h"
#include "naming/HostInfoLookup.h"
#include "persistence/StatsFile.h"

#include <QApplication>
#include <QLabel>
#include <QLockFile>
#include <QTimer>
#include <QTreeWidget>

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
      m_window(std::make_unique<frmMain>()) {
    m_window->setAttribute(Qt::WA_DeleteOnClose, false);
    m_window->setRefreshHandler([this] { Timer1_Timer(); });
    m_window->setQueryUnloadHandler(
        [this](int unloadMode) { return Form_QueryUnload(unloadMode); });
    connect(m_window.get(), &frmMain::exitRequested, this, &Analyzer::Shutdown);
    connect(m_window.get(), &frmMain::openRequested, this, &Analyzer::mnuOpen_Click);
    connect(m_window.get(), &frmMain::nextLogRequested, this, &Analyzer::mnuNext_Click);
    connect(m_window.get(), &frmMain::hostsFileRequested, this, &Analyzer::mnuHosts_Click);
    connect(m_window.get(), &frmMain::preferencesRequested, this, &Analyzer::mnuPreferences_Click);
    connect(m_window.get(), &frmMain::namesRequested, this, &Analyzer::mnuNames_Click);
    connect(m_window.get(), &frmMain::listDoubleClicked, this, &Analyzer::lvRC5_DblClick);
}

Analyzer::~Analyzer() = default;

void Analyzer::Form_Load() {
    const QString place = u"frmMain:Form_Load"_s;
    const auto step = [&](auto&& body) { return m_reporter.runStep(place, body); };
    // Abort in the error report ends start-up; nothing was loaded, so nothing may be saved.
    const auto abortStartUp = [this] {
        m_running = false;
        Shutdown();
    };

    m_window->Form_Resize();
    for (const PreferenceSetting& setting : PreferenceSettings())
        if (!step([&] { ReadPreference(setting, m_preferences); }))
            return abortStartUp();
    m_names.setResolveClients(m_preferences.ResolveClients);
    if (!readPlacement())
        return abortStartUp();
    qint32 alwaysLoad = 0;
    if (!step([&] { alwaysLoad = AlwaysLoadAtStartUp(); }))
        return abortStartUp();

    m_instanceLock = std::make_unique<QLockFile>(m_env.lockFilePath);
    m_instanceLock->setStaleLockTime(0); // a killed instance leaves a lock that its PID disowns
    if (!m_instanceLock->tryLock(0)) {
        m_instanceLock.reset();
        m_env.dialogs->warn(nullptr, u"Previous instance still running!"_s);
        return Shutdown();
    }
    m_running = true;

    m_hidden = std::make_unique<frmHidden>(*m_window, m_reporter, m_env.tray);
    connect(m_hidden.get(), &frmHidden::exitRequested, this, &Analyzer::Shutdown);
    m_hidden->Form_Load();

    m_session.BufferPos = 1;
    m_statistics.Totals.LabInBufRC5 = m_window->labInBuf()->text();
    m_statistics.Totals.LabOutBufRC5 = m_window->labOutBuf()->text();
    m_session.LastDate = GetCurrentDate(*m_env.clock);
    m_statistics.Clients = ClientTable();
    m_window->show();

    m_names.LoadNames(m_env.namesFilePath);
    m_statsLoadAttempted = true;
    LoadStatsFile(m_env.statsFilePath, m_session, m_statistics);

    if (m_session.FileName.isEmpty())
        return;
    m_openDialogPath = m_session.FileName;
    if (alwaysLoad == 0 &&
        !m_env.dialogs->askYesNo(m_window.get(), u"Do you want to process "_s + m_session.FileName,
                                 false)) {
        m_session.FileName.clear();
        return;
    }
    Timer1_Timer();
    YieldEvents();
    if (!m_session.IsClosing)
        Process();
}

bool Analyzer::readPlacement() {
    WindowPlacement placement = Placement::Current(*m_window, *m_window->lvRC5());

    bool completed = true;
    for (const auto& read :
         PlacementReadSteps(SettingsKey::Common, SettingsKey::ListView, placement)) {
        if (!m_reporter.runStep(u"frmMain:Form_Load"_s, read)) {
            completed = false;
            break;
        }
    }
    // What was read is applied, each value on its own, as far as the window takes it.
    m_window->setGeometry(Twips::toPixelsX(placement.Left), Twips::toPixelsY(placement.Top),
                          Twips::toPixelsX(placement.Width), Twips::toPixelsY(placement.Height));
    m_window->setWindowState(Placement::StateFlags(placement.WindowState));
    for (int column = 0; column < frmMain::ColumnCount; ++column)
        m_reporter.runStep(u"frmMain:Form_Load"_s, [&] {
            m_window->setColumnWidthTwips(column, placement.Columns[column]);
        });
    m_reporter.runStep(u"frmMain:Form_Load"_s, [&] { m_window->setSortKey(placement.SortKey); });
    m_reporter.runStep(u"frmMain:Form_Load"_s,
                       [&] { m_window->setSortOrder(placement.SortOrder); });
    return completed;
}

void Analyzer::savePlacement() {
    const WindowPlacement placement = Placement::Current(*m_window, *m_window->lvRC5());
    m_reporter.runStep(u"frmMain:Form_Unload"_s, [&] {
        SaveWindowPlacement(SettingsKey::Common, SettingsKey::ListView, placement);
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
    QTimer::singleShot(0, this, &Analyzer::Shutdown);
    return true;
}

void Analyzer::Shutdown() {
    if (m_shutDown)
        return;
    m_shutDown = true;
    Form_Unload();
    if (m_window)
        m_window->hide();
    // Whatever is still on the call stack (a processing run in its yield) unwinds first.
    QTimer::singleShot(0, this, &Analyzer::finished);
}

void Analyzer::Form_Unload() {
    m_session.IsClosing = true;
    savePlacement();
    if (m_statsLoadAttempted && m_running && !m_session.IsProcessing()) {
        if (!m_session.BufferUsedUp()) {
            // A run ended by Abort left lines unread in its buffer: save the position just
            // after the last line it handed out, and read the rest again at the next start.
            m_session.TextStreamPosition = m_session.PositionAfterLastLine();
            m_session.BufferPos = 1;
            m_session.BufferLength = 0;
            m_session.LastModified = QDateTime();
        }
        SaveStatsFile(m_env.statsFilePath, m_session, m_statistics);
    }
    // A run still going saves when it reaches the end of its buffer (SaveStatsOnClosing).
    if (m_hidden)
        m_hidden->Form_Unload();
    // The instance lock stays until the program object goes: a run may still save.
}

void Analyzer::YieldEvents() {
    // A run yields every 1000 lines, far more often than a screen shows frames, and painting
    // the list each time would cost more than the counting: between yields less than a frame
    // apart the list keeps its picture (input and timers are served on every yield).
    if (!m_lastPaint.isValid() || m_lastPaint.elapsed() >= FrameMilliseconds) {
        allowRepaint();
        m_lastPaint.start();
    } else {
        m_window->lvRC5()->setUpdatesEnabled(false);
    }
    QCoreApplication::processEvents(QEventLoop::AllEvents);
}

void Analyzer::SaveStatsOnClosing() {
    if (m_statsLoadAttempted && m_running)
        SaveStatsFile(m_env.statsFilePath, m_session, m_statistics);
}

bool Analyzer::Process() {
    const bool anyLine = m_processor.Process();
    if (m_window && !m_session.IsProcessing())
        allowRepaint(); // the last picture of the run is painted now
    return anyLine;
}

void Analyzer::allowRepaint() {
    if (!m_window->lvRC5()->updatesEnabled())
        m_window->lvRC5()->setUpdatesEnabled(true);
}
