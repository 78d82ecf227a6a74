// Shared routines: numbers as text, the error report's text and answers, the refresh texts, the
// next log file's name, the counting model, and clients gone quiet.
#include "support/Fakes.h"

#include "common/NumberText.h"
#include "common/modGlobals.h"
#include "stats/ClientTable.h"
#include "stats/NextLogFile.h"
#include "stats/QuietClients.h"
#include "stats/RefreshTexts.h"

#include <QRegularExpression>

using namespace Qt::StringLiterals;

namespace {

/** The model in one line per record: key blocks time [date=blocks...], then the totals. */
QString summary(const Statistics& s) {
    QStringList lines;
    for (const auto& entry : s.clients) {
        QStringList days;
        qint64 sum = 0;
        for (const auto& day : entry.value.Data) {
            days << day.key + u'=' + QString::number(day.value.Blocks);
            sum += day.value.Blocks;
        }
        if (sum != entry.value.Blocks || entry.key != entry.value.Name)
            days << u"INCONSISTENT"_s;
        lines << joined({entry.key, entry.value.Blocks, entry.value.Time}) + u" ["_s +
                     days.join(u' ') + u']';
    }
    return lines.join(u" | "_s) +
           u" | RC5 %1 OGR %2"_s.arg(s.totals.ClientsTotalRC5).arg(s.totals.ClientsTotalOGR);
}

} // namespace

class TestCommon : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void texts() {
        QCOMPARE(rightJustify(5, 6) + rightJustify(1234567, 6) + rightJustify(QString(), 2),
                 u"     51234567  "_s);
        FakeClock clock;
        clock.current = QDateTime(QDate(2000, 7, 5), QTime(23, 59, 59));
        QCOMPARE(GetCurrentDate(clock), u"07/05/00"_s);
        const RunTimeError overflow(ErrorNumber::Overflow, u"Overflow"_s);
        try {
            passErrors(u"frmMain:IncrementClient"_s, PlaceSeparator::LineBreak,
                       [&] { throw overflow; });
            QFAIL("not passed on");
        } catch (const RunTimeError& error) {
            QCOMPARE(errorReportText(error, u"frmMain:Process"_s),
                     u"Error: 0x6\r\n\r\nfrmMain:Process\r\nfrmMain:IncrementClient\r\nOverflow"_s);
        }
        QCOMPARE(errorReportText(RunTimeError(0x17c, u"x"_s), u"p"_s),
                 u"Error: 0x17C\r\n\r\np\r\nx"_s);

        ScriptedErrorReport script; // Retry runs the step again, Ignore goes on, Abort ends
        ErrorReporter reporter(script);
        int attempts = 0;
        script.answers = {ErrorAnswer::Retry, ErrorAnswer::Retry, ErrorAnswer::Ignore};
        QVERIFY(reporter.runStep(u"p"_s, [&] { throw RunTimeError(attempts++, {}); }));
        QCOMPARE(attempts, 3);
        // A tick that fails while a box is open gets no box of its own: it is left as by Abort.
        bool inner = true;
        script.whileOpen = [&] {
            if (script.places.size() == 4)
                inner = reporter.runStep(u"frmMain:Timer1_Timer"_s, [&] { throw overflow; });
        };
        QVERIFY(!reporter.runStep(u"frmMain:Process"_s, [&] { throw overflow; }));
        QVERIFY(!inner && script.places.size() == 4);
    }

    void numbers() {
        table(uR"(
  -7  => -7
2.5 => 2
3.5 => 4
1,5 de => 2
abc => error 13
 => error 13
inf => error 13
2147483648 => error 6
2147483647 => 2147483647)"_s,
              [](const QStringList& w) {
                  qint32 value = 0;
                  const int error = errorNumber([&] {
                      value =
                          NumberText::toLong(w.join(u' ').section(u" de"_s, 0, 0),
                                             QLocale(w.last() == u"de"_s ? u"de_DE"_s : u"C"_s));
                  });
                  return error ? u"error %1"_s.arg(error) : QString::number(value);
              });
        QCOMPARE(errorNumber([] { NumberText::toInteger(u"32768"_s); }), ErrorNumber::Overflow);
        QVERIFY(NumberText::toFlag(u" 1.0 "_s) && !NumberText::toFlag(u"2"_s) &&
                !NumberText::toFlag(u"-1"_s));
        const QLocale german(u"de_DE"_s);
        QCOMPARE(NumberText::fromSingle(1.5f, german) + NumberText::fromSingle(14400.f, german) +
                     u' ' + NumberText::fromSingle(1234.567f, QLocale::c()),
                 u"1,514400 1234.567"_s);
        QCOMPARE(NumberText::toSingle(u"1,5"_s, german), 1.5f);
        QCOMPARE(errorNumber([] { NumberText::addChecked(-2147483647 - 1, -1); }),
                 ErrorNumber::Overflow);
    }

    void refreshTexts() {
        // now, time zone, the latest line's time, ticks since the last read => clock, seconds
        table(uR"(
01:30:00 -2 - 0 => 23:30:00 84600
08:05:09 0 08:05:01 0 => 08:05:09\08:05:01 29109
08:05:09 0 08:05:01 3 => 08:05:09/08:05:01 29109
23:00:00 3 - 1 => 02:00:00 7200
01:02:03 -30 - 1 => -05:02:03 -17877)"_s,
              [](const QStringList& w) {
                  const QTime now = QTime::fromString(w[0]);
                  return RefreshTexts::clockText(now, w[1].toInt(),
                                                 w[2] == u"-"_s ? QString() : w[2], w[3].toInt()) +
                         u' ' + QString::number(RefreshTexts::shiftedSeconds(now, w[1].toInt()));
              });
        QCOMPARE(*RefreshTexts::rateText(10, 3600) + *RefreshTexts::rateText(11, 3600),
                 u"     728     801"_s);
        QCOMPARE(RefreshTexts::rateText(2147483647, 1), std::optional(u"562949953159168"_s));
        QCOMPARE(RefreshTexts::rateText(5, 0), std::nullopt); // shifted midnight: the cell is kept
        QCOMPARE(RefreshTexts::blocksText(42) + RefreshTexts::noTodayText(), u"    42      "_s);
    }

    void nextLogFileNames() {
        table(uR"(
/logs/conlog07.log => /logs/conlog08.log
/logs/conlog09.log => /logs/conlog10.log
/l/c99.log => /l/c100.log
/v1.2/conlog.41.old => /v1.2/conlog.42.old
/logs/log_+7.log => /logs/log 08.log
/logs/conlog07 => error 5
a.log => error 5
/logs/conlog.log => error 13)"_s,
              [](const QStringList& w) {
                  QString next;
                  const int error = errorNumber(
                      [&] { next = nextLogFileName(QString(w[0]).replace(u'_', u' ')); });
                  return error ? u"error %1"_s.arg(error) : next;
              });
    }

    void counting() {
        Statistics s;
        // The pseudo-client is made first; zero blocks still make the record and the day.
        s.IncrementClient("a"_L1, "12/05/26"_L1, "23:00:00"_L1, 0, "OGR"_L1);
        s.IncrementClient("a"_L1, "12/05/26"_L1, "23:10:00"_L1, 3, "RC5"_L1);
        s.IncrementClient("A"_L1, "12/06/26"_L1, "00:10:00"_L1, 1, "OGR"_L1); // case matters
        s.IncrementClient("a"_L1, "12/06/26"_L1, "00:20:00"_L1, 1, "OGR"_L1);
        s.IncrementClient("a"_L1, "12/05/26"_L1, "23:59:00"_L1, 2, "OGR"_L1); // an earlier day
        s.IncrementClient(AllClientsLatin1, "12/06/26"_L1, "01:00:00"_L1, 5, "RC5"_L1);
        s.IncrementClient("x"_L1, "12/06/26"_L1, "01:00:00"_L1, 5, "DES"_L1); // no total
        QCOMPARE(summary(s),
                 u"OGR<All-clients> 4 12/05/26 23:59:00 [12/05/26=2 12/06/26=2] | "
                 "OGRa 3 12/05/26 23:59:00 [12/05/26=2 12/06/26=1] | "
                 "RC5<All-clients> 8 12/06/26 01:00:00 [12/05/26=3 12/06/26=5] | "
                 "RC5a 3 12/05/26 23:10:00 [12/05/26=3] | OGRA 1 12/06/26 00:10:00 [12/06/26=1] | "
                 "DES<All-clients> 5 12/06/26 01:00:00 [12/06/26=5] | "
                 "DESx 5 12/06/26 01:00:00 [12/06/26=5] | RC5 3 OGR 4"_s);
        // An overflow passes on its place; what was counted before it stays.
        Statistics t;
        t.IncrementClient("c"_L1, "12/06/26"_L1, "08:00:00"_L1, 2147483647, "OGR"_L1);
        t.IncrementClient(AllClientsLatin1, "12/06/26"_L1, "08:00:00"_L1, -2147483647, "OGR"_L1);
        t.totals.ClientsTotalOGR = 0;
        try {
            t.IncrementClient("c"_L1, "12/06/26"_L1, "09:00:00"_L1, 1, "OGR"_L1);
            QFAIL("no overflow");
        } catch (const RunTimeError& error) {
            QCOMPARE(error.description(), u"frmMain:IncrementClient\r\nOverflow"_s);
        }
        QCOMPARE(summary(t),
                 u"OGR<All-clients> 1 12/06/26 09:00:00 [12/06/26=1] | "
                 "OGRc 2147483647 12/06/26 08:00:00 [12/06/26=2147483647] | RC5 0 OGR 1"_s);
        t.reset();
        QCOMPARE(summary(t) + t.totals.LabInBufRC5 + t.totals.LabOutBufRC5 + t.totals.LabInBufOGR +
                     t.totals.LabOutBufOGR,
                 u" | RC5 0 OGR 0"_s + u"0000"_s);
    }

    // Clients gone quiet, in log time: one alert per silence, cleared on return, nothing from an
    // old log or a client long gone, off at 0.
    void quietClients_data() {
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
    void quietClients() {
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

QTEST_GUILESS_MAIN(TestCommon)
#include "test_common.moc"
