// What a desktop program is expected to do beyond the design: the main window's keys, a log
// from the command line, no quiet-client alert from a backlog, a failed export, the report
// folder on Preferences' OK, a hosts file that can only be read, and the chart of the days.
#include "support/Gui.h"

#include "persistence/Settings.h"
#include "report/ReportSchedule.h"
#include "stats/DaySeries.h"
#include "ui/Analyzer.h"
#include "ui/DayChart.h"
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

#include <sys/stat.h>

using namespace Qt::StringLiterals;

namespace {

QByteArray line(const char* client, const char* time) {
    return "12/06/26 "_ba + time + " Client " + client + " --> sent rc5 1 blocks\r\r\n";
}

} // namespace

class TestDesktop : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void init() {
        QFile::remove(SettingsStore().fileName());
        SaveSetting(SettingsKey::Common, "ResolveClients"_L1, u"0"_s);
        SaveSetting(SettingsKey::Common, "Refresh Rate"_L1, u"1"_s);
        m_dir = std::make_unique<QTemporaryDir>();
    }

    void keysReachTheirCommands() {
        frmMain window;
        window.show();
        QVERIFY(QTest::qWaitForWindowActive(&window));
        window.lvRC5()->setCellText(window.addRow(u"a"_s, u"=a\tb"_s), frmMain::ColTotalBlocks,
                                    u"    12"_s);
        window.addRow(u"b"_s, u"b"_s);
        window.lvRC5()->setFocus();
        window.lvRC5()->selectAll();
        QTest::keyClick(window.lvRC5(), Qt::Key_C, Qt::ControlModifier);
        QCOMPARE(QGuiApplication::clipboard()->text(), u"'=a b\t12\t\t\t\nb\t\t\t\t\n"_s);
        for (const auto& [key, tab] : {std::pair(Qt::CTRL | Qt::Key_Tab, 1),
                                       {Qt::CTRL | Qt::Key_Tab, 0},
                                       {Qt::CTRL | Qt::SHIFT | Qt::Key_Backtab, 1},
                                       {Qt::CTRL | Qt::Key_PageUp, 0},
                                       {Qt::CTRL | Qt::Key_PageDown, 1}}) {
            QTest::keyClick(window.lvRC5(), key.key(), key.keyboardModifiers());
            QCOMPARE(window.currentTab(), tab);
        }
    }

    void noQuietClientFromABacklog() {
        // "a" is silent for seven hours in the middle, where refresh passes fall, and returns.
        QByteArray log = line("a", "01:00:00");
        for (int i = 0; i < 1500; ++i)
            log += line("b", "08:00:00");
        const QString path = m_dir->filePath(u"conlog.log"_s);
        QVERIFY(writeFile(path, log + line("a", "09:00:00")));
        Program p(m_dir->path(), {}, path);
        p.analyzer->Form_Load(); // the log named on the command line is opened
        QCOMPARE(p.analyzer->session().CurrentLine, 1502);
        QVERIFY(p.analyzer->quietClients().quietKeys().isEmpty());
        // Live, "a" stops again: the tray tells it, with the timer ticking.
        QVERIFY(writeFile(path, log + line("a", "09:00:00") + line("b", "15:01:00")));
        QTRY_COMPARE(p.tray.messages.size(), 1);
        QVERIFY(p.tray.messages.first().startsWith(u"a has returned no RC5 blocks"_s));
        QVERIFY(p.dialogs.notices.isEmpty());
    }

    void userIsTold_data() {
        QTest::addColumn<QString>("command");
        QTest::addColumn<int>("warnings");
        QTest::newRow("a missing log") << u"missing.log"_s << 1;
        QTest::newRow("a FIFO for a log") << u"fifo.log"_s << 1;
        QTest::newRow("an export into a file") << u"export"_s << 1;
        QTest::newRow("a hosts file to read only") << u"hosts"_s << 1;
        QTest::newRow("a hosts file to edit") << u"hosts editable"_s << 0;
    }
    void userIsTold() {
        QFETCH(QString, command);
        const QString hosts = m_dir->filePath(u"hosts"_s);
        QVERIFY(::mkfifo(QFile::encodeName(m_dir->filePath(u"fifo.log"_s)), 0600) == 0);
        // Read-only even for root, who runs the suite in CI.
        QVERIFY(command.contains(u"editable"_s)
                    ? writeFile(hosts, "127.0.0.1 localhost\n")
                    : QFile::link(u"/proc/sys/kernel/osrelease"_s, hosts));
        Program p(m_dir->path(), {},
                  command.endsWith(u".log"_s) ? m_dir->filePath(command) : QString());
        p.analyzer->Form_Load();
        p.dialogs.exportFiles = {hosts + u"/list.csv"_s};
        if (command == u"export")
            p.analyzer->mnuExport_Click();
        if (command.startsWith(u"hosts"_s))
            p.analyzer->mnuHosts_Click();
        QTEST(int(p.dialogs.warnings.size()), "warnings");
        QCOMPARE(p.dialogs.opened.size(), command.startsWith(u"hosts"_s) ? 1 : 0);
        QVERIFY(p.analyzer->session().FileName.isEmpty());
    }

    void reportFolderOfferedOnPreferencesOk() {
        Program p(m_dir->path());
        p.analyzer->Form_Load();
        Preferences& preferences = p.analyzer->preferences();
        preferences.WebStats = preferences.WebLocal = true;
        preferences.WebFolder = u"~/reports"_s;
        const QString folder = QDir::home().filePath(u"reports"_s);
        QDir(folder).removeRecursively();
        QCOMPARE(ReportSchedule::reportFolder(preferences), folder);
        p.dialogs.answers = {true};
        QTimer::singleShot(0, [] {
            QApplication::activeModalWidget()->findChild<QPushButton*>(u"cmdOk"_s)->click();
        });
        p.analyzer->mnuPreferences_Click();
        QCOMPARE(p.dialogs.questions.size(), 1);
        QVERIFY(p.dialogs.questions.first().contains(folder));
        QVERIFY(QFileInfo(folder).isDir());
    }

    void chartBarsByDate_data() {
        QTest::addColumn<QString>("days");
        QTest::addColumn<QString>("bars");
        QTest::newRow("one day") << u"12/06/26:5"_s << u"12/06/26:5*"_s;
        QTest::newRow("a gap, to today")
            << u"12/03/26:3 12/04/26:0"_s << u"12/03/26:3 12/04/26:0 12/05/26:0 12/06/26:0*"_s;
        QTest::newRow("a huge day, out of order")
            << u"12/06/26:1 12/05/26:2147483647"_s << u"12/05/26:2147483647 12/06/26:1*"_s;
        QTest::newRow("not a date") << u"12/06/26:3 13/45/26:4"_s << u"12/06/26:3* 13/45/26:4"_s;
    }
    void chartBarsByDate() {
        QFETCH(QString, days);
        DayHistory history;
        for (const QString& day : days.split(u' ')) {
            const QStringList parts = day.split(u':');
            history.insertOrAssign(parts[0], DayEntry{parts[0], parts[1].toInt()});
        }
        DayChart chart;
        chart.resize(240, 120);
        chart.setBars(DayBars(history, u"12/06/26"_s));
        QStringList words;
        qint64 highest = 0;
        for (const DayBar& bar : chart.bars()) {
            words << bar.date + u':' + QString::number(bar.blocks) +
                         (bar.today ? u"*"_s : QString());
            highest = std::max(highest, bar.blocks);
        }
        QTEST(words.join(u' '), "bars");
        // Every day with blocks has a bar on the axis, the highest up to the top, today's marked.
        const QImage image = chart.grab().toImage();
        const QRect plot = chart.plotRect();
        for (qsizetype i = 0; i < chart.bars().size(); ++i) {
            const DayBar& bar = chart.bars()[i];
            const int x = chart.barColumns(i).first;
            const QColor colour = bar.today ? DayChart::todayColour() : DayChart::barColour();
            QCOMPARE(image.pixelColor(x, plot.bottom()) == colour, bar.blocks > 0);
            QCOMPARE(image.pixelColor(x, plot.top()) == colour, bar.blocks == highest);
            QCOMPARE(image.pixelColor(x, plot.bottom() + 4) == DayChart::todayColour(), bar.today);
        }
    }

private:
    std::unique_ptr<QTemporaryDir> m_dir;
};

QTEST_MAIN(TestDesktop)
#include "test_desktop.moc"
