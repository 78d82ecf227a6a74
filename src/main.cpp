#include "ui/Analyzer.h"
#include "ui/TerminationSignals.h"
#include "ui/UserDialogs.h"
#include "ui/WindowLook.h"

#include "common/Clock.h"
#include "persistence/AppPaths.h"

#include <QApplication>
#include <QSessionManager>
#include <QTimer>

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Quillmere Log Analyzer"));
    QApplication::setWindowIcon(programIcon());
    QApplication::setFont(windowFont());
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
