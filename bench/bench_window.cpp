// The main window's cost: a refresh pass over 5,000 clients (nothing changed; one cell changed),
// and counting a large log with the real window (offscreen) doing its refresh pass and event-loop
// yield every 1000 lines, against the headless engine on the same log in the same run.
//
//   bench_window [LOG]      (without LOG only the refresh passes are measured)
#include "common/Clock.h"
#include "common/ErrorReport.h"
#include "common/modGlobals.h"
#include "stats/LogProcessor.h"
#include "stats/LogSession.h"
#include "ui/Analyzer.h"
#include "ui/UserDialogs.h"
#include "ui/frmMain.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QTimer>

#include <cstdio>

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

class NoWindow : public IProcessHost {
public:
    void refreshPass() override {}
    void yieldEvents() override {}
    void saveStatsOnClosing() override {}
};

struct Program {
    Program() {
        AnalyzerEnvironment environment;
        environment.clock = &clock;
        environment.errorReport = &errors;
        environment.dialogs = &dialogs;
        const QString folder = QDir::tempPath() + QStringLiteral("/qla-bench-window");
        QDir().mkpath(folder);
        environment.statsFilePath = folder + QStringLiteral("/bench.bin");
        environment.namesFilePath = folder + QStringLiteral("/bench.nam");
        environment.lockFilePath = folder + QStringLiteral("/bench.lock");
        analyzer = std::make_unique<Analyzer>(std::move(environment));
        analyzer->window()->Timer1()->stop();
        analyzer->window()->show();
    }
    Clock clock;
    IgnoreErrors errors;
    ChooseFile dialogs;
    std::unique_ptr<Analyzer> analyzer;
};

double millisecondsPerPass(Analyzer& analyzer, int passes) {
    QElapsedTimer timer;
    timer.start();
    for (int i = 0; i < passes; ++i)
        analyzer.Timer1_Timer();
    return double(timer.nsecsElapsed()) / 1e6 / passes;
}

void refreshPasses() {
    Program p;
    Analyzer& a = *p.analyzer;
    a.preferences().RefreshRate = 1000000; // the passes only refresh
    const QByteArray today = GetCurrentDate(p.clock).toLatin1();
    for (int i = 0; i < 5000; ++i) {
        const QByteArray name =
            "10." + QByteArray::number(i / 250) + ".0." + QByteArray::number(i % 250);
        a.statistics().IncrementClient(QLatin1StringView(name), QLatin1StringView(today),
                                       "08:00:00"_L1, i % 50, "RC5"_L1);
    }
    a.Timer1_Timer(); // builds the rows
    const double unchanged = millisecondsPerPass(a, 200);
    std::printf("refresh pass, 5000 clients, nothing changed: %.2f ms (target 5 ms)\n", unchanged);

    double oneChanged = 0;
    for (int i = 0; i < 200; ++i) {
        a.statistics().IncrementClient("10.1.0.7"_L1, QLatin1StringView(today), "08:00:01"_L1, 1,
                                       "RC5"_L1);
        oneChanged += millisecondsPerPass(a, 1);
    }
    std::printf("refresh pass, 5000 clients, one cell changed: %.2f ms (target 10 ms)\n",
                oneChanged / 200);
}

void countLog(const QString& log) {
    const double megabytes = double(QFileInfo(log).size()) / 1e6;
    double headless = 0;
    {
        LogSession session;
        Statistics statistics;
        IgnoreErrors errors;
        ErrorReporter reporter(errors);
        NoWindow host;
        LogProcessor processor(session, statistics, host, reporter);
        session.chooseLogFile(log);
        QElapsedTimer timer;
        timer.start();
        processor.Process();
        headless = double(timer.nsecsElapsed()) / 1e9;
        std::printf("headless engine: %.3f s, %.0f MB/s, %d lines\n", headless,
                    megabytes / headless, session.CurrentLine);
    }
    Program p;
    p.dialogs.file = log;
    QElapsedTimer timer;
    timer.start();
    p.analyzer->mnuOpen_Click();
    const double windowed = double(timer.nsecsElapsed()) / 1e9;
    std::printf("with the window (refresh and yield every 1000 lines): %.3f s, %.0f MB/s, %.2f of "
                "headless (target 0.33)\n",
                windowed, megabytes / windowed, headless / windowed);
}

} // namespace

int main(int argc, char* argv[]) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    refreshPasses();
    if (argc > 1)
        countLog(QString::fromLocal8Bit(argv[1]));
    return 0;
}
