// The running program as the main window drives it, Timer1 ticking throughout: start-up and its
// question, refresh passes, the commands, and shut-down with and without a run under way.
#include "support/Gui.h"

#include "persistence/Settings.h"
#include "persistence/StatsFile.h"
#include "ui/frmDetail.h"
#include "ui/frmHidden.h"
#include "ui/frmNames.h"

#include <QApplication>
#include <QPushButton>
#include <QScreen>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTimer>

#include <sys/stat.h>

using namespace Qt::StringLiterals;

namespace {

/** Waits for a few ticks of the program's timer: what a user would see happen meanwhile. */
void letTimerTick(Program& p) {
    QSignalSpy ticks(p.window().Timer1(), &QTimer::timeout);
    QTRY_VERIFY(ticks.size() >= 3);
}

} // namespace

class TestAnalyzer : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void init() {
        QDir(QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation))
            .removeRecursively();
        m_dir = std::make_unique<QTemporaryDir>();
        m_log = m_dir->filePath(u"conlog01.log"_s);
        m_stats = m_dir->filePath(u"qla.bin"_s);
        SaveSetting(SettingsKey::Common, "ResolveClients"_L1, u"0"_s);
    }

    void firstStart() {
        Program p(m_dir->path());
        p.analyzer->Form_Load();
        QVERIFY(p.window().isVisible() && p.tray.shown && p.dialogs.questions.isEmpty());
        QVERIFY(!p.window().testAttribute(Qt::WA_Moved)); // the window system places it
        QCOMPARE(readFile(m_dir->filePath(u"qla.nam"_s)), QByteArray()); // made empty
        QTRY_COMPARE(p.window().statusPanel(3)->text(),
                     u" 12/06/26 "_s); // today, until a line is read
        QCOMPARE(p.window().labInBuf()->text() + p.window().labOutBuf()->text() + p.column(0),
                 u"00"_s);
        p.window().tabMain()->setCurrentIndex(1); // no OGR status line yet: empty, not "0"
        QCOMPARE(p.window().labInBuf()->text() + p.window().labOutBuf()->text(), QString());
        QVERIFY(writeFile(m_log, manyReturns(0, 2500) + logLine("rc564 r=<i>9</i>, w=12")));
        p.open(m_log);
        QCOMPARE(p.column(0), QString()); // OGR's tab shows no RC5 client
        p.window().tabMain()->setCurrentIndex(0);
        QCOMPARE(p.window().lvRC5()->model()->rowCount(), 11); // ten clients and "<All-clients>"
        QCOMPARE(p.window().labInBuf()->text(), u"<i>9</i>"_s);
        QCOMPARE(p.window().labInBuf()->textFormat(), Qt::PlainText); // log text is never markup
        QVERIFY(p.window().lvRC5()->updatesEnabled()); // the run's last picture is painted
        p.window().showMinimized(); // hidden by the next tick: the tray is the way back
        QTRY_VERIFY(!p.window().isVisible());
        p.analyzer->hiddenWindow()->mnuShow_Click();
        QVERIFY(p.window().isVisible() && !p.window().isMinimized());
        QVERIFY(!p.window().close() && !p.window().isVisible() &&
                p.analyzer->isRunning()); // the close box
        p.analyzer->shutDown();
        QVERIFY(!p.tray.shown);
    }

    void askingBeforeProcessing() {
        QVERIFY(writeFile(m_log, manyReturns(0, 10)));
        for (const int run : {1, 2, 3, 4}) {
            Program p(m_dir->path());
            p.dialogs.whileAsked = [&] { letTimerTick(p); }; // nothing is read before the answer
            p.analyzer->Form_Load();
            if (run == 1)
                p.open(m_log);
            if (run == 2) // "AlwaysLoad" absent: goes on without asking
                QVERIFY(p.dialogs.questions.isEmpty() && p.analyzer->session().CurrentLine == 20);
            if (run == 3) { // asked; No leaves the statistics on screen and follows no log
                QCOMPARE(p.dialogs.questions, QStringList{u"Do you want to process "_s + m_log});
                QVERIFY(p.analyzer->session().FileName.isEmpty() &&
                        p.analyzer->session().CurrentLine == 20);
                QTRY_COMPARE(p.window().lvRC5()->model()->rowCount(), 11);
                p.analyzer->mnuOpen_Click(); // starts at the saved log; cancelled: nothing changes
                QCOMPARE(p.dialogs.presets, QStringList{m_log});
            }
            if (run == 4) // no log saved: no question, nothing read
                QVERIFY(p.dialogs.questions.isEmpty());
            QCOMPARE(p.analyzer->statistics().totals.ClientsTotalRC5,
                     blocksOf(0, run == 1 ? 10 : 20));
            p.analyzer->shutDown();
            QVERIFY(writeFile(m_log, manyReturns(10 * run, 10), true));
            if (run == 2)
                SaveSetting(SettingsKey::Common, SettingsKey::AlwaysLoad, u"0"_s);
        }
        LogSession longName; // a path of a megabyte is shortened in the question
        longName.FileName = QString(1 << 20, u'x') + u"/conlog01.log"_s;
        QVERIFY(SaveStatsFile(m_stats, longName, Statistics()));
        Program s(m_dir->path());
        s.analyzer->Form_Load();
        QVERIFY(s.dialogs.questions.value(0).size() < 300 &&
                s.dialogs.questions.value(0).endsWith(u"/conlog01.log"_s));
    }

    void exitDuringARun_data() {
        QTest::addColumn<bool>("abort");
        QTest::addRow("Exit in the run's yield") << false;
        QTest::addRow("Exit after an Abort") << true;
    }
    void exitDuringARun() {
        QFETCH(bool, abort);
        const QByteArray big = returnLine("a", 2000000000);
        QVERIFY(writeFile(m_log, abort ? manyReturns(0, 2) + big + big + manyReturns(4, 6)
                                       : manyReturns(0, 6000)));
        {
            Program p(m_dir->path());
            p.analyzer->Form_Load();
            QSignalSpy finished(p.analyzer.get(), &Analyzer::finished);
            if (!abort) // Exit is chosen while the run yields after its first line
                QTimer::singleShot(0, p.analyzer.get(), &Analyzer::shutDown);
            p.open(m_log); // with an Abort: line 4 overflows
            QCOMPARE(p.errors.places, abort ? QStringList{u"frmMain:Process"_s} : QStringList());
            if (abort)
                p.analyzer->shutDown();
            QVERIFY(finished.wait(1000));
            QVERIFY(!p.analyzer->session().IsProcessing());
        }
        LogSession saved;
        Statistics statistics;
        QVERIFY(LoadStatsFile(m_stats, saved, statistics));
        QVERIFY(saved.LastModified.isNull()); // the next start opens the log again
        const QByteArray read = readFile(m_log).left(saved.TextStreamPosition - 1);
        QVERIFY(read.endsWith('\n') &&
                read.size() < QFileInfo(m_log).size()); // stopped at a line end
        QCOMPARE(saved.CurrentLine, read.count('\n'));
        QCOMPARE(statistics.totals.ClientsTotalRC5,
                 abort ? blocksOf(0, 2) + 2000000000 : blocksOf(0, saved.CurrentLine));
        Program q(m_dir->path());
        q.analyzer->Form_Load(); // nothing lost, nothing twice
        QCOMPARE(q.analyzer->statistics().totals.ClientsTotalRC5,
                 abort ? blocksOf(0, 2) + 2000000000 + blocksOf(4, 6) : blocksOf(0, 6000));
    }

    void startUpThatEndsEarlyWritesNothing_data() {
        QTest::addColumn<QString>("hurdle");
        QTest::addColumn<QString>("message"); // how the message starts; %1 the folder or file
        QTest::addRow("second instance") << u"instance"_s << u"Previous instance still running!"_s;
        QTest::addRow("data folder a file")
            << u"folder"_s << u"The data folder \"%1\" cannot be written: it is not a folder."_s;
        QTest::addRow("stats file a FIFO")
            << u"fifo"_s
            << u"The statistics file \"%1\" cannot be read: it is not a regular file."_s;
        QTest::addRow("Abort in the error report") << u"abort"_s << QString();
    }
    void startUpThatEndsEarlyWritesNothing() {
        QFETCH(QString, hurdle);
        QFETCH(QString, message);
        std::optional<Program> first; // started before the report is switched on: writes none
        if (hurdle == u"instance"_s) {
            QVERIFY(QDir().mkpath(m_dir->filePath(u"first"_s)));
            first.emplace(m_dir->filePath(u"first"_s), m_dir->path()); // holds the lock
            first->analyzer->Form_Load();
        }
        QVERIFY(writeFile(m_log, manyReturns(0, 5)));
        LogSession saved; // a log to read and a report to write on every tick
        saved.FileName = m_log;
        QVERIFY(SaveStatsFile(m_stats, saved, Statistics()));
        for (const char* key : {"WebStats", "WebRefreshRate", "Refresh Rate"})
            SaveSetting(SettingsKey::Common, QLatin1StringView(key), u"1"_s);
        SaveSetting(SettingsKey::Common, "WebFolder"_L1, m_dir->path());
        const QString lockFolder =
            hurdle == u"folder"_s ? m_dir->filePath(u"file"_s) : m_dir->path();
        if (hurdle == u"folder"_s)
            QVERIFY(writeFile(lockFolder, "x"));
        if (hurdle == u"fifo"_s)
            QVERIFY(QFile::remove(m_stats) &&
                    mkfifo(QFile::encodeName(m_stats).constData(), 0600) == 0);
        if (hurdle == u"abort"_s)
            SaveSetting(SettingsKey::Common, "Refresh Rate"_L1, u"abc"_s);
        const QByteArray settings = readFile(SettingsStore().fileName());
        struct stat before {
        }, after{};
        ::stat(QFile::encodeName(m_stats).constData(), &before); // a save puts a new file there
        {
            Program p(m_dir->path(), lockFolder);
            p.dialogs.whileAsked = p.errors.whileOpen = [&] { letTimerTick(p); };
            QSignalSpy finished(p.analyzer.get(), &Analyzer::finished);
            p.analyzer->Form_Load();
            QVERIFY(finished.wait(1000));
            QCOMPARE(p.dialogs.warnings.size(), message.isEmpty() ? 0 : 1);
            QVERIFY(p.dialogs.warnings.value(0).startsWith(
                message.contains(u'%') ? message.arg(hurdle == u"fifo"_s ? m_stats : lockFolder)
                                       : message));
        }
        ::stat(QFile::encodeName(m_stats).constData(), &after);
        QVERIFY(readFile(SettingsStore().fileName()) == settings && after.st_ino == before.st_ino);
        QVERIFY(!QFile::exists(m_dir->filePath(u"Index.htm"_s)));
        QVERIFY(!first ||
                (first->analyzer->isRunning() && first->window().isVisible())); // it goes on
    }

    void placementWrittenBackAsRead_data() {
        QTest::addColumn<QString>("key"); // section/key=text, and whether the text gives a window
        QTest::addColumn<bool>("kept");   // that can be seen, so is written back as it was
        QTest::addRow("left") << u"Common/Left=1000"_s << true;
        QTest::addRow("height with a fraction") << u"Common/Height=4000.5"_s << true;
        QTest::addRow("column") << u"ListView/Col1=1801"_s << true;
        QTest::addRow("width 0") << u"Common/Width=0"_s << false;
        QTest::addRow("height 5e10") << u"Common/Height=5e10"_s << false;
        QTest::addRow("far left") << u"Common/Left=-1e9"_s << false;
    }
    void placementWrittenBackAsRead() {
        QFETCH(QString, key);
        QFETCH(bool, kept);
        const QString section = key.section(u'/', 0, 0),
                      name = key.section(u'/', 1).section(u'=', 0, 0);
        SaveSetting(section, name, key.section(u'=', 1));
        {
            Program p(m_dir->path());
            p.analyzer->Form_Load();
            const QRect shown = p.window().geometry();
            QVERIFY(shown.width() >= p.window().usableMinimumSize().width() &&
                    shown.intersects(QGuiApplication::primaryScreen()->availableGeometry()));
            p.analyzer->shutDown();
        }
        QCOMPARE(GetSetting(section, name) == key.section(u'=', 1), kept);
    }

    void refreshPasses() {
        SaveSetting(SettingsKey::Common, "ResolveClients"_L1, u"1"_s);
        QVERIFY(writeFile(m_log, returnLine("10.0.0.20", 5) + returnLine("10.0.0.10", 3) +
                                     returnLine("zeta", 1) +
                                     logLine("Client b --> sent rc5 4 blocks", "12/05/26")));
        Program p(m_dir->path());
        p.clock.current =
            QDateTime(QDate(2026, 12, 6), QTime(3, 0, 0)); // 01:00:00 on the log's clock
        p.analyzer->Form_Load();
        p.open(m_log);
        QCOMPARE(p.column(0), u"10.0.0.10|10.0.0.20|<All-clients>*|b|zeta"_s);
        for (int c = 1; c < frmMain::ColumnCount; ++c)
            QVERIFY(p.column(c).contains(u'*')); // the whole row of "<All-clients>" is bold
        QCOMPARE(p.lookup->requests.size(), 2);  // the dotted addresses, each once
        QCOMPARE(cell(p.window(), u"zeta"_s, 2) + cell(p.window(), u"zeta"_s, 3),
                 u"     1      73"_s); // 262144 / 3600
        QCOMPARE(cell(p.window(), u"b"_s, 2) + u'|' + cell(p.window(), u"b"_s, 3) + u'|' +
                     cell(p.window(), u"b"_s, 4),
                 u"      |      |12/05/26 08:00:00"_s); // nothing today
        QCOMPARE(p.window().statusPanel(3)->text(), u" 12/05/26 "_s);
        QVERIFY(p.window().statusPanel(1)->text().endsWith(u"conlog01.log (4)"_s));

        // A late host name rewrites the row in place: no re-sort, although sorted by it.
        p.lookup->answer(1, u"zz.lan"_s); // 10.0.0.10
        p.lookup->answer(0, u"aa.lan"_s); // 10.0.0.20
        QTRY_COMPARE(p.column(0), u"zz.lan|aa.lan|<All-clients>*|b|zeta"_s);
        p.window().setSortKey(
            frmMain::ColTotalBlocks); // a changed cell of the sort column re-sorts
        p.window().setSortOrder(1);
        QVERIFY(writeFile(m_log, returnLine("zeta", 7), true));
        QTRY_COMPARE(p.column(0), u"<All-clients>*|zeta|aa.lan|b|zz.lan"_s);
        p.analyzer->preferences().ResolveClients = false; // the option off shows addresses
        p.analyzer->names().setResolveClients(false);
        QTRY_COMPARE(p.column(0), u"<All-clients>*|zeta|10.0.0.20|b|10.0.0.10"_s);

        // Every "Refresh Rate"-th tick reads, and shows "\" before the time of the latest line.
        p.analyzer->preferences().RefreshRate = 3;
        QList<int> reads;
        for (int tick = 0; tick < 9; ++tick) {
            QVERIFY(writeFile(m_log, returnLine("zeta", 1, "09:00:0" + QByteArray::number(tick)),
                              true));
            const qint32 line = p.analyzer->session().CurrentLine;
            p.analyzer->Timer1_Timer();
            if (p.analyzer->session().CurrentLine != line)
                reads << tick;
            QCOMPARE(p.window().statusPanel(2)->text().left(12),
                     reads.contains(tick)
                         ? u" 01:00:00\\09"_s
                         : u" 01:00:00/"_s + p.analyzer->session().LastTime.left(2));
        }
        QCOMPARE(reads.size(), 3);
        QCOMPARE(QList<int>({reads[1] - reads[0], reads[2] - reads[1]}), QList<int>({3, 3}));
        const QString rate = cell(p.window(), u"zeta"_s, 3);
        p.clock.current = QDateTime(QDate(2026, 12, 6), QTime(2, 0, 0)); // the shifted midnight
        QTRY_COMPARE(p.window().statusPanel(2)->text().left(9), u" 00:00:00"_s);
        QTRY_COMPARE(cell(p.window(), u"zeta"_s, 2), u"    17"_s);
        QCOMPARE(cell(p.window(), u"zeta"_s, 3), rate); // no rate at 0 seconds: kept
    }

    void tabsAndTheNextLog() {
        QVERIFY(writeFile(m_log, returnLine("a", 3) + logLine("ogr r=17, w=4") +
                                     logLine("c: completed ogr stub 1") +
                                     logLine("server <-- flush of ogr stubs: 3").repeated(2)));
        Program p(m_dir->path());
        p.analyzer->Form_Load();
        p.open(m_log);
        QCOMPARE(p.column(0), u"<All-clients>*|a"_s);
        p.window().tabMain()->setCurrentIndex(1);
        QCOMPARE(p.column(0) + u' ' + p.window().labInBuf()->text() + u' ' +
                     p.window().labOutBuf()->text() + u' ' + p.window().labClients()->text() +
                     u' ' + p.window().labUplink()->text(),
                 u"<All-clients>*|c 17 4 1 2"_s);
        p.dialogs.answers = {false, true};
        p.analyzer->mnuNext_Click(); // No: nothing changes
        const QString next = m_dir->filePath(u"conlog02.log"_s);
        QCOMPARE(p.dialogs.questions, QStringList{u"Switch to "_s + next + u"? [?]"_s});
        QCOMPARE(p.analyzer->session().FileName, m_log);
        p.analyzer->mnuNext_Click();
        QVERIFY(p.analyzer->session().FileName == next &&
                p.analyzer->session().TextStreamPosition == 1);
        QVERIFY(writeFile(m_log, returnLine("a", 100), true)); // the old log is no longer read
        letTimerTick(p); // the next one is not there yet: waited for
        QVERIFY(writeFile(next, returnLine("a", 4)));
        QTRY_COMPARE(p.analyzer->statistics().totals.ClientsTotalRC5, 7); // counting goes on
        QCOMPARE(p.dialogs.presets, QStringList{QString()}); // Open's dialog keeps its own path
        p.open(m_log);                                       // Open counts afresh
        QCOMPARE(p.column(0) + u' ' + p.window().labInBuf()->text() + u' ' +
                     p.window().labUplink()->text(),
                 u"<All-clients>*|c 17 2"_s);
        QCOMPARE(p.analyzer->statistics().totals.ClientsTotalRC5, 103);
        p.analyzer->session().FileName = u"/tmp/nodot"_s;
        p.errors.answers = {ErrorAnswer::Ignore};
        p.analyzer->mnuNext_Click();
        QCOMPARE(p.errors.texts.value(0).left(37),
                 u"Error: 0x5\r\n\r\nfrmMain:mnuNext_Click\r\n"_s);
    }

    void detailNamesAndReport() {
        QVERIFY(writeFile(m_log, returnLine("a", 3) + logLine("a: completed ogr stub 1") +
                                     returnLine("<b>x</b>", 2)));
        Program p(m_dir->path());
        p.analyzer->Form_Load();
        p.open(m_log);
        selectRow(p.window(), u"a"_s);
        p.analyzer->lvRC5_DblClick();
        p.analyzer->lvRC5_DblClick(); // brings the open one forward
        p.window().tabMain()->setCurrentIndex(1);
        selectRow(p.window(), u"a"_s);
        p.analyzer->lvRC5_DblClick(); // OGR's is another record
        selectRow(p.window(), QString());
        p.analyzer->lvRC5_DblClick(); // nothing selected: nothing happens
        const QList<frmDetail*> details = p.window().findChildren<frmDetail*>();
        QCOMPARE(details.size(), 2);
        QCOMPARE(details[0]->sName() + details[1]->sName() + columnText(details[1]->lvDetail(), 1),
                 u"RC5aOGRa     1*"_s);
        p.analyzer->mnuNames_Click();
        QPointer<frmNames> names = p.analyzer->namesDialog();
        p.analyzer->mnuNames_Click();
        QVERIFY(names && names->isVisible() && p.analyzer->namesDialog() == names.data());

        p.window().tabMain()->setCurrentIndex(0); // the report follows the visible list
        p.analyzer->preferences().WebFolder = m_dir->path();
        p.analyzer->preferences().WebLocal = p.analyzer->preferences().WebStats = true;
        p.analyzer->preferences().WebRefreshRate = 1;
        const QString page = m_dir->filePath(u"Index.htm"_s);
        QTRY_VERIFY(readFile(page).contains("<TD>&lt;b&gt;x&lt;/b&gt;</TD>"));
        QVERIFY(readFile(page).contains("<TD>&lt;All-clients&gt;</TD>") &&
                !readFile(page).contains("<b>x"));
    }

    void errorReportBox_data() {
        QTest::addColumn<int>("answer");
        QTest::addRow("Abort") << int(ErrorAnswer::Abort);
        QTest::addRow("Retry") << int(ErrorAnswer::Retry);
        QTest::addRow("Ignore") << int(ErrorAnswer::Ignore);
    }
    void errorReportBox() {
        QFETCH(int, answer);
        // A descender ("p") over capitals: lines spaced by the declared height would touch.
        const RunTimeError error(ErrorNumber::InvalidPropertyValue,
                                 u"frmMain:ReadProperties\r\nInvalid property value"_s);
        QStringList seen; // the title, the buttons from left to right, the bands of text
        QTimer driver;
        connect(&driver, &QTimer::timeout, this, [&] {
            QWidget* box = QApplication::activeModalWidget();
            if (!box || !box->isVisible())
                return;
            driver.stop();
            QList<QPushButton*> buttons = box->findChildren<QPushButton*>();
            std::sort(buttons.begin(), buttons.end(),
                      [](auto* a, auto* b) { return a->x() < b->x(); });
            seen << box->windowTitle();
            for (QPushButton* button : buttons)
                seen << button->text().remove(u'&');
            for (QLabel* label : box->findChildren<QLabel*>())
                if (label->text() == errorReportText(error, u"frmMain:Process"_s))
                    seen << QString::number(inkBands(label));
            QTest::keyClick(box, Qt::Key_Escape); // no Cancel: neither chooses an answer
            box->close();
            seen << (box->isVisible() ? u"open"_s : u"closed"_s);
            buttons.at(answer)->click();
        });
        driver.start(10);
        QCOMPARE(int(MessageBoxErrorReport().ask(error, u"frmMain:Process"_s)), answer);
        QCOMPARE(seen.join(u' '), u"Quillmere Log Analyzer Abort Retry Ignore 4 open"_s);
    }

private:
    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_log, m_stats;
};

QTEST_MAIN(TestAnalyzer)
#include "test_analyzer.moc"
