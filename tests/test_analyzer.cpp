// The running program, Timer1 ticking throughout: start-up, refresh passes, the commands, keys,
// messages and shut-down; with them what a pass drives: the re-sort and the chart's days.
#include "support/Gui.h"

#include "persistence/Settings.h"
#include "persistence/StatsFile.h"
#include "report/HtmlReport.h"
#include "stats/DaySeries.h"
#include "ui/ReportFromList.h"
#include "ui/frmDetail.h"
#include "ui/frmHidden.h"
#include "ui/frmNames.h"

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QPushButton>
#include <QScreen>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTimer>

#include <sys/stat.h>

using namespace Qt::StringLiterals;

namespace {

void letTimerTick(Program& p) {
    QSignalSpy ticks(p.window().Timer1(), &QTimer::timeout);
    QTRY_VERIFY(ticks.size() >= 3);
}

QMap<QString, QStringList> rowsByKey(const SortedList& list) {
    QMap<QString, QStringList> rows;
    for (int position = 0; position < list.rowCount(); ++position)
        rows.insert(list.rowKey(list.rowAt(position)),
                    shownRow(list, position) << (shownBold(list, position, 0) ? u"bold"_s : u""_s));
    return rows;
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
        frmMain& w = p.window();
        QVERIFY(w.isVisible() && p.tray.shown && p.dialogs.questions.isEmpty());
        QVERIFY(!w.testAttribute(Qt::WA_Moved)); // the window system places it
        QCOMPARE(readFile(m_dir->filePath(u"qla.nam"_s)), QByteArray()); // made empty
        QTRY_COMPARE(w.statusPanel(3)->text(), u" 12/06/26 "_s); // today, until a line is read
        QCOMPARE(w.labInBuf()->text() + w.labOutBuf()->text() + p.column(0), u"00"_s);
        w.tabMain()->setCurrentIndex(1); // no OGR status line yet: empty, not "0"
        QCOMPARE(w.labInBuf()->text() + w.labOutBuf()->text(), QString());
        QVERIFY(writeFile(m_log, manyReturns(0, 2500) + logLine("rc564 r=<i>9</i>, w=12")));
        p.open(m_log);
        QCOMPARE(p.column(0), QString()); // OGR's tab shows no RC5 client
        w.tabMain()->setCurrentIndex(0);
        QCOMPARE(w.lvRC5()->model()->rowCount(), 11); // ten clients and "<All-clients>"
        QCOMPARE(w.labInBuf()->text() + w.labOutBuf()->text(), u"<i>9</i>12"_s); // plain text
        QVERIFY(w.labInBuf()->textFormat() == Qt::PlainText && w.lvRC5()->updatesEnabled());
        w.showMinimized(); // hidden by the next tick: the tray is the way back
        QTRY_VERIFY(!w.isVisible());
        p.analyzer->hiddenWindow()->mnuShow_Click();
        QVERIFY(w.isVisible() && !w.isMinimized());
        QVERIFY(!w.close() && !w.isVisible() && p.analyzer->isRunning()); // the close box
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

    void exitAfterAnAbort() {
        // Line 4 overflows; Exit after the Abort saves at the line end, to be opened again.
        const QByteArray big = returnLine("a", 2000000000);
        QVERIFY(writeFile(m_log, manyReturns(0, 2) + big + big + manyReturns(4, 6)));
        {
            Program p(m_dir->path());
            p.analyzer->Form_Load();
            QSignalSpy finished(p.analyzer.get(), &Analyzer::finished);
            p.open(m_log);
            QCOMPARE(p.errors.places, QStringList{u"frmMain:Process"_s});
            p.analyzer->shutDown();
            QVERIFY(finished.wait(1000) && !p.analyzer->session().IsProcessing());
        }
        LogSession saved;
        Statistics statistics;
        QVERIFY(LoadStatsFile(m_stats, saved, statistics));
        const QByteArray read = readFile(m_log).left(saved.TextStreamPosition - 1);
        QVERIFY(saved.LastModified.isNull() && read.endsWith('\n') &&
                read.size() < QFileInfo(m_log).size());
        QCOMPARE(saved.CurrentLine, read.count('\n'));
        QCOMPARE(statistics.totals.ClientsTotalRC5, blocksOf(0, 2) + 2000000000);
        Program q(m_dir->path());
        q.analyzer->Form_Load(); // nothing lost, nothing twice
        QCOMPARE(q.analyzer->statistics().totals.ClientsTotalRC5,
                 blocksOf(0, 2) + 2000000000 + blocksOf(4, 6));
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
            first.emplace(m_dir->filePath(u"first"_s), m_dir->path());
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
        struct stat before = {}, after = {};
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
    }

    void placementWrittenBackAsRead_data() {
        QTest::addColumn<QString>("key"); // key=text in "Common", and whether the text gives a
        QTest::addColumn<bool>("kept");   // window that can be seen, so is written back as it was
        QTest::addRow("left") << u"Left=1000"_s << true;
        QTest::addRow("height with a fraction") << u"Height=4000.5"_s << true;
        QTest::addRow("width 0") << u"Width=0"_s << false;
        QTest::addRow("height 5e10") << u"Height=5e10"_s << false;
        QTest::addRow("far left") << u"Left=-1e9"_s << false;
    }
    void placementWrittenBackAsRead() {
        QFETCH(QString, key);
        QFETCH(bool, kept);
        const QString name = key.section(u'=', 0, 0), text = key.section(u'=', 1);
        SaveSetting(SettingsKey::Common, name, text);
        {
            Program p(m_dir->path());
            p.analyzer->Form_Load();
            const QRect shown = p.window().geometry();
            QVERIFY(shown.width() >= p.window().usableMinimumSize().width() &&
                    shown.intersects(QGuiApplication::primaryScreen()->availableGeometry()));
            p.analyzer->shutDown();
        }
        QCOMPARE(GetSetting(SettingsKey::Common, name) == text, kept);
    }

    void refreshPasses() {
        for (const char* key : {"ResolveClients", "WebStats", "WebRefreshRate"})
            SaveSetting(SettingsKey::Common, QLatin1StringView(key), u"1"_s);
        SaveSetting(SettingsKey::Common, "WebFolder"_L1, m_dir->path());
        QVERIFY(writeFile(m_log, returnLine("10.0.0.20", 5) + returnLine("10.0.0.10", 3) +
                                     returnLine("zeta", 1) +
                                     logLine("Client b --> sent rc5 4 blocks", "12/05/26")));
        QSet<QString> rewritten; // keys of the rows a pass rewrote
        Program p(m_dir->path());
        p.clock.current = QDateTime(QDate(2026, 12, 6), QTime(3, 0)); // 01:00 on the log's clock
        p.analyzer->Form_Load();
        p.open(m_log);
        frmMain& w = p.window();
        QCOMPARE(p.column(0), u"10.0.0.10|10.0.0.20|<All-clients>*|b|zeta"_s);
        for (int c = 1; c < frmMain::ColumnCount; ++c)
            QVERIFY(p.column(c).contains(u'*')); // the whole row of "<All-clients>" is bold
        QCOMPARE(p.lookup->requests.size(), 2);  // the dotted addresses, each once
        QCOMPARE(cell(w, u"zeta"_s, 2) + cell(w, u"zeta"_s, 3) + u'|' + cell(w, u"b"_s, 2) + u'|' +
                     cell(w, u"b"_s, 3) + u'|' + cell(w, u"b"_s, 4) + w.statusPanel(3)->text(),
                 u"     1      73|      |      |12/05/26 08:00:00 12/05/26 "_s); // 262144 / 3600
        QVERIFY(w.statusPanel(1)->text().endsWith(u"conlog01.log (4)"_s));

        // A pass rewrites only the rows whose texts change, to what a pass over an emptied list
        // shows; the report of every pass is the list.
        letTimerTick(p);
        SortedList* list = w.lvRC5();
        connect(list->model(), &QAbstractItemModel::dataChanged, this,
                [&rewritten, list](const QModelIndex& top, const QModelIndex& bottom) {
                    for (int position = top.row(); position <= bottom.row(); ++position)
                        rewritten << list->rowKey(list->rowAt(position));
                });
        const auto rewrote = [&](const QStringList& keys) {
            const QSet<QString> expected(keys.begin(), keys.end());
            QTRY_COMPARE(rewritten, expected);
            letTimerTick(p);
            QCOMPARE(rewritten, expected);
            QCOMPARE(readFile(m_dir->filePath(u"Index.htm"_s)),
                     HtmlReport::reportBytes(listReportTable(w)));
            const QMap<QString, QStringList> shown = rowsByKey(*list);
            w.tabMain()->setCurrentIndex(1);
            w.tabMain()->setCurrentIndex(0);
            QCOMPARE(rowsByKey(*list), shown);
            letTimerTick(p);
            rewritten.clear();
        };
        const QStringList today = {u"<All-clients>"_s, u"10.0.0.10"_s, u"10.0.0.20"_s, u"zeta"_s};
        QVERIFY(writeFile(m_dir->filePath(u"qla.nam"_s), "10.0.0.20 pc-two\r\n") &&
                p.analyzer->names().LoadNames(m_dir->filePath(u"qla.nam"_s)));
        rewrote({u"10.0.0.20"_s});
        // A late host name rewrites the row in place: no re-sort, although sorted by it; the
        // names file's name wins over one looked up.
        p.lookup->answer(0, u"aa.lan"_s); // 10.0.0.20
        p.lookup->answer(1, u"zz.lan"_s); // 10.0.0.10
        QTRY_COMPARE(p.column(0), u"zz.lan|<All-clients>*|b|pc-two|zeta"_s);
        rewrote({u"10.0.0.10"_s});
        w.setSortKey(frmMain::ColTotalBlocks); // a changed cell of the sort column re-sorts
        w.setSortOrder(1);
        QVERIFY(writeFile(m_log, logLine("Client zeta --> sent rc5 7 blocks", "12/05/26"), true));
        QTRY_COMPARE(p.column(0), u"<All-clients>*|zeta|pc-two|b|zz.lan"_s);
        rewrote({u"<All-clients>"_s, u"zeta"_s});
        QTimer::singleShot(0, [] { // the option switched off in Preferences shows addresses
            QWidget* box = QApplication::activeModalWidget();
            box->findChild<QCheckBox*>(u"chkResolve"_s)->click();
            box->findChild<QPushButton*>(u"cmdOk"_s)->click();
        });
        p.analyzer->mnuPreferences_Click();
        QTRY_COMPARE(p.column(0), u"<All-clients>*|zeta|10.0.0.20|b|10.0.0.10"_s);
        p.clock.current = p.clock.current.addSecs(60); // a minute later: every rate
        rewrote(today);

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
            QCOMPARE(w.statusPanel(2)->text().at(9) == u'\\', reads.contains(tick));
        }
        QCOMPARE(reads.size() == 3 ? QList<int>({reads[1] - reads[0], reads[2] - reads[1]}) : reads,
                 QList<int>({3, 3}));
        const QString rate = cell(w, u"zeta"_s, 3);
        p.clock.current = QDateTime(QDate(2026, 12, 6), QTime(2, 0, 0)); // the shifted midnight
        QTRY_COMPARE(w.statusPanel(2)->text().left(9), u" 00:00:00"_s);
        QTRY_COMPARE(cell(w, u"zeta"_s, 2), u"    10"_s);
        QCOMPARE(cell(w, u"zeta"_s, 3), rate); // no rate at 0 seconds: kept
        letTimerTick(p);
        rewritten.clear();
        p.clock.current = p.clock.current.addDays(1); // the next day: today's cells cleared
        rewrote(today);
    }

    void tabsDetailsAndTheNextLog() {
        QVERIFY(writeFile(m_log, returnLine("a", 3) + logLine("ogr r=17, w=4") +
                                     logLine("a: completed ogr stub 1") +
                                     logLine("server <-- flush of ogr stubs: 3").repeated(2)));
        Program p(m_dir->path());
        p.analyzer->Form_Load();
        p.open(m_log);
        frmMain& w = p.window();
        QCOMPARE(p.column(0), u"<All-clients>*|a"_s);
        for (const int tab : {0, -1, 1}) {
            w.tabMain()->setCurrentIndex(tab > 0 ? 1 : 0); // OGR's is another record
            tab < 0 ? w.lvRC5()->clearSelection() : w.lvRC5()->selectRow(w.findRow(u"a"_s));
            p.analyzer->lvRC5_DblClick();
        }
        const QList<frmDetail*> details = w.findChildren<frmDetail*>();
        QCOMPARE(details.size(), 2);
        QCOMPARE(details[0]->sName() + details[1]->sName() + columnText(details[1]->lvDetail(), 1),
                 u"RC5aOGRa     1*"_s);
        p.analyzer->mnuNames_Click();
        QPointer<frmNames> names = p.analyzer->namesDialog();
        p.analyzer->mnuNames_Click();
        QVERIFY(names && names->isVisible() && p.analyzer->namesDialog() == names.data());
        QCOMPARE(p.column(0) + u' ' + w.labInBuf()->text() + u' ' + w.labOutBuf()->text() + u' ' +
                     w.labClients()->text() + u' ' + w.labUplink()->text(),
                 u"<All-clients>*|a 17 4 1 2"_s);
        p.dialogs.answers = {false, true};
        p.analyzer->mnuNext_Click(); // No: nothing changes
        const QString next = m_dir->filePath(u"conlog02.log"_s);
        QCOMPARE(p.dialogs.questions, QStringList{u"Switch to "_s + next + u"? [?]"_s});
        QCOMPARE(p.analyzer->session().FileName, m_log);
        p.analyzer->mnuNext_Click();
        QVERIFY(p.analyzer->session().FileName == next &&
                p.analyzer->session().TextStreamPosition == 1);
        QVERIFY(writeFile(next, returnLine("n", 4)));
        QTRY_COMPARE(p.analyzer->statistics().totals.ClientsTotalRC5, 7); // counting goes on
        QCOMPARE(p.dialogs.presets, QStringList{QString()}); // Open's dialog keeps its own path
        w.tabMain()->setCurrentIndex(0);
        p.open(m_log); // Open counts afresh
        QCOMPARE(p.column(0), u"<All-clients>*|a"_s);
        w.tabMain()->setCurrentIndex(1);
        QCOMPARE(p.column(0) + u' ' + w.labInBuf()->text() + u' ' + w.labUplink()->text(),
                 u"<All-clients>*|a 17 2"_s);
        QCOMPARE(p.analyzer->statistics().totals.ClientsTotalRC5, 3);
        p.analyzer->session().FileName = u"/tmp/nodot"_s;
        p.errors.answers = {ErrorAnswer::Ignore};
        p.analyzer->mnuNext_Click();
        QCOMPARE(p.errors.texts.value(0).left(37),
                 u"Error: 0x5\r\n\r\nfrmMain:mnuNext_Click\r\n"_s);
    }

    void errorReportBox() {
        QString seen; // the buttons from left to right; whether the box is open after Escape
        int answer = 0;
        QTimer driver;
        connect(&driver, &QTimer::timeout, this, [&] {
            QWidget* box = QApplication::activeModalWidget();
            if (!box || !box->isVisible())
                return;
            driver.stop();
            QList<QPushButton*> buttons = box->findChildren<QPushButton*>();
            std::sort(buttons.begin(), buttons.end(),
                      [](auto* a, auto* b) { return a->x() < b->x(); });
            for (QPushButton* button : buttons)
                seen += button->text().remove(u'&') + u' ';
            QTest::keyClick(box, Qt::Key_Escape); // no Cancel: neither chooses an answer
            box->close();
            seen += box->isVisible() ? u"open "_s : u"closed "_s;
            buttons.at(answer)->click();
        });
        for (answer = 0; answer < 3; ++answer) { // Abort, Retry, Ignore
            driver.start(10);
            const RunTimeError error(ErrorNumber::InvalidPropertyValue, u"x"_s);
            QCOMPARE(int(MessageBoxErrorReport().ask(error, u"frmMain:Process"_s)), answer);
        }
        QCOMPARE(seen, u"Abort Retry Ignore open "_s.repeated(3));
    }

    void resortIsAStableSort() {
        // Rows of equal text keep their order, whether all rows move or a rewritten one does.
        SortedList list({{u"A"_s, 100, Qt::AlignLeft}, {u"B"_s, 100, Qt::AlignRight}});
        for (const int key : {1, 2, 3, 4, 5})
            list.setCellText(list.addRow(QString::number(key), QString::number(key)), 1,
                             key % 2 ? u"x"_s : u"y"_s);
        list.setSortKey(1);
        QStringList seen = {columnTexts(list, 0).join(QString())};
        for (const auto& [key, order] : {std::pair(4, 0), {3, 1}, {5, 1}}) { // texts toggled
            const SortedList::RowId row = list.findRow(QString::number(key));
            list.setCellText(row, 1, list.cellText(row, 1) == u"x"_s ? u"y"_s : u"x"_s);
            list.setSortOrder(order); // re-sorts
            seen << columnTexts(list, 0).join(QString());
        }
        QCOMPARE(seen.join(u' '), u"13524 13542 32154 32514"_s);
    }

    void keysReachTheirCommands() {
        frmMain window;
        QVERIFY(activate(window));
        addRow(window, {u"=a\tb"_s, u"    12"_s});
        addRow(window, {u"b"_s});
        window.lvRC5()->setFocus();
        window.lvRC5()->selectAll();
        QTest::keyClick(window.lvRC5(), Qt::Key_C, Qt::ControlModifier);
        QCOMPARE(QGuiApplication::clipboard()->text(), u"'=a b\t12\t\t\t\nb\t\t\t\t\n"_s);
        for (const auto& [key, tab] : {std::pair(Qt::CTRL | Qt::Key_Tab, 1),
                                       {Qt::CTRL | Qt::SHIFT | Qt::Key_Backtab, 0},
                                       {Qt::CTRL | Qt::Key_PageDown, 1},
                                       {Qt::CTRL | Qt::Key_PageUp, 0}}) {
            QTest::keyClick(window.lvRC5(), key.key(), key.keyboardModifiers());
            QCOMPARE(window.currentTab(), tab);
        }
    }

    void noQuietClientFromABacklog() {
        // "a" is silent for seven hours in the middle, where refresh passes fall, and returns.
        QVERIFY(writeFile(m_log, returnLine("a", 1, "01:00:00") +
                                     returnLine("b", 1).repeated(1500) +
                                     returnLine("a", 1, "09:00:00")));
        Program p(m_dir->path(), {}, m_log);
        p.analyzer->Form_Load(); // the log named on the command line is opened
        QVERIFY(p.analyzer->session().CurrentLine == 1502 &&
                p.analyzer->quietClients().quietKeys().isEmpty());
        QVERIFY(writeFile(m_log, returnLine("b", 1, "15:01:00"), true)); // live, "a" stops again
        QTRY_COMPARE(p.tray.messages.size(), 1);
        QVERIFY(p.tray.messages.first().startsWith(u"a has returned no RC5 blocks"_s) &&
                p.dialogs.notices.isEmpty());
    }

    void userIsTold_data() {
        QTest::addColumn<QString>("command");
        QTest::addColumn<int>("warnings");
        QTest::newRow("a missing log") << u"missing.log"_s << 1;
        QTest::newRow("a FIFO for a log") << u"fifo.log"_s << 1;
        QTest::newRow("an export into a file") << u"export"_s << 1;
        QTest::newRow("a hosts file to read only") << u"hosts"_s << 1;
        QTest::newRow("a hosts file to edit") << u"hosts editable"_s << 0;
        QTest::newRow("a report folder to make, on OK") << u"~/reports"_s << 0;
    }
    void userIsTold() {
        QFETCH(QString, command);
        const QString hosts = m_dir->filePath(u"hosts"_s),
                      folder = QDir::home().filePath(u"reports"_s);
        QVERIFY(::mkfifo(QFile::encodeName(m_dir->filePath(u"fifo.log"_s)), 0600) == 0);
        QVERIFY(command.contains(u"editable"_s) // read-only even for root, who runs CI
                    ? writeFile(hosts, "127.0.0.1 localhost\n")
                    : QFile::link(u"/proc/sys/kernel/osrelease"_s, hosts));
        QDir(folder).removeRecursively();
        Program p(m_dir->path(), {},
                  command.endsWith(u".log"_s) ? m_dir->filePath(command) : QString());
        p.analyzer->Form_Load();
        p.dialogs.exportFiles = {hosts + u"/list.csv"_s};
        if (command == u"export")
            p.analyzer->mnuExport_Click();
        if (command.startsWith(u"hosts"_s))
            p.analyzer->mnuHosts_Click();
        if (command.startsWith(u'~')) { // the folder in the question is the one made
            p.analyzer->preferences().WebStats = p.analyzer->preferences().WebLocal = true;
            p.analyzer->preferences().WebFolder = command;
            p.dialogs.answers = {true};
            QTimer::singleShot(0, [] {
                QApplication::activeModalWidget()->findChild<QPushButton*>(u"cmdOk"_s)->click();
            });
            p.analyzer->mnuPreferences_Click();
            QVERIFY(p.dialogs.questions.value(0).contains(folder) && QFileInfo(folder).isDir());
        }
        QTEST(int(p.dialogs.warnings.size()), "warnings");
        QCOMPARE(p.dialogs.opened.size(), command.startsWith(u"hosts"_s) ? 1 : 0);
        QVERIFY(p.analyzer->session().FileName.isEmpty());
    }

    void chartBarsByDate() { // one day; a gap up to today; a huge day out of order; not a date
        table(uR"(
12/06/26:5 => 12/06/26:5*
12/03/26:3 12/04/26:0 => 12/03/26:3 12/04/26:0 12/05/26:0 12/06/26:0*
12/06/26:1 12/05/26:2147483647 => 12/05/26:2147483647 12/06/26:1*
12/06/26:3 13/45/26:4 => 12/06/26:3* 13/45/26:4)"_s,
              [](const QStringList& days) {
                  DayHistory history;
                  for (const QString& day : days)
                      history.insertOrAssign(
                          day.section(u':', 0, 0),
                          {day.section(u':', 0, 0), day.section(u':', 1).toInt()});
                  QStringList bars;
                  for (const DayBar& bar : DayBars(history, u"12/06/26"_s))
                      bars << bar.date + u':' + QString::number(bar.blocks) +
                                  (bar.today ? u"*"_s : u""_s);
                  return bars.join(u' ');
              });
    }

private:
    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_log, m_stats;
};

QTEST_MAIN(TestAnalyzer)
#include "test_analyzer.moc"
