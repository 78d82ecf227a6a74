// The running program as the main window drives it: start-up, refresh, commands, shut-down.
#include "support/FakeDialogs.h"
#include "support/FakeTray.h"
#include "support/Fakes.h"
#include "support/Ink.h"
#include "support/ListTexts.h"

#include "persistence/Settings.h"
#include "persistence/StatsFile.h"
#include "ui/Analyzer.h"
#include "ui/UserDialogs.h"
#include "ui/frmMain.h"
#include "ui/frmNames.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QLabel>
#include <QPushButton>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <sys/stat.h>

using namespace Qt::StringLiterals;

namespace {

QByteArray logLine(const QByteArray& message, const QByteArray& time = "08:00:00") {
    return "12/06/26 " + time + ' ' + message + "\r\r\n";
}

QByteArray returnLine(const QByteArray& client, int blocks, const QByteArray& time = "08:00:00") {
    return logLine("Client " + client + " --> sent rc5 " + QByteArray::number(blocks) + " blocks",
                   time);
}

/** A log of n returns by ten clients; blocks of line i are i % 7 + 1. */
QByteArray manyReturns(int from, int n) {
    QByteArray log;
    for (int i = from; i < from + n; ++i)
        log += returnLine("10.0.0." + QByteArray::number(i % 10), i % 7 + 1);
    return log;
}

qint32 blocksOf(int from, int n) {
    qint32 sum = 0;
    for (int i = from; i < from + n; ++i)
        sum += i % 7 + 1;
    return sum;
}

void append(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    QVERIFY(file.open(QIODevice::Append));
    QCOMPARE(file.write(bytes), bytes.size());
}

/** A timer interval for tests that let Timer1 tick, as it does from the window's creation. */
constexpr int Tick = 5;

/** One run of the program with fakes for everything outside. */
struct Program {
    /** timerInterval 0 stops Timer1: the test runs the passes itself. */
    explicit Program(const QString& folder, int timerInterval = 0, QString lockFolder = {}) {
        auto fakeLookup = std::make_unique<FakeHostLookup>();
        lookup = fakeLookup.get();
        AnalyzerEnvironment environment;
        environment.clock = &clock;
        environment.errorReport = &errors;
        environment.dialogs = &dialogs;
        environment.tray = &tray;
        environment.hostLookup = std::move(fakeLookup);
        environment.statsFilePath = folder + u"/qla.bin"_s;
        environment.namesFilePath = folder + u"/qla.nam"_s;
        environment.lockFilePath = (lockFolder.isEmpty() ? folder : lockFolder) + u"/qla.lock"_s;
        environment.timerInterval = timerInterval > 0 ? timerInterval : 1000;
        analyzer = std::make_unique<Analyzer>(std::move(environment));
        if (timerInterval == 0)
            analyzer->window()->Timer1()->stop();
    }
    /** Lets Timer1 tick a few times, e.g. while a box is open. */
    void letTimerTick() {
        QSignalSpy ticks(window().Timer1(), &QTimer::timeout);
        QTRY_VERIFY(ticks.count() >= 3);
    }
    frmMain& window() { return *analyzer->window(); }
    SortedList& list() { return *analyzer->window()->lvRC5(); }
    QStringList column(int c) { return columnTexts(list(), c); }

    FakeClock clock{QDateTime(QDate(2026, 12, 6), QTime(10, 0, 0))};
    ScriptedErrorReport errors;
    FakeDialogs dialogs;
    FakeTray tray;
    FakeHostLookup* lookup = nullptr;
    std::unique_ptr<Analyzer> analyzer;
};

} // namespace

class TestAnalyzer : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void init() {
        QDir(QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation))
            .removeRecursively();
        m_dir = std::make_unique<QTemporaryDir>();
        m_log = m_dir->filePath(u"conlog01.log"_s);
        SaveSetting(SettingsKey::Common, "ResolveClients"_L1, u"0"_s);
    }
    void cleanup() { m_dir.reset(); }

    void firstStartWithNothingStored() {
        Program p(m_dir->path());
        p.analyzer->Form_Load();
        QVERIFY(p.window().isVisible());
        QVERIFY(p.dialogs.questions.isEmpty());
        QVERIFY(QFileInfo::exists(m_dir->filePath(u"qla.nam"_s))); // created empty
        QCOMPARE(QFileInfo(m_dir->filePath(u"qla.nam"_s)).size(), 0);
        QVERIFY(p.analyzer->session().FileName.isEmpty());
        QVERIFY(p.tray.shown);                            // the icon went into the tray
        QVERIFY(!p.window().testAttribute(Qt::WA_Moved)); // the window system places it
        p.analyzer->Timer1_Timer();
        QCOMPARE(p.list().rowCount(), 0);
        QCOMPARE(p.window().labInBuf()->text(), u"0"_s);
        QCOMPARE(p.window().labInBuf()->textFormat(), Qt::PlainText);
        // Before the first OGR status line its figures are empty, RC5's are "0".
        p.window().tabMain()->setCurrentIndex(1);
        QCOMPARE(p.window().labInBuf()->text(), QString());
        QCOMPARE(p.analyzer->statistics().totals.LabOutBufRC5, u"0"_s);
    }

    void countsResumeAfterARestartWithoutCountingTwice() {
        append(m_log, manyReturns(0, 2500) + logLine("rc564 r=<i>9</i>, w=12"));
        {
            Program p(m_dir->path());
            p.analyzer->Form_Load();
            p.dialogs.chosenFiles = {m_log};
            p.analyzer->mnuOpen_Click();
            QCOMPARE(p.analyzer->statistics().totals.ClientsTotalRC5, blocksOf(0, 2500));
            QCOMPARE(p.list().rowCount(), 11);  // ten clients and "<All-clients>"
            QVERIFY(p.list().updatesEnabled()); // the run's last picture is painted
            QCOMPARE(p.window().labInBuf()->text(), u"<i>9</i>"_s); // log text is never markup
            // The last line is still being written when the program ends.
            append(m_log, "12/06/26 08:00:00 Client 10.0.0.3 --> sent rc5 5 bl");
            p.analyzer->Process();
            p.analyzer->shutDown();
        }
        append(m_log, "ocks\r\r\n" + manyReturns(2500, 100));
        Program q(m_dir->path());
        q.analyzer->Form_Load(); // "AlwaysLoad" absent: continues without asking
        QVERIFY(q.dialogs.questions.isEmpty());
        QCOMPARE(q.analyzer->statistics().totals.ClientsTotalRC5, blocksOf(0, 2600) + 5);
        QCOMPARE(q.analyzer->session().CurrentLine, 2500 + 1 + 1 + 100);
        QCOMPARE(q.dialogs.presets, QStringList()); // the Open dialog was not needed
    }

    void askingBeforeProcessing() {
        append(m_log, manyReturns(0, 10));
        {
            Program p(m_dir->path());
            p.analyzer->Form_Load();
            p.dialogs.chosenFiles = {m_log};
            p.analyzer->mnuOpen_Click();
            p.analyzer->shutDown();
        }
        append(m_log, manyReturns(10, 10));
        SaveSetting(SettingsKey::Common, SettingsKey::AlwaysLoad, u"0"_s);
        {
            Program q(m_dir->path());
            q.dialogs.answers = {false};
            q.analyzer->Form_Load();
            QCOMPARE(q.dialogs.questions, QStringList{u"Do you want to process "_s + m_log});
            QCOMPARE(q.dialogs.questionIcons, QList<bool>{false});
            QVERIFY(q.analyzer->session().FileName.isEmpty());
            q.analyzer->Timer1_Timer(); // the loaded statistics are shown, nothing is read
            QCOMPARE(q.analyzer->statistics().totals.ClientsTotalRC5, blocksOf(0, 10));
            QCOMPARE(q.list().rowCount(), 11);
            q.dialogs.chosenFiles = {std::nullopt};
            q.analyzer->mnuOpen_Click(); // the dialog starts at the saved log; cancelled: no change
            QCOMPARE(q.dialogs.presets, QStringList{m_log});
            QCOMPARE(q.list().rowCount(), 11);
            q.analyzer->shutDown();
        }
        {
            Program r(m_dir->path());
            r.analyzer->Form_Load(); // no log saved: no question, nothing read
            QVERIFY(r.dialogs.questions.isEmpty());
            QCOMPARE(r.analyzer->statistics().totals.ClientsTotalRC5, blocksOf(0, 10));
        }
        // A file name of a megabyte is shortened in the question.
        LogSession longName;
        longName.FileName = QString(1 << 20, u'x') + u"/conlog01.log"_s;
        QVERIFY(SaveStatsFile(m_dir->filePath(u"qla.bin"_s), longName, Statistics()));
        Program s(m_dir->path());
        s.analyzer->Form_Load();
        const QString question = s.dialogs.questions.value(0);
        QVERIFY(question.size() < 300 && question.endsWith(u"/conlog01.log"_s));
    }

    void exitWhileABacklogIsRead() {
        append(m_log, manyReturns(0, 6000));
        {
            Program p(m_dir->path());
            p.analyzer->Form_Load();
            QSignalSpy finished(p.analyzer.get(), &Analyzer::finished);
            p.dialogs.chosenFiles = {m_log};
            // Exit is chosen while the run yields to the event loop after its first line.
            QTimer::singleShot(0, p.analyzer.get(), &Analyzer::shutDown);
            p.analyzer->mnuOpen_Click();
            QVERIFY(finished.wait(1000));
            QVERIFY(!p.analyzer->session().IsProcessing());
        }
        LogSession saved;
        Statistics statistics;
        QVERIFY(LoadStatsFile(m_dir->filePath(u"qla.bin"_s), saved, statistics));
        QVERIFY(saved.LastModified.isNull()); // the next start opens the log again
        const qint64 consumed = saved.TextStreamPosition - 1;
        QVERIFY(consumed > 0 && consumed < QFileInfo(m_log).size()); // stopped at a buffer boundary
        QFile log(m_log);
        QVERIFY(log.open(QIODevice::ReadOnly));
        const int linesRead = int(log.read(consumed).count('\n'));
        QCOMPARE(saved.CurrentLine, linesRead);
        QCOMPARE(statistics.totals.ClientsTotalRC5, blocksOf(0, linesRead));

        Program q(m_dir->path());
        q.analyzer->Form_Load();
        QCOMPARE(q.analyzer->statistics().totals.ClientsTotalRC5, blocksOf(0, 6000));
    }

    void exitAfterAbortSavesAfterTheLastLineRead() {
        append(m_log, manyReturns(0, 2) + returnLine("10.0.0.1", 2000000000) +
                          returnLine("10.0.0.1", 2000000000) + manyReturns(4, 6));
        {
            Program p(m_dir->path());
            p.analyzer->Form_Load();
            p.dialogs.chosenFiles = {m_log};
            p.errors.answers = {ErrorAnswer::Abort};
            p.analyzer->mnuOpen_Click(); // line 4 overflows: Abort
            QCOMPARE(p.errors.places, QStringList{u"frmMain:Process"_s});
            QCOMPARE(p.analyzer->session().CurrentLine, 4);
            QVERIFY(!p.analyzer->session().IsProcessing());
            p.analyzer->shutDown();
        }
        Program q(m_dir->path());
        q.analyzer->Form_Load(); // reads on after line 4: nothing lost, nothing twice
        QCOMPARE(q.analyzer->statistics().totals.ClientsTotalRC5,
                 blocksOf(0, 2) + 2000000000 + blocksOf(4, 6));
        QCOMPARE(q.analyzer->session().CurrentLine, 10);
    }

    void startUpThatEndsEarlyWritesNothing_data() {
        QTest::addColumn<QString>("hurdle");
        QTest::addColumn<QString>("message"); // how the message shown starts; %1 is the path
        QTest::addRow("data folder not writable")
            << u"folder"_s << u"The data folder \"%1\" cannot be written: it is not a folder."_s;
        QTest::addRow("stats file unreadable")
            << u"fifo"_s
            << u"The statistics file \"%1\" cannot be read: it is not a regular file."_s;
        QTest::addRow("Abort in the error report") << u"abort"_s << QString();
    }
    void startUpThatEndsEarlyWritesNothing() {
        QFETCH(QString, hurdle);
        QFETCH(QString, message);
        // A saved log to read and a report to write on every tick.
        const QString stats = m_dir->filePath(u"qla.bin"_s);
        append(m_log, manyReturns(0, 5));
        LogSession saved;
        saved.FileName = m_log;
        QVERIFY(SaveStatsFile(stats, saved, Statistics()));
        for (const char* key : {"WebStats", "WebRefreshRate", "Refresh Rate"})
            SaveSetting(SettingsKey::Common, QLatin1StringView(key), u"1"_s);
        SaveSetting(SettingsKey::Common, "WebFolder"_L1, m_dir->path());
        QString lockFolder = m_dir->path();
        if (hurdle == u"folder"_s)
            QVERIFY(writeFile(lockFolder = m_dir->filePath(u"file"_s), "x"));
        if (hurdle == u"fifo"_s)
            QVERIFY(QFile::remove(stats) &&
                    mkfifo(QFile::encodeName(stats).constData(), 0600) == 0);
        if (hurdle == u"abort"_s)
            SaveSetting(SettingsKey::Common, "Refresh Rate"_L1, u"abc"_s);
        const QString settings = SettingsStore().fileName();
        const QByteArray settingsBefore = readFile(settings);
        const auto inode = [&] {
            struct stat info {};
            return ::stat(QFile::encodeName(stats).constData(), &info) == 0 ? info.st_ino : 0;
        };
        const ino_t statsBefore = inode(); // a save puts a new file in its place

        Program p(m_dir->path(), Tick, lockFolder);
        p.dialogs.whileAsked = p.errors.whileOpen = [&] { p.letTimerTick(); };
        QSignalSpy finished(p.analyzer.get(), &Analyzer::finished);
        p.analyzer->Form_Load();
        QVERIFY(finished.wait(1000));
        QCOMPARE(p.dialogs.warnings.size(), message.isEmpty() ? 0 : 1);
        if (!message.isEmpty())
            QVERIFY2(p.dialogs.warnings[0].startsWith(
                         message.arg(hurdle == u"fifo"_s ? stats : lockFolder)),
                     qPrintable(p.dialogs.warnings[0]));
        p.analyzer.reset();
        QCOMPARE(readFile(settings), settingsBefore);
        QCOMPARE(inode(), statsBefore);
        QVERIFY(!QFile::exists(m_dir->filePath(u"Index.htm"_s)));
    }

    void placementWrittenBackAsRead_data() {
        QTest::addColumn<QString>("key"); // section/key
        QTest::addColumn<QString>("stored");
        QTest::addColumn<bool>("visible"); // the value read gives a window that can be seen
        QTest::addRow("left") << u"Common/Left"_s << u"1000"_s << true;
        QTest::addRow("height with a fraction") << u"Common/Height"_s << u"4000.5"_s << true;
        QTest::addRow("column") << u"ListView/Col1"_s << u"1801"_s << true;
        QTest::addRow("width 0") << u"Common/Width"_s << u"0"_s << false;
        QTest::addRow("height 5e10") << u"Common/Height"_s << u"5e10"_s << false;
        QTest::addRow("far left") << u"Common/Left"_s << u"-1e9"_s << false;
    }
    void placementWrittenBackAsRead() {
        QFETCH(QString, key);
        QFETCH(QString, stored);
        QFETCH(bool, visible);
        const QString section = key.section(u'/', 0, 0);
        key = key.section(u'/', 1);
        SaveSetting(section, key, stored);
        {
            Program p(m_dir->path());
            p.analyzer->Form_Load();
            const QRect shown = p.window().geometry();
            const QSize minimum = p.window().usableMinimumSize();
            QVERIFY(shown.width() >= minimum.width() && shown.height() >= minimum.height());
            QVERIFY(shown.intersects(QGuiApplication::primaryScreen()->availableGeometry()));
            p.analyzer->shutDown();
        }
        // Unchanged where it was read as it can be seen; never written back where it cannot.
        QCOMPARE(GetSetting(section, key) == stored, visible);
    }

    void refreshWritesOnlyWhatChanged() {
        SaveSetting(SettingsKey::Common, "ResolveClients"_L1, u"1"_s);
        append(m_log,
               returnLine("10.0.0.20", 5) + returnLine("10.0.0.10", 3) + returnLine("zeta", 1));
        Program p(m_dir->path());
        p.analyzer->Form_Load();
        p.dialogs.chosenFiles = {m_log};
        p.analyzer->mnuOpen_Click();
        QCOMPARE(p.column(0),
                 (QStringList{u"10.0.0.10"_s, u"10.0.0.20"_s, u"<All-clients>"_s, u"zeta"_s}));
        QCOMPARE(p.lookup->requests.size(), 2); // only the dotted addresses, each once
        p.analyzer->Timer1_Timer();
        QCOMPARE(p.lookup->requests.size(), 2);

        // A late host name rewrites the row in place: no re-sort, although the list is sorted by
        // it.
        p.lookup->answer(1, u"aardvark.lan"_s); // 10.0.0.10
        p.lookup->answer(0, u"zzz.lan"_s);      // 10.0.0.20
        p.analyzer->Timer1_Timer();
        QCOMPARE(p.column(0),
                 (QStringList{u"aardvark.lan"_s, u"zzz.lan"_s, u"<All-clients>"_s, u"zeta"_s}));
        // A changed cell of the sort column, or a new row, re-sorts.
        p.window().setSortKey(frmMain::ColTotalBlocks);
        p.window().setSortOrder(1);
        QCOMPARE(p.column(1), (QStringList{u"     9"_s, u"     5"_s, u"     3"_s, u"     1"_s}));
        append(m_log, returnLine("zeta", 7));
        p.analyzer->Process();
        QCOMPARE(p.column(0),
                 (QStringList{u"<All-clients>"_s, u"zeta"_s, u"zzz.lan"_s, u"aardvark.lan"_s}));
        QVERIFY(shownBold(p.list(), 0, 4));
        QVERIFY(!shownBold(p.list(), 1, 0));

        // The option off shows addresses.
        p.analyzer->preferences().ResolveClients = false;
        p.analyzer->names().setResolveClients(false);
        p.analyzer->Timer1_Timer();
        QCOMPARE(p.column(0),
                 (QStringList{u"<All-clients>"_s, u"zeta"_s, u"10.0.0.20"_s, u"10.0.0.10"_s}));
    }

    void clockTodayAndRate() {
        append(m_log,
               returnLine("a", 10, "08:00:00") +
                   logLine("Client b --> sent rc5 4 blocks").replace("12/06/26", "12/05/26"));
        Program p(m_dir->path());
        p.clock.current =
            QDateTime(QDate(2026, 12, 6), QTime(3, 0, 0)); // 01:00:00 on the log's clock
        p.analyzer->Form_Load();
        p.dialogs.chosenFiles = {m_log};
        p.analyzer->mnuOpen_Click();
        p.analyzer->Timer1_Timer();
        const auto a = [&](int column) { return cellText(p.list(), u"a"_s, column); };
        const auto b = [&](int column) { return cellText(p.list(), u"b"_s, column); };
        QCOMPARE(a(2), u"    10"_s);
        QCOMPARE(a(3), u"     728"_s); // 10 x 262144 / 3600 s
        QCOMPARE(a(4), u"12/06/26 08:00:00"_s);
        QCOMPARE(b(2), u"      "_s); // no blocks today
        QCOMPARE(b(3), u"      "_s);
        QCOMPARE(p.window().statusPanel(3)->text(), u" 12/05/26 "_s);
        QVERIFY(p.window().statusPanel(1)->text().endsWith(u"conlog01.log (2)"_s));

        // The reading tick shows "\", the others "/".
        p.analyzer->preferences().RefreshRate = 2;
        p.analyzer->Timer1_Timer();
        QCOMPARE(p.window().statusPanel(2)->text(), u" 01:00:00\\08:00:00 "_s);
        p.analyzer->Timer1_Timer();
        QCOMPARE(p.window().statusPanel(2)->text(), u" 01:00:00/08:00:00 "_s);

        // At the shifted midnight the rate cell keeps what it had.
        p.clock.current = QDateTime(QDate(2026, 12, 6), QTime(2, 0, 0));
        p.analyzer->Timer1_Timer();
        QCOMPARE(a(3), u"     728"_s);
        QCOMPARE(p.window().statusPanel(2)->text().left(9), u" 00:00:00"_s);
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
        // "Error: 0x17C", an empty line, the place and the two lines of the description.
        QCOMPARE(seen, (QStringList{u"Quillmere Log Analyzer"_s, u"Abort"_s, u"Retry"_s,
                                    u"Ignore"_s, u"4"_s, u"open"_s}));
    }

    void tabChangeShowsTheOtherProject() {
        append(m_log, returnLine("a", 3) + logLine("ogr r=17, w=4") +
                          logLine("c: completed ogr stub 1") +
                          logLine("server <-- flush of ogr stubs: 3"));
        Program p(m_dir->path());
        p.analyzer->Form_Load();
        p.dialogs.chosenFiles = {m_log};
        p.analyzer->mnuOpen_Click();
        QCOMPARE(p.column(0), (QStringList{u"<All-clients>"_s, u"a"_s}));
        p.window().tabMain()->setCurrentIndex(1);
        QCOMPARE(p.column(0), (QStringList{u"<All-clients>"_s, u"c"_s}));
        QVERIFY(shownBold(p.list(), 0, 0));
        QCOMPARE(p.window().labInBuf()->text(), u"17"_s);
        QCOMPARE(p.window().labClients()->text(), u"1"_s);
        QCOMPARE(p.window().labUplink()->text(), u"1"_s);
    }

    void switchToTheNextLog() {
        append(m_log, returnLine("a", 3));
        Program p(m_dir->path());
        p.analyzer->Form_Load();
        p.dialogs.chosenFiles = {m_log};
        p.analyzer->mnuOpen_Click();
        p.dialogs.answers = {false, true};
        p.analyzer->mnuNext_Click(); // No: nothing changes
        const QString next = m_dir->filePath(u"conlog02.log"_s);
        QCOMPARE(p.dialogs.questions, QStringList{u"Switch to "_s + next + u"?"_s});
        QCOMPARE(p.dialogs.questionIcons, QList<bool>{true});
        QCOMPARE(p.analyzer->session().FileName, m_log);
        p.analyzer->mnuNext_Click();
        QCOMPARE(p.analyzer->session().FileName, next);
        QCOMPARE(p.analyzer->session().TextStreamPosition, 1);
        QVERIFY(!p.analyzer->Process()); // not there yet: waited for
        append(next, returnLine("a", 4));
        p.analyzer->Process();
        QCOMPARE(p.analyzer->statistics().totals.ClientsTotalRC5, 7); // counting goes on
        QCOMPARE(p.dialogs.presets, QStringList{QString()}); // Open's dialog keeps its own path

        p.analyzer->session().FileName = u"/tmp/nodot"_s;
        p.errors.answers = {ErrorAnswer::Ignore};
        p.analyzer->mnuNext_Click();
        QCOMPARE(p.errors.places, QStringList{u"frmMain:mnuNext_Click"_s});
        QCOMPARE(p.errors.numbers, QList<int>{ErrorNumber::InvalidArgument});
    }

    void detailNamesAndReport() {
        append(m_log,
               returnLine("a", 3) + logLine("a: completed ogr stub 1") + returnLine("<b>x</b>", 2));
        Program p(m_dir->path());
        p.analyzer->Form_Load();
        p.dialogs.chosenFiles = {m_log};
        p.analyzer->mnuOpen_Click();

        // One detail window per record: RC5 and OGR of one client are two; a second
        // double-click brings the open one forward.
        const auto detailWindows = [&] {
            return p.window().findChildren<QWidget*>(u"frmDetail"_s).size();
        };
        p.list().selectRow(p.window().findRow(u"a"_s));
        p.analyzer->lvRC5_DblClick();
        p.analyzer->lvRC5_DblClick();
        QCOMPARE(detailWindows(), 1);
        p.window().tabMain()->setCurrentIndex(1);
        p.list().selectRow(p.window().findRow(u"a"_s));
        p.analyzer->lvRC5_DblClick();
        QCOMPARE(detailWindows(), 2);
        p.list().clearSelection();
        p.list().setCurrentIndex({});
        p.analyzer->lvRC5_DblClick(); // nothing selected: nothing happens
        QCOMPARE(detailWindows(), 2);

        p.analyzer->mnuNames_Click();
        QPointer<frmNames> names = p.analyzer->namesDialog();
        QVERIFY(names && names->isVisible());
        p.analyzer->mnuNames_Click();
        QCOMPARE(p.analyzer->namesDialog(), names.data());

        // The web report follows the visible list on the refresh schedule.
        p.window().tabMain()->setCurrentIndex(0);
        p.analyzer->preferences().WebStats = true;
        p.analyzer->preferences().WebRefreshRate = 1;
        p.analyzer->preferences().WebLocal = true;
        p.analyzer->preferences().WebFolder = m_dir->path();
        p.analyzer->Timer1_Timer();
        QFile page(m_dir->filePath(u"Index.htm"_s));
        QVERIFY(page.open(QIODevice::ReadOnly));
        const QByteArray html = page.readAll();
        QVERIFY(html.contains("&lt;All-clients&gt;"));
        QVERIFY(html.contains("&lt;b&gt;x&lt;/b&gt;"));
        QVERIFY(!html.contains("<b>x"));
    }

private:
    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_log;
};

QTEST_MAIN(TestAnalyzer)
#include "test_analyzer.moc"
