// Refresh passes at the cost of what changed: a pass rewrites only the rows whose texts change
// and shows what rewriting every row shows; a long run passes once a frame at 1000-line
// boundaries; the list re-sorts as a stable sort would; the report after a run is the list.
#include "support/FakeDialogs.h"
#include "support/FakeTray.h"
#include "support/Fakes.h"
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
#include <QDir>
#include <QRandomGenerator>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

using namespace Qt::StringLiterals;

namespace {

QByteArray returnLine(const QByteArray& client, int blocks, const QByteArray& date = "12/06/26") {
    return date + " 08:00:00 Client " + client + " --> sent rc5 " + QByteArray::number(blocks) +
           " blocks\r\r\n";
}

/** The program started up with fakes outside, Timer1 ticking every few milliseconds. */
struct Program {
    explicit Program(const QString& folder) {
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
        environment.lockFilePath = folder + u"/qla.lock"_s;
        environment.timerInterval = 5;
        analyzer = std::make_unique<Analyzer>(std::move(environment));
        analyzer->Form_Load();
    }
    SortedList& list() { return *analyzer->window()->lvRC5(); }
    void letTimerTick() {
        QSignalSpy ticks(analyzer->window()->Timer1(), &QTimer::timeout);
        QTRY_VERIFY(ticks.count() >= 3);
    }

    FakeClock clock{QDateTime(QDate(2026, 12, 6), QTime(3, 0, 0))}; // 01:00 on the log's clock
    ScriptedErrorReport errors;
    FakeDialogs dialogs;
    FakeTray tray;
    FakeHostLookup* lookup = nullptr;
    std::unique_ptr<Analyzer> analyzer;
};

/** Every row by key: its cells as shown, then "bold" when it is. */
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
    void init() {
        QDir(QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation))
            .removeRecursively();
        m_dir = std::make_unique<QTemporaryDir>();
        m_log = m_dir->filePath(u"conlog01.log"_s);
    }
    void cleanup() { m_dir.reset(); }

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
        for (const auto& [key, value] : {std::pair(u"ResolveClients"_s, u"1"_s),
                                         {u"WebStats"_s, u"1"_s},
                                         {u"WebRefreshRate"_s, u"1"_s},
                                         {u"WebLocal"_s, u"1"_s},
                                         {u"WebFolder"_s, m_dir->path()}})
            SaveSetting(SettingsKey::Common, key, value);
        QVERIFY(writeFile(m_log, returnLine("10.0.0.4", 5, "12/05/26") +
                                     returnLine("10.0.0.1", 10) + returnLine("10.0.0.2", 20) +
                                     returnLine("10.0.0.3", 40)));
        Program p(m_dir->path());
        p.dialogs.chosenFiles = {m_log};
        p.analyzer->mnuOpen_Click();
        QTRY_COMPARE(p.list().rowCount(), 5);
        p.letTimerTick();

        QSet<QString> rewritten;
        connect(p.list().model(), &QAbstractItemModel::dataChanged, this,
                [&](const QModelIndex& top, const QModelIndex& bottom) {
                    for (int position = top.row(); position <= bottom.row(); ++position)
                        rewritten << p.list().rowKey(p.list().rowAt(position));
                });
        switch (change) {
        case Change::CountOne:
            QVERIFY(writeFile(m_log, readFile(m_log) + returnLine("10.0.0.2", 1)));
            break;
        case Change::SecondMoved:
            p.clock.current = p.clock.current.addSecs(60);
            break;
        case Change::NewDate:
            p.clock.current = p.clock.current.addDays(1);
            break;
        case Change::NamesFile:
            QVERIFY(writeFile(m_dir->filePath(u"qla.nam"_s), "10.0.0.2 pc-two\r\n"));
            p.analyzer->names().LoadNames(m_dir->filePath(u"qla.nam"_s));
            break;
        case Change::LateHostName:
            p.lookup->answer(3, u"three.lan"_s); // looked up in the order first shown
            break;
        }
        QTRY_COMPARE(rewritten, QSet<QString>(changed.begin(), changed.end()));
        p.letTimerTick();
        QCOMPARE(rewritten, QSet<QString>(changed.begin(), changed.end()));

        // What the passes made of it is what a pass over an emptied list shows; the report of
        // every pass (rate 1) is the list as shown.
        const QMap<QString, QStringList> shown = rowsByKey(p.list());
        QCOMPARE(readFile(m_dir->filePath(u"Index.htm"_s)),
                 HtmlReport::reportBytes(listReportTable(*p.analyzer->window())));
        p.analyzer->window()->tabMain()->setCurrentIndex(1);
        p.analyzer->window()->tabMain()->setCurrentIndex(0);
        QCOMPARE(shown, rowsByKey(p.list()));
    }

    void longRunPassesOncePerFrame_data() {
        QTest::addColumn<qint64>("step"); // milliseconds of counting between looks at the clock
        QTest::addRow("1 ms") << qint64(1);
        QTest::addRow("a frame") << LogProcessor::FrameMilliseconds;
        QTest::addRow("50 ms") << qint64(50);
    }
    void longRunPassesOncePerFrame() {
        QFETCH(qint64, step);
        QByteArray log;
        for (int i = 0; i < 20500; ++i)
            log += returnLine("10.0.0." + QByteArray::number(i % 7), 1);
        QVERIFY(writeFile(m_log, log));

        struct Run : IProcessHost {
            LogSession session;
            Statistics statistics;
            ScriptedErrorReport report;
            ErrorReporter reporter{report};
            LogProcessor processor{session, statistics, *this, reporter};
            qint64 now = 0;
            QList<std::pair<qint32, qint64>> passes; // line and time of each pass
            int yields = 0;
            void refreshPass() override { passes.append({session.CurrentLine, now}); }
            void yieldEvents() override { ++yields; }
            void saveStatsOnClosing() override {}
        } host;
        host.processor.setClock([&] { return host.now += step; });
        host.session.chooseLogFile(m_log);
        QVERIFY(host.processor.Process());

        QVERIFY(host.passes.size() >= 3);
        QCOMPARE(host.passes.last().first, 20500); // one at the end of the run
        QCOMPARE(qsizetype(host.yields), host.passes.size() - 1);
        for (qsizetype i = 0; i + 1 < host.passes.size(); ++i) {
            QCOMPARE(host.passes[i].first % 1000, 0);
            if (i == 0)
                continue;
            const qint64 gap = host.passes[i].second - host.passes[i - 1].second;
            QVERIFY2(gap >= LogProcessor::FrameMilliseconds &&
                         gap <= LogProcessor::FrameMilliseconds + 2 * step,
                     qPrintable(u"%1 ms between passes"_s.arg(gap)));
        }
    }

    void resortIsAStableSort() {
        // Rows with many equal texts, cells of the sort column rewritten between re-sorts, in
        // both orders: each re-sort orders by text (letter case first ignored, then not), and
        // rows of equal text keep the order they had.
        SortedList list({{u"A"_s, 100, Qt::AlignLeft}, {u"B"_s, 100, Qt::AlignRight}});
        QAbstractItemModelTester tester(list.model());
        QRandomGenerator random(7);
        const QStringList texts = {u"a"_s, u"A"_s, u"b"_s, u" 1"_s, u"10"_s, u""_s};
        const auto text = [&] { return texts.at(random.bounded(int(texts.size()))); };
        list.setSortKey(1);
        for (int round = 0; round < 40; ++round) {
            for (int i = 0; i < 5; ++i) {
                const QString key = QString::number(random.bounded(60));
                SortedList::RowId row = list.findRow(key);
                if (row == SortedList::NoRow)
                    row = list.addRow(key, key);
                list.setCellText(row, 1, text());
            }
            if (round % 10 == 9)
                list.setSortOrder(1 - list.sortOrder());
            const QStringList before = columnTexts(list, 0); // the keys, top to bottom
            list.resortList();
            const QStringList keys = columnTexts(list, 0);
            const QStringList cells = columnTexts(list, 1);
            for (int i = 1; i < keys.size(); ++i) {
                int order = cells[i - 1].compare(cells[i], Qt::CaseInsensitive);
                if (order == 0)
                    order = cells[i - 1].compare(cells[i]);
                QVERIFY(list.sortOrder() == 0 ? order <= 0 : order >= 0);
                if (order == 0)
                    QVERIFY(before.indexOf(keys[i - 1]) < before.indexOf(keys[i]));
            }
        }
        list.clearRows();
        QCOMPARE(list.rowCount(), 0);
    }

private:
    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_log;
};

QTEST_MAIN(TestRefreshPass)
#include "test_refreshpass.moc"
