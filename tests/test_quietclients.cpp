// Clients gone quiet, in log time: one alert per silence, cleared on return, nothing from an
// old log or a client long gone, off at 0; and the threshold as stored.
#include "persistence/QuietSetting.h"
#include "persistence/Settings.h"
#include "stats/ClientTable.h"
#include "stats/QuietClients.h"

#include <QFile>
#include <QTest>

using namespace Qt::StringLiterals;

class TestQuietClients : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void alertsOncePerSilence_data() {
        QTest::addColumn<int>("hours");
        QTest::addColumn<int>("clockDays"); ///< the computer's clock against the log's
        QTest::addColumn<QString>("script");
        // "c HH:MM[+D]": client c returns a block on day 12/06/26 + D; "? a b": a look that
        // alerts a and b; "= a": the clients quiet now.
        QTest::newRow("once, cleared on return, again")
            << 6 << 0
            << u"a 08:00; b 08:00; b 14:00; ?; b 14:01; ? a; b 15:00; ?; = a; a 15:30; ?; =; "
               u"b 22:00; ? a"_s;
        QTest::newRow("an old log") << 6 << 3 << u"a 08:00; b 15:00; ?; ="_s;
        QTest::newRow("a clock behind the log") << 6 << -1 << u"a 08:00; b 15:00; ? a"_s;
        QTest::newRow("off at 0") << 0 << 0 << u"a 08:00; b 15:00; ?; ="_s;
        QTest::newRow("long gone") << 6 << 0 << u"a 08:00; b 14:01+1; ?; ="_s;
        QTest::newRow("a day after the threshold") << 6 << 0 << u"a 08:00; b 14:00+1; ? a"_s;
        QTest::newRow("a day's threshold") << 24 << 0 << u"a 08:00; b 08:00+1; ?; b 08:01+1; ? a"_s;
    }
    void alertsOncePerSilence() {
        QFETCH(int, hours);
        QFETCH(int, clockDays);
        QFETCH(QString, script);
        Statistics statistics;
        QuietClients quiet;
        QDateTime latest;
        for (const QString& step : script.split(u"; "_s)) {
            const QStringList words = step.split(u' ', Qt::SkipEmptyParts);
            if (words.first() == u"?") {
                const QStringList alerts =
                    quiet.update(statistics.Clients, latest.toString(u"MM/dd/yy"_s),
                                 latest.toString(u"hh:mm:ss"_s), latest.addDays(clockDays), hours);
                QStringList expected;
                for (const QString& client : words.mid(1))
                    expected << Project::RC5 + client;
                QCOMPARE(alerts, expected);
            } else if (words.first() == u"=") {
                QStringList keys = quiet.quietKeys().values();
                keys.sort();
                QCOMPARE(keys.replaceInStrings(Project::RC5, QString()), words.mid(1));
            } else {
                const QStringList at = words.at(1).split(u'+');
                latest = QDateTime(QDate(2026, 12, 6).addDays(at.value(1).toInt()),
                                   QTime::fromString(at.first(), u"hh:mm"_s));
                statistics.IncrementClient(
                    QLatin1StringView(words.first().toLatin1()),
                    QLatin1StringView(latest.toString(u"MM/dd/yy"_s).toLatin1()),
                    QLatin1StringView(latest.toString(u"hh:mm:ss"_s).toLatin1()), 1,
                    Project::RC5Latin1);
            }
        }
    }

    void thresholdAsStored_data() {
        QTest::addColumn<QString>("stored");
        QTest::addColumn<int>("hours");
        QTest::newRow("absent") << QString() << int(QuietClients::DefaultHours);
        QTest::newRow("a word") << u"six"_s << int(QuietClients::DefaultHours);
        QTest::newRow("negative") << u"-3"_s << int(QuietClients::DefaultHours);
        QTest::newRow("off") << u"0"_s << 0;
        QTest::newRow("a fraction") << u" 2.5 "_s << 2;
        QTest::newRow("a number") << u"12"_s << 12;
    }
    void thresholdAsStored() {
        QFETCH(QString, stored);
        QFETCH(int, hours);
        QFile::remove(SettingsStore().fileName());
        if (!stored.isNull())
            SaveSetting(SettingsKey::Common, SettingsKey::QuietClientHours, stored);
        QCOMPARE(ReadQuietClientHours(), hours);
    }
};

QTEST_GUILESS_MAIN(TestQuietClients)
#include "test_quietclients.moc"
