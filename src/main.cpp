#include "ui/Analyzer.h"
#include "ui/CommandLine.h"
#include "ui/TerminationSignals.h"
#include "ui/UserDialogs.h"
#include "ui/WindowLook.h"

#include "common/Clock.h"
#include "persistence/AppPaths.h"

#include <QApplication>
#include <QSessionManager>
#include <QTimer>

int main(int argc, char* argv[]) {
    QCoreApplication::setApplicationName(QStringLiteral("Quillmere Log Analyzer"));
    QCoreApplication::setApplicationVersion(QStringLiteral(QLA_VERSION));
    if (const std::optional<int> answered = CommandLine::answerWithoutWindows(argc, argv))
        return *answered;

    QApplication app(argc, argv);
    QGuiApplication::setDesktopFileName(QStringLiteral(QLA_DESKTOP_ID));
    QApplication::setWindowIcon(programIcon());
    // The program's windows set their designed font themselves; the standard file dialog and
    // the message boxes keep the desktop's.
    const QString log = CommandLine::logArgument(app);
    // The window hides into the tray; only Exit (or the end of the session) ends the program.
    QApplication::setQuitOnLastWindowClosed(false);

    Clock clock;
    MessageBoxErrorReport errorReport;
    MessageBoxDialogs dialogs;
    AnalyzerEnvironment environment;
    environment.clock = &clock;
    environment.errorReport = &errorReport;
    environment.dialogs = &dialogs;
    environment.statsFilePath = AppPaths::statsFilePath();
    environment.namesFilePath = AppPaths::namesFilePath();
    environment.lockFilePath = AppPaths::lockFilePath();
    environment.commandLineLog = log;
    Analyzer analyzer(std::move(environment));

    // A service stop or the end of the session: no one is there to answer a dialog.
    TerminationSignals signals;
    QObject::connect(&signals, &TerminationSignals::terminationRequested, &analyzer,
                     &Analyzer::shutDownUnattended);
    QObject::connect(&app, &QGuiApplication::commitDataRequest, &analyzer,
                     [&analyzer](QSessionManager&) { analyzer.shutDownUnattended(); });
    QObject::connect(&app, &QCoreApplication::aboutToQuit, &analyzer,
                     &Analyzer::shutDownUnattended);
    // exit(), not quit(): it also ends the loop of a dialog still open (the start-up question
    // under a SIGTERM), where quit() would first ask every window to close.
    QObject::connect(
        &analyzer, &Analyzer::finished, &app, [] { QCoreApplication::exit(0); },
        Qt::QueuedConnection);

    QTimer::singleShot(0, &analyzer, &Analyzer::Form_Load);
    return app.exec();
}
