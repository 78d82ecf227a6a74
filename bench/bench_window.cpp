// What the main window costs on top of the counting engine, each figure beside its target:
//   - refresh passes over 5,000 clients: nothing changed, only the clock's second moved, one
//     client counted (median of many passes, a fixed clock);
//   - counting a large log with the real window doing its refresh passes and event-loop yields,
//     against the headless engine on the same log in the same run: web report off, on at the
//     default rate (30) and on at rate 1 (with the number of report writes);
//   - a log naming 100,000 distinct clients: once it is read, the processor time the idle
//     program uses with its one-second timer ticking, and its resident memory per client.
// The platform is the one QT_QPA_PLATFORM names (offscreen when unset); bench/run-all runs this
// once offscreen and once on xcb under Xvfb.
//
//   bench_window [LOG] [--runs N] [--only passes|count|clients] [--clients N]
#include "common/Clock.h"
#include "common/ErrorReport.h"
#include "common/modGlobals.h"
#include "naming/IHostLookup.h"
#include "stats/LogProcessor.h"
#include "stats/LogSession.h"
#include "ui/Analyzer.h"
#include "ui/UserDialogs.h"
#include "ui/frmMain.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QSocketNotifier>
#include <QTemporaryDir>
#include <QTimer>

#include <sys/inotify.h>
#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <vector>

using namespace Qt::StringLiterals;

namespace {

class IgnoreErrors : public IErrorReport {
public:
    ErrorAnswer ask(const RunTimeError&, const QString&) override { return ErrorAnswer::Ignore; }
};

class ChooseFile : public IUserDialogs {
public:
    QString file;
    void warn(QWidget*, const QString&) override {}
    bool askYesNo(QWidget*, const QString&, bool) override { return true; }
    std::optional<QString> chooseLogFile(QWidget*, const QString&) override { return file; }
    std::optional<QString> chooseExportFile(QWidget*, const QString&) override { return {}; }
    void inform(QWidget*, const QString&) override {}
    bool openWithDesktop(const QString&) override { return false; }
};

/** A LAN without reverse names: every lookup answers "no name" from the event loop. */
class NoNames : public IHostLookup {
public:
    bool startLookup(quint32, Answer answer) override {
        QTimer::singleShot(0, [answer = std::move(answer)] { answer(QString()); });
        return true;
    }
};

class NoWindow : public IProcessHost {
public:
    void refreshPass() override {}
    void yieldEvents() override {}
    void saveStatsOnClosing() override {}
};

/** A clock that stands still until the benchmark moves it. */
class SetClock : public Clock {
public:
    QDateTime now() const override { return current; }
    QDateTime current = QDateTime(QDate::currentDate(), QTime(12, 0, 0));
};

QString g_folder; ///< settings, data folder and logs of this run

struct Program {
    explicit Program(Clock* clockToUse = nullptr, bool startUp = false) {
        AnalyzerEnvironment environment;
        environment.clock = clockToUse ? clockToUse : &clock;
        environment.errorReport = &errors;
        environment.dialogs = &dialogs;
        environment.hostLookup = std::make_unique<NoNames>();
        environment.statsFilePath = g_folder + u"/bench.bin"_s;
        environment.namesFilePath = g_folder + u"/bench.nam"_s;
        environment.lockFilePath = g_folder + u"/bench.lock"_s;
        QFile::remove(environment.statsFilePath);
        analyzer = std::make_unique<Analyzer>(std::move(environment));
        if (startUp) {
            analyzer->Form_Load(); // the settings of the run, and the timer's passes from now on
        } else {
            analyzer->window()->Timer1()->stop();
            analyzer->window()->show();
        }
    }
    Clock clock;
    IgnoreErrors errors;
    ChooseFile dialogs;
    std::unique_ptr<Analyzer> analyzer;
};

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

double millisecondsOf(const std::function<void()>& work) {
    QElapsedTimer timer;
    timer.start();
    work();
    return double(timer.nsecsElapsed()) / 1e6;
}

void refreshPasses() {
    SetClock clock;
    Program p(&clock);
    Analyzer& a = *p.analyzer;
    a.preferences().RefreshRate = 1000000; // the passes only refresh
    const QByteArray today = GetCurrentDate(clock).toLatin1();
    for (int i = 0; i < 5000; ++i) {
        const QByteArray name =
            "10." + QByteArray::number(i / 250) + ".0." + QByteArray::number(i % 250);
        a.statistics().IncrementClient(QLatin1StringView(name), QLatin1StringView(today),
                                       "08:00:00"_L1, i % 50 + 1, "RC5"_L1);
    }
    a.Timer1_Timer(); // builds the rows
    constexpr int Passes = 301;
    std::vector<double> unchanged, secondMoved, oneChanged;
    for (int i = 0; i < Passes; ++i)
        unchanged.push_back(millisecondsOf([&] { a.Timer1_Timer(); }));
    for (int i = 0; i < Passes; ++i) {
        clock.current = clock.current.addSecs(1);
        secondMoved.push_back(millisecondsOf([&] { a.Timer1_Timer(); }));
    }
    for (int i = 0; i < Passes; ++i) {
        a.statistics().IncrementClient("10.1.0.7"_L1, QLatin1StringView(today), "08:00:01"_L1, 1,
                                       "RC5"_L1);
        oneChanged.push_back(millisecondsOf([&] { a.Timer1_Timer(); }));
    }
    std::printf("refresh pass, 5000 clients, nothing changed:   %7.3f ms  (target < 0.5 ms)\n",
                median(unchanged));
    std::printf("refresh pass, 5000 clients, second moved:      %7.3f ms  (the one-second tick)\n",
                median(secondMoved));
    std::printf("refresh pass, 5000 clients, one client counted: %6.3f ms  (target < 10 ms)\n",
                median(oneChanged));
    // Sorted by "Total blocks", the counted client's row moves.
    a.window()->setSortKey(frmMain::ColTotalBlocks);
    std::vector<double> oneMoved;
    for (int i = 0; i < Passes; ++i) {
        a.statistics().IncrementClient("10.1.0.7"_L1, QLatin1StringView(today), "08:00:01"_L1, 1,
                                       "RC5"_L1);
        oneMoved.push_back(millisecondsOf([&] { a.Timer1_Timer(); }));
    }
    std::printf("refresh pass, 5000 clients, one client counted, sorted by its total: %.3f ms\n",
                median(oneMoved));
}

/** Counts the report pages put in place in a folder (a new page is renamed over the old). */
class ReportWrites {
public:
    explicit ReportWrites(const QString& folder) {
        m_fd = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
        inotify_add_watch(m_fd, QFile::encodeName(folder).constData(),
                          IN_MOVED_TO | IN_CLOSE_WRITE);
        m_notifier = std::make_unique<QSocketNotifier>(m_fd, QSocketNotifier::Read);
        QObject::connect(m_notifier.get(), &QSocketNotifier::activated, [this] { drain(); });
    }
    ~ReportWrites() {
        m_notifier.reset();
        ::close(m_fd);
    }
    int count() {
        drain();
        return m_count;
    }

private:
    void drain() {
        alignas(inotify_event) char buffer[64 * 1024];
        for (;;) {
            const ssize_t n = ::read(m_fd, buffer, sizeof buffer);
            if (n <= 0)
                return;
            for (ssize_t at = 0; at < n;) {
                const auto* event = reinterpret_cast<const inotify_event*>(buffer + at);
                if (event->len > 0 && qstrcmp(event->name, "Index.htm") == 0)
                    ++m_count;
                at += ssize_t(sizeof(inotify_event) + event->len);
            }
        }
    }
    int m_fd = -1;
    int m_count = 0;
    std::unique_ptr<QSocketNotifier> m_notifier;
};

struct WindowedRun {
    double seconds = 1e9;
    int reportWrites = 0;
};

WindowedRun countWithWindow(const QString& log, bool webStats, int webRate, int runs) {
    WindowedRun best;
    for (int run = 0; run < runs; ++run) {
        const QString web = g_folder + u"/web"_s;
        QDir(web).removeRecursively();
        QDir().mkpath(web);
        Program p;
        Preferences& preferences = p.analyzer->preferences();
        preferences.RefreshRate = 1000000;
        preferences.WebStats = webStats;
        preferences.WebRefreshRate = webRate;
        preferences.WebLocal = true;
        preferences.WebFolder = web;
        ReportWrites writes(web);
        p.dialogs.file = log;
        const double seconds = millisecondsOf([&] { p.analyzer->mnuOpen_Click(); }) / 1e3;
        if (seconds < best.seconds)
            best = {seconds, writes.count()};
    }
    return best;
}

void countLog(const QString& log, int runs) {
    const double megabytes = double(QFileInfo(log).size()) / 1e6;
    double headless = 1e9;
    qint32 lines = 0;
    for (int run = 0; run < runs; ++run) {
        LogSession session;
        Statistics statistics;
        IgnoreErrors errors;
        ErrorReporter reporter(errors);
        NoWindow host;
        LogProcessor processor(session, statistics, host, reporter);
        session.chooseLogFile(log);
        headless = std::min(headless, millisecondsOf([&] { processor.Process(); }) / 1e3);
        lines = session.CurrentLine;
    }
    std::printf("headless engine: %.3f s, %.0f MB/s, %d lines (best of %d)\n", headless,
                megabytes / headless, lines, runs);
    const WindowedRun off = countWithWindow(log, false, 30, runs);
    std::printf("with the window, web report off:      %.3f s, %.0f MB/s, %.2f of headless "
                "(target >= 0.50)\n",
                off.seconds, megabytes / off.seconds, headless / off.seconds);
    const WindowedRun on30 = countWithWindow(log, true, 30, runs);
    std::printf("with the window, web report rate 30:  %.3f s, %.0f MB/s, %.2f of headless "
                "(target >= 0.50), %d report writes\n",
                on30.seconds, megabytes / on30.seconds, headless / on30.seconds, on30.reportWrites);
    const WindowedRun on1 = countWithWindow(log, true, 1, runs);
    std::printf("with the window, web report rate 1:   %.3f s, %.0f MB/s, %.2f of headless, "
                "%.2fx the web-off time (goal <= 1.5x), %d report writes\n",
                on1.seconds, megabytes / on1.seconds, headless / on1.seconds,
                on1.seconds / off.seconds, on1.reportWrites);
}

double residentKiB() {
    QFile statm(u"/proc/self/statm"_s);
    if (!statm.open(QIODevice::ReadOnly))
        return 0;
    const QList<QByteArray> fields = statm.readAll().split(' ');
    return double(fields.value(1).toLongLong()) * double(sysconf(_SC_PAGESIZE)) / 1024.0;
}

double processorSeconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

void runEventLoop(int milliseconds) {
    QEventLoop loop;
    QTimer::singleShot(milliseconds, &loop, &QEventLoop::quit);
    loop.exec();
}

void manyClients(int clients) {
    // One line each, dated today, so that every row has today's cells and rate.
    const QString log = g_folder + u"/clients-%1.log"_s.arg(clients);
    {
        const QByteArray today = QDate::currentDate().toString(u"MM/dd/yy"_s).toLatin1();
        QFile file(log);
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
            return;
        QByteArray text;
        for (int i = 0; i < clients; ++i)
            text += today + " 00:00:01 Client 10." + QByteArray::number(i >> 16) + '.' +
                    QByteArray::number((i >> 8) & 255) + '.' + QByteArray::number(i & 255) +
                    " --> sent rc5 " + QByteArray::number(i % 40 + 1) + " blocks\r\r\n";
        file.write(text);
    }
    Program p(nullptr, true); // started up: Timer1 ticks every second, as in use
    runEventLoop(1500);
    const double before = residentKiB();
    p.dialogs.file = log;
    const double readSeconds = millisecondsOf([&] { p.analyzer->mnuOpen_Click(); }) / 1e3;
    runEventLoop(3000); // the lookups answered, the view laid out
    const double cpuStart = processorSeconds();
    QElapsedTimer wall;
    wall.start();
    runEventLoop(10000);
    const double idleShare = (processorSeconds() - cpuStart) / (double(wall.nsecsElapsed()) / 1e9);
    const double perClient = (residentKiB() - before) / clients;
    std::printf("%d clients: read with the window in %.2f s\n", clients, readSeconds);
    std::printf("%d clients, idle with the timer ticking: %.2f %% of a core (target < 1 %%)\n",
                clients, idleShare * 100);
    std::printf("%d clients, resident memory per client: %.2f KB (target < 1.5 KB)\n", clients,
                perClient * 1.024); // KiB to KB
}

QString optionValue(const QStringList& arguments, const QString& option, const QString& fallback) {
    const qsizetype at = arguments.indexOf(option);
    return at >= 0 && at + 1 < arguments.size() ? arguments[at + 1] : fallback;
}

} // namespace

int main(int argc, char* argv[]) {
    QTemporaryDir folder;
    if (!folder.isValid())
        return 1;
    g_folder = folder.path();
    // The settings and data folders of this run only.
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(g_folder + u"/config"_s));
    qputenv("XDG_DATA_HOME", QFile::encodeName(g_folder + u"/data"_s));
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const QStringList arguments = app.arguments();
    const QString only = optionValue(arguments, u"--only"_s, {});
    const int runs = std::max(1, optionValue(arguments, u"--runs"_s, u"1"_s).toInt());
    const int clients = std::max(1, optionValue(arguments, u"--clients"_s, u"100000"_s).toInt());
    QString log;
    for (int i = 1; i < arguments.size(); ++i) {
        if (arguments[i].startsWith(u"--"_s))
            ++i;
        else
            log = arguments[i];
    }

    std::printf("platform: %s\n", qPrintable(QGuiApplication::platformName()));
    if (only.isEmpty() || only == u"passes"_s)
        refreshPasses();
    if (!log.isEmpty() && (only.isEmpty() || only == u"count"_s))
        countLog(log, runs);
    if (only.isEmpty() || only == u"clients"_s)
        manyClients(clients);
    return 0;
}
