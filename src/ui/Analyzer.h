#pragma once

#include "frmNames.h"

#include "common/ErrorReport.h"
#include "naming/ClientNames.h"
#include "persistence/Settings.h"
#include "report/ReportSchedule.h"
#include "stats/ClientTable.h"
#include "stats/LogProcessor.h"
#include "stats/LogSession.h"

#include <QElapsedTimer>
#include <QObject>
#include <QPointer>
#include <QString>

#include <functional>
#include <memory>
#include <optional>

class Clock;
class IHostLookup;
class IUserDialogs;
class QLockFile;
class TrayIcon;
class frmHidden;
class frmMain;

/** What the running program takes from the world outside: real ones in main, fakes in tests. */
struct AnalyzerEnvironment {
    Clock* clock = nullptr;
    IErrorReport* errorReport = nullptr;
    IUserDialogs* dialogs = nullptr;
    TrayIcon* tray = nullptr;                ///< null: the desktop's tray through Qt
    std::unique_ptr<IHostLookup> hostLookup; ///< null: QHostInfo
    QString statsFilePath;
    QString namesFilePath;
    QString lockFilePath;
    int timerInterval = 1000; ///< of Timer1, in milliseconds; tests tick faster
};

/**
 * The running program behind the main window: the log-reading state, the statistics, the
 * preferences and the names, and the main window's handlers — start-up (Form_Load), the
 * one-second refresh (Timer1_Timer), the log processing run, and shut-down (Form_Unload).
 * Everything runs on the one user-interface thread; re-entrancy comes only from the event-loop
 * yields of processing and start-up, guarded by IsProcessing and IsClosing.
 */
class Analyzer : public QObject, private IProcessHost {
    Q_OBJECT
public:
    explicit Analyzer(AnalyzerEnvironment environment, QObject* parent = nullptr);
    ~Analyzer() override;

    /**
     * Start-up: settings, the single-instance check, the tray, names, statistics, the log.
     * Until it has finished, the ticks of Timer1 do nothing. A start-up that ends early (Abort
     * in its error report, a second instance, a data folder or stats file that cannot be used)
     * writes nothing at all: no placement, no stats file, no report.
     */
    void Form_Load();
    /**
     * The shut-down every way out takes (File and tray Exit, the end of the desktop session,
     * SIGTERM): saves statistics and settings, removes the tray icon, then ends the program
     * once whatever is on the call stack has unwound. Runs once.
     */
    void shutDown();
    /**
     * A shut-down that no person started (SIGTERM, the end of the desktop session): as
     * shutDown, but nothing waits on a dialog. What fails is skipped and said on standard
     * error; a shut-down already waiting on a dialog is ended at once.
     */
    void shutDownUnattended();
    /** One refresh pass: maybe a processing run, then the status bar, labels and list. */
    void Timer1_Timer();
    /** Reads and counts what the log gained; true when a line was read. */
    bool Process();

    // The main window's commands.
    void mnuOpen_Click();
    void mnuNext_Click();
    void mnuPreferences_Click();
    void mnuNames_Click();
    void mnuHosts_Click();
    void lvRC5_DblClick();
    /** The names dialog while it is open. */
    frmNames* namesDialog() const { return m_namesDialog; }

    frmMain* window() const { return m_window.get(); }
    frmHidden* hiddenWindow() const { return m_hidden.get(); }
    LogSession& session() { return m_session; }
    Statistics& statistics() { return m_statistics; }
    Preferences& preferences() { return m_preferences; }
    ClientNames& names() { return m_names; }
    ErrorReporter& errorReporter() { return m_reporter; }
    /** The text of status panel 1: the log's path shortened to fit, then " (" line ")". */
    QString MakeStatusText() const;
    /** False when start-up ended early (a second instance): the program is on its way out. */
    bool isRunning() const { return m_running && !m_endedEarly; }

Q_SIGNALS:
    /** Shut-down is done; the program should end (main quits its event loop). */
    void finished();

private:
    // IProcessHost
    void refreshPass() override { Timer1_Timer(); }
    void yieldEvents() override;
    void allowRepaint();
    void saveStatsOnClosing() override;

    bool Form_QueryUnload(int unloadMode);
    void Form_Unload();
    /** Ends start-up early with a message: nothing is written from here on. */
    void endStartUp(const QString& message);
    bool lockInstance();
    bool loadStats();
    bool readPlacement();
    void savePlacement();
    void saveStats();
    void refreshStatusAndLabels(const QString& project);
    void refreshList(const QString& project);

    AnalyzerEnvironment m_env;
    LogSession m_session;
    Statistics m_statistics;
    Preferences m_preferences;
    ClientNames m_names;
    ErrorReporter m_reporter;
    LogProcessor m_processor;
    std::unique_ptr<frmMain> m_window;
    std::unique_ptr<frmHidden> m_hidden;
    std::unique_ptr<QLockFile> m_instanceLock;
    ReportSchedule m_reportSchedule;
    QPointer<frmNames> m_namesDialog;
    QString m_openDialogPath; ///< the file name the Open dialog starts with
    struct ShortPath {
        QString path;
        int width = -1;
        QString text;
    };
    mutable ShortPath m_shortPath; ///< the last path shortened for status panel 1
    QElapsedTimer m_lastPaint;     ///< when a run last let the window repaint
    static constexpr qint64 FrameMilliseconds = 40;
    int m_refreshTickCount = 0;
    /** The placement as start-up read it; none until read (then unload writes none). */
    std::optional<WindowPlacement> m_placementRead;
    bool m_statsLoadAttempted = false; ///< only then may shut-down write the stats file
    bool m_running = false;
    bool m_startedUp = false; ///< start-up has finished: the timer's passes run
    bool m_endedEarly = false;
    bool m_shutDown = false;
    bool m_unloading = false; ///< inside Form_Unload, which may wait on an error report
};
