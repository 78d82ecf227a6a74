// Shared routines (numbers, errors, refresh texts, next log, counting, quiet clients) and names.
#include "support/Fakes.h"

#include "common/NumberText.h"
#include "common/modGlobals.h"
#include "naming/ClientNames.h"
#include "naming/NameTable.h"
#include "naming/NamesFile.h"
#include "stats/ClientTable.h"
#include "stats/NextLogFile.h"
#include "stats/QuietClients.h"
#include "stats/RefreshTexts.h"

#include <QFileInfo>
#include <QHostInfo>
#include <QRegularExpression>
#include <QTemporaryDir>

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

/** Names over a scripted lookup, resolving on. */
struct Names {
    FakeHostLookup* lookup = new FakeHostLookup;
    ClientNames names{std::unique_ptr<IHostLookup>(lookup)};
    Names() { names.setResolveClients(true); }
};

} // namespace

class TestCommon : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void texts() {
        FakeClock clock;
        clock.current = QDateTime(QDate(2000, 7, 5), QTime(23, 59, 59));
        QCOMPARE(rightJustify(5, 6) + rightJustify(1234567, 6) + rightJustify(QString(), 2) +
                     GetCurrentDate(clock),
                 u"     51234567  07/05/00"_s);
        QCOMPARE(errorReportText(RunTimeError(0x17c, u"x"_s), u"p"_s),
                 u"Error: 0x17C\r\n\r\np\r\nx"_s);
        ScriptedErrorReport script;
        ErrorReporter reporter(script);
        const RunTimeError overflow(ErrorNumber::Overflow, u"Overflow"_s);
        bool inner = true; // a tick failing while a box is open gets no box: it ends as by Abort
        script.whileOpen = [&] {
            if (script.places.size() == 1)
                inner = reporter.runStep(u"frmMain:Timer1_Timer"_s, [&] { throw overflow; });
        };
        QVERIFY(!reporter.runStep(u"frmMain:Process"_s, [&] { throw overflow; }));
        QVERIFY(!inner && script.places.size() == 1);
    }

    void numbers() {
        table(uR"(
  -7  => -7
2.5 => 2
3.5 => 4
1,5 de => 2
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
        const QLocale german(u"de_DE"_s);
        QVERIFY(NumberText::toFlag(u" 1.0 "_s) && !NumberText::toFlag(u"2"_s) &&
                !NumberText::toFlag(u"-1"_s) && NumberText::toSingle(u"1,5"_s, german) == 1.5f);
        QCOMPARE(NumberText::fromSingle(1.5f, german) + NumberText::fromSingle(14400.f, german) +
                     u' ' + NumberText::fromSingle(1234.567f, QLocale::c()),
                 u"1,514400 1234.567"_s);
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
        QVERIFY(RefreshTexts::rateText(2147483647, 1) == u"562949953159168"_s &&
                !RefreshTexts::rateText(5, 0)); // shifted midnight: the cell is kept
        QCOMPARE(RefreshTexts::blocksText(42) + RefreshTexts::noTodayText(), u"    42      "_s);
    }

    void nextLogFileNames() {
        table(uR"(
/logs/conlog07.log => /logs/conlog08.log
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
        Statistics s; // the pseudo-client made first; zero blocks still make the record and day
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
        Statistics t; // an overflow passes on its place; what was counted before it stays
        t.IncrementClient("c"_L1, "12/06/26"_L1, "08:00:00"_L1, 2147483647, "OGR"_L1);
        t.IncrementClient(AllClientsLatin1, "12/06/26"_L1, "08:00:00"_L1, -2147483647, "OGR"_L1);
        t.totals.ClientsTotalOGR = 0;
        QCOMPARE(errorNumber(
                     [&] { t.IncrementClient("c"_L1, "12/06/26"_L1, "09:00:00"_L1, 1, "OGR"_L1); }),
                 ErrorNumber::Overflow);
        QCOMPARE(summary(t),
                 u"OGR<All-clients> 1 12/06/26 09:00:00 [12/06/26=1] | "
                 "OGRc 2147483647 12/06/26 08:00:00 [12/06/26=2147483647] | RC5 0 OGR 1"_s);
        t.reset();
        QCOMPARE(summary(t) + t.totals.LabInBufRC5 + t.totals.LabOutBufRC5 + t.totals.LabInBufOGR +
                     t.totals.LabOutBufOGR,
                 u" | RC5 0 OGR 0"_s + u"0000"_s);
    }

    // Clients gone quiet, in log time: one alert per silence, cleared on return.
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
        const auto text = [&](const char* form) {
            return latest.toString(QLatin1StringView(form));
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
                QCOMPARE(quiet.quietKeys().values().replaceInStrings(Project::RC5, QString()),
                         words);
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

    void init() {
        emptyFolder(m_dir.path());
        m_path = m_dir.filePath(u"names.nam"_s);
    }

    void resolveRule() {
        // A client name (with "off": the option off) => the address looked up, "-" for none
        table(uR"(
10.1.2.3 => 10.1.2.3
10.1.2.3 off => -
pc.lan.net => -
pc.lan.example.net => 0.0.0.0
<All-clients> => -
1.2.4.256 => 1.2.4.0
010.002.0003.0255 => 10.2.3.255
+1.-2.99999999999999999999.4 => 0.0.0.4
1..3.4.5 => 1.0.3.4)"_s,
              [](const QStringList& w) {
                  Names n;
                  n.names.setResolveClients(w.size() == 1);
                  if (n.names.Resolve(w[0]) != w[0] || n.names.Resolve(w[0]) != w[0] ||
                      n.lookup->requests.size() > 1)
                      return u"not at once, or looked up twice"_s;
                  if (n.lookup->requests.isEmpty())
                      return u"-"_s;
                  n.lookup->answer(0, u"host.example"_s);
                  const bool found =
                      n.names.Resolve(w[0].toUpper()) == u"host.example"_s; // any letter case
                  return found && n.names.pendingLookupCount() == 0 ? n.lookup->requests[0].first
                                                                    : u"no name"_s;
              });
    }

    void answers() {
        const QString h64 = QString(60, u'h') + u".net"_s;
        table(u"%1 => %1\n%1x => %1\npc.lan%2rest => pc.lan\n => 10.0.0.7"_s.arg(h64, QChar(0)),
              [](const QStringList& w) { // answer => what shows; answers come in any order
                  Names n;
                  n.names.Resolve(u"10.0.0.7"_s);
                  n.names.Resolve(u"10.0.0.8"_s);
                  n.lookup->answer(1, u"other"_s);
                  n.lookup->answer(0, w[0]);
                  return n.names.Resolve(u"10.0.0.8"_s) == u"other"_s
                             ? n.names.Resolve(u"10.0.0.7"_s)
                             : u"mixed up"_s;
              });
        Names n; // a lookup that does not start leaves the address, and is not retried
        n.lookup->failToStart = true;
        QCOMPARE(n.names.Resolve(u"10.0.0.9"_s), u"10.0.0.9"_s);
        n.lookup->failToStart = false;
        QVERIFY(n.names.Resolve(u"10.0.0.9"_s) == u"10.0.0.9"_s && n.lookup->requests.isEmpty());
    }

    void mappedNamesWin() {
        Names n;
        n.names.Resolve(u"10.0.0.1"_s);
        n.names.Resolve(u"10.0.0.2"_s);
        QVERIFY(writeFile(m_path, "10.0.0.1 KITCHEN\r\nPrinter.Lan.X.Y LASER"));
        QVERIFY(n.names.LoadNames(m_path)); // while both lookups are under way
        n.lookup->answer(0, u"dns-1"_s);
        n.lookup->answer(1, u"dns-2"_s);
        QCOMPARE(joined({n.names.Resolve(u"10.0.0.1"_s), n.names.Resolve(u"printer.lan.x.y"_s),
                         n.names.Resolve(u"10.0.0.2"_s), n.lookup->requests.size()}),
                 u"KITCHEN LASER dns-2 2"_s); // mapped names are never looked up
        QVERIFY(n.names.LoadNames(m_path));   // earlier results are dropped with the old table
        QCOMPARE(joined({n.names.Resolve(u"10.0.0.2"_s),
                         n.lookup->requests.size()}), // braced: left to right
                 u"10.0.0.2 3"_s);
        n.names.setResolveClients(false); // the option off bypasses the mapping too
        QCOMPARE(n.names.Resolve(u"10.0.0.1"_s), u"10.0.0.1"_s);
    }

    void parsingNames() {
        // Names-file text, "/" for CR LF, "~" a lone LF, "^" a lone CR, "`" a tab => the mappings
        // of 10.0.0.1 to 10.0.0.5, the size of the table, and whether a repeated address cut it.
        table(uR"(
   10.0.0.1     PC1   extra words  / => 10.0.0.1=PC1 (1)
note//     /10.0.0.1 PC1/solo  /10.0.0.2 PC2 => 10.0.0.1=PC1 10.0.0.2=PC2 (2)
10.0.0.1`PC1/10.0.0.2 PC`2 x => 10.0.0.2=PC`2 (1)
10.0.0.1 A~10.0.0.2 B^10.0.0.3 C => 10.0.0.1=A 10.0.0.2=B^10.0.0.3 (2)
10.0.0.1 PC/10.0.0.2 PC => 10.0.0.1=PC 10.0.0.2=PC (2)
10.0.0.1 A/10.0.0.2 B/10.0.0.3 C/10.0.0.4 D/10.0.0.2 E/10.0.0.5 F => 10.0.0.1=A 10.0.0.2=B 10.0.0.3=C 10.0.0.4=D (4) cut
Pc.Lan.X.Y A/pc.lan.x.y B/10.0.0.3 C =>  (1) cut)"_s,
              [](const QStringList& w) {
                  QString text = w.join(u' ');
                  text.replace(u'/', u"\r\n"_s)
                      .replace(u'~', u'\n')
                      .replace(u'^', u'\r')
                      .replace(u'`', u'\t');
                  NameTable table;
                  const bool complete = parseNames(text, table);
                  QStringList found;
                  for (int i = 1; i <= 5; ++i)
                      if (const QString address = u"10.0.0.%1"_s.arg(i); table.contains(address))
                          found << address + u'=' + table.value(address);
                  return found.join(u' ').replace(u'\r', u'^').replace(u'\t', u'`') +
                         u" (%1)"_s.arg(table.size()) + (complete ? u""_s : u" cut"_s);
              });
    }

    void namesFile_data() {
        // The file's bytes, or <none>, <folder>, <zero>, <no folder> => what 10.0.0.1 maps to
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("name");
        QTest::addRow("UTF-8") << "10.0.0.1 K\xC3\xB6nig\r\n"_ba << u"K\u00F6nig"_s;
        QTest::addRow("Latin-1") << "10.0.0.1 K\xF6nig\r\n"_ba << u"K\u00F6nig"_s;
        QTest::addRow("byte-order mark") << "\xEF\xBB\xBF\x31\x30.0.0.1 PC1"_ba << u"PC1"_s;
        QTest::addRow("zero byte") << "10.0.0.1 A\0B\r\n"_ba << u"A"_s + QChar(0) + u"B"_s;
        QTest::addRow("missing: made, empty") << "<none>"_ba << QString();
        QTest::addRow("a folder") << "<folder>"_ba << u"unreadable"_s;
        QTest::addRow("endless") << "<zero>"_ba << u"unreadable"_s;
        QTest::addRow("in a missing folder") << "<no folder>"_ba << u"unreadable"_s;
    }
    void namesFile() {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, name);
        const QString path = bytes == "<no folder>" ? m_dir.filePath(u"no/names.nam"_s) : m_path;
        if (bytes == "<folder>")
            QVERIFY(QDir().mkdir(m_path));
        else if (bytes == "<zero>") // would fill memory
            QVERIFY(QFile::link(u"/dev/zero"_s, m_path));
        else if (!bytes.startsWith('<')) // read, never written
            QVERIFY(writeFile(m_path, bytes) &&
                    QFile::setPermissions(m_path, QFileDevice::ReadOwner));
        const QString old = m_dir.filePath(u"old.nam"_s);
        Names n;
        QVERIFY(writeFile(old, "10.0.0.1 OLD") && n.names.LoadNames(old));
        QString text;
        const bool loaded = n.names.LoadNames(path);
        if (!loaded) // the editor does not overwrite it either; nothing is made
            QVERIFY(n.names.nameTable().isEmpty() &&
                    !readNamesText(path, &text) == (path == m_path) &&
                    !QFileInfo::exists(m_dir.filePath(u"no"_s)));
        QCOMPARE(loaded ? n.names.nameTable().value(u"10.0.0.1"_s) : u"unreadable"_s, name);
        if (loaded)
            QCOMPARE(readFile(m_path), bytes == "<none>" ? QByteArray() : bytes);
    }

    void savingTheEditorsText() {
        const QByteArray odd =
            "\xEF\xBB\xBF  10.0.0.1\tPC1 \r\n\r\n10.0.0.2   K\xC3\xB6nig  x\n\r\n   \r\nsolo";
        QVERIFY(writeFile(m_path, odd));
        QString text;
        QVERIFY(readNamesText(m_path, &text) && saveNamesText(m_path, text));
        QCOMPARE(readFile(m_path), odd); // byte for byte, the mark included
        QVERIFY(saveNamesText(m_path, u"10.0.0.9 X"_s) && readFile(m_path) == "10.0.0.9 X");
        QVERIFY(writeFile(m_path, "10.0.0.1 K\xF6nig\r\n")); // Latin-1, saved back as UTF-8
        QVERIFY(readNamesText(m_path, &text) && saveNamesText(m_path, text));
        QCOMPARE(readFile(m_path), QByteArray("10.0.0.1 K\xC3\xB6nig\r\n"));

        QVERIFY(!saveNamesText(m_path + u"/names.nam"_s, u"x"_s)); // its folder is a file
        auto full = std::make_unique<ScopedFileSizeLimit>(64);     // the disk fills half-way
        QVERIFY(full->isActive() && !saveNamesText(m_path, QString(4096, u'n')));
        full.reset();
        QCOMPARE(readFile(m_path), QByteArray("10.0.0.1 K\xC3\xB6nig\r\n"));
        QCOMPARE(QDir(m_dir.path()).entryList(QDir::Files | QDir::Hidden),
                 QStringList{u"names.nam"_s}); // no temporary left behind
    }

    void realLookupOfLoopback() {
        const QString expected = QHostInfo::fromName(u"127.0.0.1"_s).hostName().left(64);
        if (expected == u"127.0.0.1"_s)
            QSKIP("the system names nothing for 127.0.0.1");
        ClientNames names; // only 127.0.0.1: no name lookup leaves the machine
        names.setResolveClients(true);
        QCOMPARE(names.Resolve(u"127.0.0.1"_s), u"127.0.0.1"_s); // answered at once
        QTRY_COMPARE_WITH_TIMEOUT(names.Resolve(u"127.0.0.1"_s), expected, 10000);
    }

private:
    QTemporaryDir m_dir;
    QString m_path;
};

QTEST_GUILESS_MAIN(TestCommon)
#include "test_common.moc"
