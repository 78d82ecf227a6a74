// Refresh passes at the cost of what changed: a pass rewrites only the rows whose texts change,
// shows what a pass over an emptied list shows, and the report is the list; a long run passes
// once a frame at 1000-line boundaries; re-sorting is a stable sort.
#include "support/Gui.h"
#include "support/ListTexts.h"

#include "naming/ClientNames.h"
#include "persistence/Settings.h"
#include "report/HtmlReport.h"
#include "stats/ClientTable.h"
#include "stats/LogProcessor.h"
#include "stats/LogSession.h"
#include "ui/Analyzer.h"
#include "ui/ReportFromList.h"
#include "ui/frmMain.h"

#include <QAbstractItemModelTester>
#include <QRandomGenerator>
#include <QSignalSpy>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

using namespace Qt::StringLiterals;

namespace {

/** Every row by key: its cells as shown, then whether it is bold. */
QMap<QString, QStringList> rowsByKey(const SortedList& list) {
    QMap<QString, QStringList> rows;
    for (int position = 0; position < list.rowCount(); ++position)
        rows.insert(list.rowKey(list.rowAt(position)),
                    shownRow(list, position) << (shownBold(list, position, 0) ? u"bold"_s : u""_s));
    return rows;
}

enum class Change { CountOne, SecondMoved, NewDate, NamesFile, LateHostName };

} // namespace

Q_DECLARE_METATYPE(Change)

class TestRefreshPass : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void passRewritesOnlyWhatChanged_data() {
        QTest::addColumn<Change>("change");
        QTest::addColumn<QStringList>("changed"); // keys of the rows rewritten
        const QStringList today = {u"<All-clients>"_s, u"10.0.0.1"_s, u"10.0.0.2"_s, u"10.0.0.3"_s};
        QTest::addRow("one client counted")
            << Change::CountOne << QStringList{u"<All-clients>"_s, u"10.0.0.2"_s};
        QTest::addRow("a minute later: every rate") << Change::SecondMoved << today;
        QTest::addRow("the next day: today's cells cleared") << Change::NewDate << today;
        QTest::addRow("names file") << Change::NamesFile << QStringList{u"10.0.0.2"_s};
        QTest::addRow("late host name") << Change::LateHostName << QStringList{u"10.0.0.3"_s};
    }
    void passRewritesOnlyWhatChanged() {
        QFETCH(Change, change);
        QFETCH(QStringList, changed);
        QTemporaryDir dir;
        const QString log = dir.filePath(u"conlog01.log"_s);
        QFile::remove(SettingsStore().fileName());
        for (const auto& [key, value] : {std::pair(u"ResolveClients"_s, u"1"_s),
                                         {u"WebStats"_s, u"1"_s},
                                         {u"WebRefreshRate"_s, u"1"_s},
                                         {u"WebFolder"_s, dir.path()}})
            SaveSetting(SettingsKey::Common, key, value);
        QVERIFY(writeFile(log, logLine("Client 10.0.0.4 --> sent rc5 5 blocks", "12/05/26") +
                                   returnLine("10.0.0.1", 10) + returnLine("10.0.0.2", 20) +
                                   returnLine("10.0.0.3", 40)));

        // The program with Timer1 ticking every few milliseconds, at 01:00 on the log's clock.
        Program p(dir.path());
        p.clock.current = QDateTime(QDate(2026, 12, 6), QTime(3, 0, 0));
        Analyzer& analyzer = *p.analyzer;
        FakeClock& clock = p.clock;
        analyzer.Form_Load();
        p.open(log);
        SortedList& list = *analyzer.window()->lvRC5();
        QSignalSpy ticks(analyzer.window()->Timer1(), &QTimer::timeout);
        const auto letTimerTick = [&] {
            ticks.clear();
            QTRY_VERIFY(ticks.count() >= 3);
        };
        QTRY_COMPARE(list.rowCount(), 5);
        letTimerTick();

        QSet<QString> rewritten;
        connect(list.model(), &QAbstractItemModel::dataChanged, this,
                [&](const QModelIndex& top, const QModelIndex& bottom) {
                    for (int position = top.row(); position <= bottom.row(); ++position)
                        rewritten << list.rowKey(list.rowAt(position));
                });
        if (change == Change::CountOne)
            QVERIFY(writeFile(log, readFile(log) + returnLine("10.0.0.2", 1)));
        else if (change == Change::SecondMoved)
            clock.current = clock.current.addSecs(60);
        else if (change == Change::NewDate)
            clock.current = clock.current.addDays(1);
        else if (change == Change::NamesFile)
            QVERIFY(writeFile(dir.filePath(u"qla.nam"_s), "10.0.0.2 pc-two\r\n") &&
                    analyzer.names().LoadNames(dir.filePath(u"qla.nam"_s)));
        else
            p.lookup->answer(3, u"three.lan"_s); // looked up in the order first shown
        QTRY_COMPARE(rewritten, QSet<QString>(changed.begin(), changed.end()));
        letTimerTick();
        QCOMPARE(rewritten, QSet<QString>(changed.begin(), changed.end()));

        // The report of every pass (rate 1) is the list as shown, and what the passes made of
        // the change is what a pass over an emptied list shows.
        QCOMPARE(readFile(dir.filePath(u"Index.htm"_s)),
                 HtmlReport::reportBytes(listReportTable(*analyzer.window())));
        const QMap<QString, QStringList> shown = rowsByKey(list);
        analyzer.window()->tabMain()->setCurrentIndex(1);
        analyzer.window()->tabMain()->setCurrentIndex(0);
        QCOMPARE(rowsByKey(list), shown);
    }

    void longRunPassesOncePerFrame_data() {
        QTest::addColumn<qint64>("step"); // milliseconds of counting between looks at the clock
        QTest::addRow("1 ms") << qint64(1);
        QTest::addRow("50 ms") << qint64(50);
    }
    void longRunPassesOncePerFrame() {
        QFETCH(qint64, step);
        QTemporaryDir dir;
        QByteArray log;
        for (int i = 0; i < 20500; ++i)
            log += returnLine("10.0.0." + QByteArray::number(i % 7), 1);
        QVERIFY(writeFile(dir.filePath(u"conlog01.log"_s), log));
        struct Run : IProcessHost {
            LogSession session;
            Statistics statistics;
            ScriptedErrorReport report;
            ErrorReporter reporter{report};
            LogProcessor processor{session, statistics, *this, reporter};
            qint64 now = 0;
            QList<std::pair<qint32, qint64>> passes; // line and time of each pass
            void refreshPass() override { passes.append({session.CurrentLine, now}); }
            void yieldEvents() override {}
            void saveStatsOnClosing() override {}
        } run;
        run.processor.setClock([&] { return run.now += step; });
        run.session.chooseLogFile(dir.filePath(u"conlog01.log"_s));
        QVERIFY(run.processor.Process());

        QVERIFY(run.passes.size() >= 3);
        QCOMPARE(run.passes.last().first, 20500); // one at the end of the run
        for (qsizetype i = 0; i + 1 < run.passes.size(); ++i) {
            QCOMPARE(run.passes[i].first % 1000, 0);
            const qint64 gap = i > 0 ? run.passes[i].second - run.passes[i - 1].second
                                     : LogProcessor::FrameMilliseconds;
            QVERIFY2(gap >= LogProcessor::FrameMilliseconds &&
                         gap <= LogProcessor::FrameMilliseconds + 2 * step,
                     qPrintable(u"%1 ms between passes"_s.arg(gap)));
        }
    }

    void resortIsAStableSort() {
        // Rows of many equal texts, cells of the sort column rewritten between re-sorts, in both
        // orders: a re-sort orders by text (letter case ignored first, then not), and rows of
        // equal text keep the order they had.
        SortedList list({{u"A"_s, 100, Qt::AlignLeft}, {u"B"_s, 100, Qt::AlignRight}});
        QAbstractItemModelTester tester(list.model());
        QRandomGenerator random(7);
        const QStringList texts = {u"a"_s, u"A"_s, u"b"_s, u" 1"_s, u"10"_s, u""_s};
        list.setSortKey(1);
        for (int round = 0; round < 40; ++round) {
            for (int i = 0; i < 5; ++i) {
                const QString key = QString::number(random.bounded(60));
                const SortedList::RowId row = list.findRow(key);
                list.setCellText(row != SortedList::NoRow ? row : list.addRow(key, key), 1,
                                 texts.at(random.bounded(int(texts.size()))));
            }
            if (round % 10 == 9)
                list.setSortOrder(1 - list.sortOrder());
            const QStringList before = columnTexts(list, 0); // the keys, top to bottom
            list.resortList();
            const QStringList keys = columnTexts(list, 0);
            const QStringList cells = columnTexts(list, 1);
            for (int i = 1; i < keys.size(); ++i) {
                int order = cells[i - 1].compare(cells[i], Qt::CaseInsensitive);
                order = order != 0 ? order : cells[i - 1].compare(cells[i]);
                QVERIFY(list.sortOrder() == 0 ? order <= 0 : order >= 0);
                QVERIFY(order != 0 || before.indexOf(keys[i - 1]) < before.indexOf(keys[i]));
            }
        }
        list.clearRows();
    }
};

QTEST_MAIN(TestRefreshPass)
#include "test_refreshpass.moc"
