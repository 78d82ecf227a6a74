// The desktop's conventions in the running program: keys, a log from the command line, a client
// gone quiet (never in a backlog, announced once, marked until it returns), Export list, the
// report folder offered on Preferences' OK, and the hosts file that can only be read.
#include "support/FakeDialogs.h"
#include "support/FakeTray.h"
#include "support/Fakes.h"

#include "persistence/Settings.h"
#include "report/ReportSchedule.h"
#include "ui/Analyzer.h"
#include "ui/frmMain.h"

#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QPushButton>
#include <QSignalSpy>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>

#include <sys/stat.h>

using namespace Qt::StringLiterals;

namespace {

QByteArray line(const char* client, const char* time, int blocks = 1) {
    return "12/06/26 "_ba + time + " Client " + client + " --> sent rc5 " +
           QByteArray::number(blocks) + " blocks\r\r\n";
}

/** The running program with fakes outside, its timer ticking every second. */
struct Program {
    explicit Program(const QString& folder, const QString& log = {}) {
        AnalyzerEnvironment environment;
        environment.clock = &clock;
        environment.errorReport = &errors;
        environment.dialogs = &dialogs;
        environment.tray = &tray;
        environment.hostLookup = std::make_unique<FakeHostLookup>();
        environment.statsFilePath = folder + u"/qla.bin"_s;
        environment.namesFilePath = folder + u"/qla.nam"_s;
        environment.lockFilePath = folder + u"/qla.lock"_s;
        environment.hostsFilePath = folder + u"/hosts"_s;
        environment.commandLineLog = log;
        analyzer = std::make_unique<Analyzer>(std::move(environment));
        analyzer->Form_Load();
    }
    frmMain& window() { return *analyzer->window(); }

    FakeClock clock{QDateTime(QDate(2026, 12, 6), QTime(20, 0))}; // the log's clock: 18:00
    ScriptedErrorReport errors;
    FakeDialogs dialogs;
    FakeTrayPlatform tray;
    std::unique_ptr<Analyzer> analyzer;
};

} // namespace

class TestDesktop : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void init() {
        QFile::remove(SettingsStore().fileName());
        SaveSetting(SettingsKey::Common, "ResolveClients"_L1, u"0"_s);
        SaveSetting(SettingsKey::Common, "Refresh Rate"_L1, u"1"_s);
        m_dir = std::make_unique<QTemporaryDir>();
        m_log = m_dir->filePath(u"conlog.log"_s);
    }

    void keysReachTheirCommands() {
        frmMain window;
        window.show();
        QVERIFY(QTest::qWaitForWindowActive(&window));
        QSignalSpy opened(&window, &frmMain::listDoubleClicked);
        window.addRow(u"a"_s, u"=a\tb"_s)->setText(frmMain::ColTotalBlocks, u"    12"_s);
        window.addRow(u"b"_s, u"b"_s);
        window.lvRC5()->setFocus();
        QTest::keyClick(window.lvRC5(), Qt::Key_Return); // nothing selected: nothing opens
        window.lvRC5()->selectAll();
        QTest::keyClick(window.lvRC5(), Qt::Key_C, Qt::ControlModifier);
        QCOMPARE(QGuiApplication::clipboard()->text(), u"'=a b\t12\t\t\t\nb\t\t\t\t\n"_s);
        QTest::keyClick(window.lvRC5(), Qt::Key_Enter);
        QCOMPARE(opened.size(), 1);
        const QList<std::pair<QKeyCombination, int>> tabKeys = {
            {Qt::CTRL | Qt::Key_Tab, 1},
            {Qt::CTRL | Qt::Key_Tab, 0},
            {Qt::CTRL | Qt::SHIFT | Qt::Key_Tab, 1},
            {Qt::CTRL | Qt::Key_PageUp, 0},
            {Qt::CTRL | Qt::Key_PageDown, 1},
        };
        for (const auto& [key, tab] : tabKeys) {
            QTest::keyClick(window.lvRC5(), key.key(), key.keyboardModifiers());
            QCOMPARE(window.currentTab(), tab);
        }
    }

    void quietClientsInLogTime() {
        // A backlog: "a" is silent for seven hours in the middle (refresh passes fall there),
        // then returns before the end.
        QByteArray backlog = line("a", "01:00:00");
        for (int i = 0; i < 1500; ++i)
            backlog += line("b", "08:00:00");
        QVERIFY(writeFile(m_log, backlog + line("a", "09:00:00")));
        Program p(m_dir->path(), m_log); // the log named on the command line is opened
        QCOMPARE(p.analyzer->session().CurrentLine, 1502);
        QVERIFY(p.dialogs.notices.isEmpty());

        // Live: "a" stops again; the next runs find it, announce it once and mark its row.
        QVERIFY(writeFile(m_log, backlog + line("a", "09:00:00") + line("b", "15:01:00")));
        QTRY_COMPARE(p.dialogs.notices.size(), 1);
        QVERIFY(p.dialogs.notices.first().startsWith(u"a has returned no RC5 blocks"_s));
        QTRY_VERIFY(frmMain::rowMarked(p.window().findRow(u"a"_s)));
        QVERIFY(!frmMain::rowMarked(p.window().findRow(u"b"_s)));
        p.window().tabMain()->setCurrentIndex(1); // rows made anew keep their marks
        p.window().tabMain()->setCurrentIndex(0);
        QTRY_VERIFY(frmMain::rowMarked(p.window().findRow(u"a"_s)));
        QFile log(m_log);
        QVERIFY(log.open(QIODevice::Append));
        log.write(line("b", "16:00:00"));
        log.flush();
        QTRY_COMPARE(p.analyzer->session().LastTime, u"16:00:00"_s);
        QCOMPARE(p.dialogs.notices.size(), 1);
        log.write(line("a", "16:30:00"));
        log.flush();
        QTRY_VERIFY(!frmMain::rowMarked(p.window().findRow(u"a"_s)));
    }

    void commandLineLogThatCannotBeRead_data() {
        QTest::addColumn<QString>("name");
        QTest::newRow("missing") << u"missing.log"_s;
        QTest::newRow("a FIFO") << u"fifo.log"_s;
        QTest::newRow("a folder") << u"folder.log"_s;
    }
    void commandLineLogThatCannotBeRead() {
        QFETCH(QString, name);
        QVERIFY(::mkfifo(QFile::encodeName(m_dir->filePath(u"fifo.log"_s)), 0600) == 0);
        QVERIFY(QDir(m_dir->path()).mkdir(u"folder.log"_s));
        Program p(m_dir->path(), m_dir->filePath(name));
        QCOMPARE(p.dialogs.warnings.size(), 1);
        QVERIFY(p.analyzer->session().FileName.isEmpty());
        QVERIFY(p.window().isVisible());
    }

    void exportList() {
        QVERIFY(writeFile(m_log, line("=x", "17:00:00", 5)));
        Program p(m_dir->path(), m_log);
        const QString csv = m_dir->filePath(u"list.csv"_s);
        p.dialogs.exportFiles = {csv, csv + u"/x.csv"_s};
        p.analyzer->mnuExport_Click();
        QCOMPARE(p.dialogs.suggestedExports,
                 QStringList{QDir::home().filePath(u"quillmere-RC5-2026-12-06.csv"_s)});
        QVERIFY(readFile(csv).contains("\r\n'=x,5,5,"));
        p.analyzer->mnuExport_Click(); // into a "folder" that is a file: said, not lost
        QCOMPARE(p.dialogs.warnings.size(), 1);
        QVERIFY(p.dialogs.warnings.first().startsWith(u"The list could not be exported to "_s));
    }

    void reportFolderOfferedOnPreferencesOk() {
        Program p(m_dir->path());
        Preferences& preferences = p.analyzer->preferences();
        preferences.WebStats = preferences.WebLocal = true;
        preferences.WebFolder = u"~/reports"_s;
        const QString folder = QDir::home().filePath(u"reports"_s);
        QDir(folder).removeRecursively();
        QCOMPARE(ReportSchedule::ReportFolder(preferences), folder);
        p.dialogs.answers = {true};
        QTimer::singleShot(0, [] {
            QApplication::activeModalWidget()->findChild<QPushButton*>(u"cmdOk"_s)->click();
        });
        p.analyzer->mnuPreferences_Click();
        QCOMPARE(p.dialogs.questions.size(), 1);
        QVERIFY(p.dialogs.questions.first().contains(folder));
        QVERIFY(QFileInfo(folder).isDir());
    }

    void hostsFileThatCanOnlyBeRead() {
        Program p(m_dir->path());
        QVERIFY(writeFile(m_dir->filePath(u"hosts"_s), "127.0.0.1 localhost\n"));
        p.analyzer->mnuHosts_Click();
        QVERIFY(p.dialogs.warnings.isEmpty());
        // Read-only even for root, who runs the suite in CI.
        QVERIFY(QDir().mkpath(m_dir->path() + u"/ro"_s));
        QVERIFY(QFile::link(u"/proc/sys/kernel/osrelease"_s, m_dir->filePath(u"ro/hosts"_s)));
        Program q(m_dir->path() + u"/ro"_s);
        q.analyzer->mnuHosts_Click();
        QCOMPARE(q.dialogs.warnings.size(), 1);
        QCOMPARE(p.dialogs.opened.size() + q.dialogs.opened.size(), 2);
    }

private:
    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_log;
};

QTEST_MAIN(TestDesktop)
#include "test_desktop.moc"
