#include "stats/RefreshTexts.h"

#include <QTest>

using namespace Qt::StringLiterals;
using namespace RefreshTexts;

class TestRefreshTexts : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void clock_data() {
        QTest::addColumn<QTime>("now");
        QTest::addColumn<int>("timeZone");
        QTest::addColumn<QString>("lastTime");
        QTest::addColumn<int>("ticks");
        QTest::addColumn<QString>("expected");
        QTest::addRow("west of the log")
            << QTime(1, 30, 0) << -2 << QString() << 0 << u"23:30:00"_s;
        QTest::addRow("reading tick")
            << QTime(8, 5, 9) << 0 << u"08:05:01"_s << 0 << u"08:05:09\\08:05:01"_s;
        QTest::addRow("other tick")
            << QTime(8, 5, 9) << 0 << u"08:05:01"_s << 3 << u"08:05:09/08:05:01"_s;
        QTest::addRow("east wraps") << QTime(23, 0, 0) << 3 << QString() << 1 << u"02:00:00"_s;
        QTest::addRow("below -24 shows minus")
            << QTime(1, 2, 3) << -30 << QString() << 1 << u"-05:02:03"_s;
    }
    void clock() {
        QFETCH(QTime, now);
        QFETCH(int, timeZone);
        QFETCH(QString, lastTime);
        QFETCH(int, ticks);
        QFETCH(QString, expected);
        QCOMPARE(clockText(now, timeZone, lastTime, ticks), expected);
    }

    void rate() {
        QCOMPARE(shiftedSeconds(QTime(1, 30, 0), -2), qint64(23 * 3600 + 30 * 60));
        QCOMPARE(shiftedSeconds(QTime(3, 0, 0), -2), qint64(3600));
        QCOMPARE(rateText(10, 3600), std::optional<QString>(u"     728"_s)); // 728.18
        QCOMPARE(rateText(0, 3600), std::optional<QString>(u"       0"_s));
        QCOMPARE(rateText(2147483647, 1),
                 std::optional<QString>(u"562949953159168"_s)); // wider than 8: as is
        QCOMPARE(rateText(5, 0), std::nullopt); // the shifted midnight leaves the cell alone
        QCOMPARE(blocksText(42), u"    42"_s);
        QCOMPARE(blocksText(1234567), u"1234567"_s);
        QCOMPARE(noTodayText(), u"      "_s);
    }
};

QTEST_GUILESS_MAIN(TestRefreshTexts)
#include "test_refreshtexts.moc"
