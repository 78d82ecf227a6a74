#pragma once

#include "ClientListRefresh.h"
#include "frmNames.h"

#include "common/ErrorReport.h"
#include "naming/ClientNames.h"
#include "persistence/Settings.h"
#include "report/ReportSchedule.h"
#include "stats/ClientTable.h"
#include "stats/LogProcessor.h"
#include "stats/LogSession.h"
#include "stats/QuietClients.h"

#include <QElapsedTimer>
#include <QObject>
#include <QPointer>
#include <QSet>
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
    QString hostsFilePath = QStringLiteral("/etc/hosts");
    /** A log named on the command line: start-up opens it as File, Open does. */
    QString commandLineLog;
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
    /** File, Export list: the visible list as a CSV file the user names. */
    void mnuExport_Click();
    /** Edit, Quiet-client alert: the threshold, saved as "QuietClientHours". */
    void mnuQuiet_Click();
    /** The names dialog while it is open. */
    frmNames* namesDialog() const { return m_namesDialog; }

    frmMain* window() const { return m_window.get(); }
    frmHidden* hiddenWindow() const { return m_hidden.get(); }
    LogSession& session() { return m_session; }
    Statistics& statistics() { return m_statistics; }
    Preferences& preferences() { return m_preferences; }
    ClientNames& names() { return m_names; }
    ErrorReporter& errorReporter() { return m_reporter; }
    const QuietClients& quietClients() const { return m_quiet; }
    /** Hours of silence before a client counts as gone quiet; 0 is off. */
    qint32 quietClientHours() const { return m_quietHours; }
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
    QString currentProject() const;
    /** Reading state and statistics for path, then a processing run: File, Open's work. */
    void openLog(const QString& path);
    /** The command line's log when it is a file to read; the user is told when it is not. */
    std::optional<QString> commandLineLog();
    /** After Preferences' OK: a report folder that cannot take the report is said, once. */
    void offerReportFolder();

    // Clients gone quiet (AnalyzerQuiet.cpp).
    /** Looks for clients gone quiet when no run is reading; alerts and marks them. */
    void checkQuietClients();
    /** Marks the rows of the shown project's quiet clients and unmarks those that returned. */
    void markQuietRows(const QString& project);
    void alertQuietClients(const QStringList& keys);

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
    ClientListRefresh m_listRefresh;
    QPointer<frmNames> m_namesDialog;
    QString m_openDialogPath; ///< the file name the Open dialog starts with
    QString m_exportFolder;   ///< where the Export dialog starts
    QuietClients m_quiet;
    qint32 m_quietHours = QuietClients::DefaultHours;
    QSet<QString> m_markedRows; ///< keys of the rows marked quiet
    struct ShortPath {
        QString path;
        int width = -1;
        QString text;
    };
    mutable ShortPath m_shortPath; ///< the last path shortened for status panel 1
    QElapsedTimer m_lastPaint;     ///< when a run last let the window repaint
    static constexpr qint64 PaintMilliseconds = 40;
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
