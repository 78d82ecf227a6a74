// The chart of a client's blocks per day: its bars by date, how they are drawn (one day, a day
// of 0 blocks, a huge day, today's mark), and the detail window that shows it on request.
#include "support/Fakes.h"

#include "common/ErrorReport.h"
#include "naming/ClientNames.h"
#include "persistence/Settings.h"
#include "stats/DaySeries.h"
#include "ui/DayChart.h"
#include "ui/SortedList.h"
#include "ui/frmDetail.h"

#include <QAction>
#include <QFile>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

/** "date:blocks" words as a day history. */
DayHistory history(const QString& days) {
    DayHistory history;
    for (const QString& day : days.split(u' ', Qt::SkipEmptyParts)) {
        const QStringList parts = day.split(u':');
        history.insertOrAssign(parts[0], DayEntry{parts[0], parts[1].toInt()});
    }
    return history;
}

QString text(const QList<DayBar>& bars) {
    QStringList words;
    for (const DayBar& bar : bars)
        words << bar.date + u':' + QString::number(bar.blocks) + (bar.today ? u"*"_s : QString());
    return words.join(u' ');
}

} // namespace

class TestDayChart : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void barsByDate_data() {
        QTest::addColumn<QString>("days");
        QTest::addColumn<QString>("today");
        QTest::addColumn<QString>("bars");
        QTest::newRow("one day") << u"12/06/26:5"_s << u"12/06/26"_s << u"12/06/26:5*"_s;
        QTest::newRow("gaps up to today")
            << u"12/01/26:3 12/03/26:0"_s << u"12/05/26"_s
            << u"12/01/26:3 12/02/26:0 12/03/26:0 12/04/26:0 12/05/26:0*"_s;
        QTest::newRow("out of order, over a new year")
            << u"01/01/27:1 12/31/26:2"_s << u"01/01/27"_s << u"12/31/26:2 01/01/27:1*"_s;
        QTest::newRow("two-digit years")
            << u"12/31/99:1 01/01/00:2"_s << u"01/01/00"_s << u"12/31/99:1 01/01/00:2*"_s;
        QTest::newRow("a clock behind") << u"12/01/26:3"_s << u"11/30/26"_s << u"12/01/26:3"_s;
        QTest::newRow("not a date")
            << u"12/01/26:3 13/45/26:4"_s << u"12/01/26"_s << u"12/01/26:3* 13/45/26:4"_s;
        QTest::newRow("decades apart")
            << u"01/01/00:1 01/01/20:2"_s << u"01/01/20"_s << u"01/01/00:1 01/01/20:2*"_s;
    }
    void barsByDate() {
        QFETCH(QString, days);
        QFETCH(QString, today);
        QFETCH(QString, bars);
        QCOMPARE(text(DayBars(history(days), today)), bars);
    }

    void drawsEveryDay_data() {
        QTest::addColumn<QString>("days");
        QTest::newRow("one day") << u"12/06/26:5"_s;
        QTest::newRow("a day of 0 blocks") << u"12/04/26:7 12/05/26:0 12/06/26:2"_s;
        QTest::newRow("a huge day") << u"12/04/26:1 12/05/26:2147483647 12/06/26:3"_s;
    }
    void drawsEveryDay() {
        QFETCH(QString, days);
        DayChart chart;
        chart.resize(240, 120);
        const QList<DayBar> bars = DayBars(history(days), u"12/06/26"_s);
        chart.setBars(bars);
        const QImage image = chart.grab().toImage();
        const QRect plot = chart.plotRect();
        qint64 highest = 0;
        for (const DayBar& bar : bars)
            highest = std::max(highest, bar.blocks);
        for (qsizetype i = 0; i < bars.size(); ++i) {
            const int x = chart.barColumns(i).first;
            const QColor colour = bars[i].today ? DayChart::todayColour() : DayChart::barColour();
            // A day with blocks has a bar standing on the axis, the highest one up to the top.
            QCOMPARE(image.pixelColor(x, plot.bottom()) == colour, bars[i].blocks > 0);
            QCOMPARE(image.pixelColor(x, plot.top()) == colour, bars[i].blocks == highest);
            QCOMPARE(image.pixelColor(x, plot.bottom() + 4) == DayChart::todayColour(),
                     bars[i].today);
        }
    }

    void detailWindowShowsItOnRequest() {
        QFile::remove(SettingsStore().fileName());
        FakeClock clock; // 12/06/26
        ScriptedErrorReport report;
        ErrorReporter reporter(report);
        ClientNames names(std::make_unique<FakeHostLookup>());
        Statistics statistics;
        const auto count = [&](const char* date, qint32 blocks) {
            statistics.IncrementClient("alice"_L1, QLatin1StringView(date), "12:00:00"_L1, blocks,
                                       Project::RC5Latin1);
        };
        count("12/04/26", 4);
        QWidget owner;
        const auto open = [&] {
            auto* window =
                new frmDetail(&owner, clock, reporter, names, frmDetail::lookupIn(statistics));
            window->ShowDetail(u"RC5alice"_s);
            return window;
        };
        frmDetail* window = open();
        QVERIFY(QTest::qWaitForWindowExposed(window));
        const QRect list = window->lvDetail()->geometry();
        const int height = window->height();
        QVERIFY(!window->chartShown());

        QTest::keyClick(window->lvDetail(), Qt::Key_G, Qt::ControlModifier);
        QVERIFY(window->chartShown());
        QTRY_VERIFY(window->height() > height); // the window grows; the list stays as designed
        QCOMPARE(window->lvDetail()->geometry(), list);
        QVERIFY(window->chart()->geometry().top() > list.bottom());
        QCOMPARE(text(window->chart()->bars()), u"12/04/26:4 12/05/26:0 12/06/26:0*"_s);
        count("12/06/26", 9); // the one-second refresh follows the log
        QTRY_COMPARE(window->chart()->bars().constLast().blocks, 9);

        window->close(); // the next window opens with the chart, as the last one was closed
        QCOMPARE(GetSetting(SettingsKey::Details, "Chart"_L1), u"1"_s);
        window = open();
        QVERIFY(window->chartShown() && window->chartAction()->isChecked());
        window->chartAction()->trigger();
        QVERIFY(!window->chartShown());
        QTRY_COMPARE(window->lvDetail()->geometry().height(), list.height());
    }
};

QTEST_MAIN(TestDayChart)
#include "test_daychart.moc"
