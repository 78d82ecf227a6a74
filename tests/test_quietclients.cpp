// Clients gone quiet, in log time: one alert per silence, cleared on return, nothing from an
// old log or a client long gone, off at 0.
#include "stats/ClientTable.h"
#include "stats/QuietClients.h"

#include <QRegularExpression>
#include <QTest>

using namespace Qt::StringLiterals;

class TestQuietClients : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void alertsOncePerSilence_data() {
        QTest::addColumn<int>("hours");
        QTest::addColumn<int>("clockDays"); ///< the computer's clock ahead of the log's
        QTest::addColumn<QString>("script");
        // "c HH:MM[+D]": client c returns a block on 12/06/26 + D days; "? a": a look that
        // alerts a; "= a": the clients quiet now.
        QTest::newRow("once, cleared on return, again")
            << 6 << 0
            << u"a 08:00; b 08:00; b 14:00; ?; b 14:01; ? a; b 15:00; ?; = a; a 15:30; ?; =; "
               u"b 22:00; ? a"_s;
        QTest::newRow("an old log") << 6 << 3 << u"a 08:00; b 15:00; ?; ="_s;
        QTest::newRow("off at 0") << 0 << 0 << u"a 08:00; b 15:00; ?; ="_s;
        QTest::newRow("a day after the threshold") << 6 << 0 << u"a 08:00; b 14:00+1; ? a"_s;
        QTest::newRow("long gone") << 6 << 0 << u"a 08:00; b 14:01+1; ?; ="_s;
    }
    void alertsOncePerSilence() {
        QFETCH(int, hours);
        QFETCH(int, clockDays);
        QFETCH(QString, script);
        Statistics statistics;
        QuietClients quiet;
        QDateTime latest;
        const auto text = [&](const char* format) {
            return latest.toString(QString::fromLatin1(format));
        };
        for (const QString& step : script.split(u"; "_s)) {
            QStringList words = step.split(u' ', Qt::SkipEmptyParts);
            const QString command = words.takeFirst();
            if (command == u"?") {
                const QStringList alerts =
                    quiet.update(statistics.clients, text("MM/dd/yy"), text("hh:mm:ss"),
                                 latest.addDays(clockDays), hours);
                QCOMPARE(alerts, words.replaceInStrings(QRegularExpression(u"^"_s), Project::RC5));
            } else if (command == u"=") {
                QStringList keys = quiet.quietKeys().values();
                QCOMPARE(keys.replaceInStrings(Project::RC5, QString()), words);
            } else {
                const QStringList at = words.first().split(u'+');
                latest = QDateTime(QDate(2026, 12, 6).addDays(at.value(1).toInt()),
                                   QTime::fromString(at.first(), u"hh:mm"_s));
                statistics.IncrementClient(QLatin1StringView(command.toLatin1()),
                                           QLatin1StringView(text("MM/dd/yy").toLatin1()),
                                           QLatin1StringView(text("hh:mm:ss").toLatin1()), 1,
                                           Project::RC5Latin1);
            }
        }
    }
};

QTEST_GUILESS_MAIN(TestQuietClients)
#include "test_quietclients.moc"
