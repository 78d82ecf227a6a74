// The property bag, the stats file (layout, damaged, failed saves) and the settings store.
#include "support/Fakes.h"

#include "persistence/PropertyBag.h"
#include "persistence/Settings.h"
#include "persistence/StatsFile.h"
#include "stats/LogSession.h"

#include <QBuffer>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QSettings>
#include <QTemporaryDir>
#include <QTimeZone>
#include <QtEndian>

using namespace Qt::StringLiterals;
using Tweak = std::function<void(PropertyBag& fileBag, PropertyBag& tableBag)>;

namespace {

/** Both projects, days out of date order, an empty history, eleven records, odd totals. */
void fillSample(LogSession& session, Statistics& s) {
    session.FileName = u"/var/log/proxy/conlog 2026.log"_s;
    session.TextStreamPosition = 5'000'000'001; // past 2 and 4 GiB
    session.LastModified = QDateTime(QDate(2026, 12, 6), QTime(7, 59, 58, 123));
    session.CurrentLine = 123456;
    session.LastDate = u"12/06/26"_s;
    session.LastTime = u"07:59:58"_s;
    const QStringList keys{u"RC5<All-clients>"_s, u"RC5192.168.1.10"_s, u"OGR<All-clients>"_s,
                           u"OGRquiet"_s};
    for (int i = 0; i < 11; ++i) {
        const QString key = keys.value(i, u"RC5\u00e9t\u00e9"_s + QString::number(i));
        ClientRecord& record = s.clients.findOrAppend(key);
        record = {{}, key, 0, u"12/06/26 08:00:0"_s + QString::number(i)};
        for (int day = 0; day < (i == 3 ? 0 : 2); ++day) { // days out of order; Data3 empty
            const QString date = u"12/0%1/26"_s.arg(6 - day + (i == 1 ? 2 * day - 1 : 0));
            record.Data.findOrAppend(date) = {date, i == 2 ? (day ? 5 : 2147483642) : 10 * i + day};
            record.Blocks += record.Data.find(date)->Blocks;
        }
    }
    s.totals = {44, -3, u"1,234"_s, u"0"_s, 2147483647, 9, QString(), u"17"_s};
}

/** Everything a stats file carries, one line per item, so that a difference shows where. */
QStringList dump(const LogSession& session, const Statistics& s) {
    const ProjectTotals& t = s.totals;
    QStringList lines{joined({session.FileName, session.TextStreamPosition, session.LastModified,
                              session.CurrentLine, session.LastDate, session.LastTime,
                              t.ClientsTotalRC5, t.UplinkTotalRC5, t.LabInBufRC5, t.LabOutBufRC5,
                              t.ClientsTotalOGR, t.UplinkTotalOGR, t.LabInBufOGR, t.LabOutBufOGR},
                             u'|')};
    for (const auto& entry : s.clients) {
        QVariantList record{entry.key, entry.value.Name, entry.value.Blocks, entry.value.Time};
        for (const auto& day : entry.value.Data)
            record << day.key << day.value.Date << day.value.Blocks;
        lines << joined(record, u'|');
    }
    return lines;
}

QByteArray frame(const QByteArray& bag, qint32 head) {
    const qint32 littleEndian = qToLittleEndian(head);
    return QByteArray(reinterpret_cast<const char*>(&littleEndian), 4) + bag;
}

PropertyBag bagOf(const QByteArray& bytes) {
    PropertyBag bag;
    bag.setContents(bytes);
    return bag;
}

/** The sample's stats file, tweak applied to its bags before the table goes into the file bag. */
QByteArray sampleFile(const Tweak& tweak = {}) {
    LogSession session;
    Statistics s;
    fillSample(session, s);
    PropertyBag fileBag, tableBag;
    WriteProperties(fileBag, session, s.totals);
    WriteStats(tableBag, s.clients);
    if (tweak)
        tweak(fileBag, tableBag);
    if (!fileBag.contains(u"RC5Stats"))
        fileBag.WriteProperty(u"RC5Stats", tableBag.Contents());
    return frame(fileBag.Contents(), qint32(fileBag.Contents().size() - 1));
}

/** Sets one property of the file bag (F), the table bag (T) or the history bag of record 1 (H). */
Tweak set(char bag, const char* name, const PropertyValue& value) {
    return [=](PropertyBag& file, PropertyBag& table) {
        PropertyBag history = bagOf(table.ReadProperty(u"Data1").toBytes());
        PropertyBag& target = bag == 'F' ? file : bag == 'T' ? table : history;
        target.WriteProperty(QString::fromLatin1(name), value);
        if (bag == 'H')
            table.WriteProperty(u"Data1", history.Contents());
    };
}

/** The texts stored under "section/key,...", read as the file has them; "-" for none. */
QString stored(const QString& keys) {
    const QSettings file(QSettings::IniFormat, QSettings::UserScope, u"Quillmere Log Analyzer"_s);
    QStringList texts;
    for (const QString& key : keys.split(u','))
        texts << file.value(key, u"-"_s).toString();
    return texts.join(u' ');
}

/** Every preference as start-up reads them, one reported step each; "Abort" after an Abort. */
QString readAll(ErrorReporter& reporter) {
    Preferences p;
    for (const PreferenceSetting& setting : preferenceSettings())
        if (!reporter.runStep(u"frmMain:Form_Load"_s, [&] { readPreference(setting, p); }))
            return u"Abort %1 %2"_s.arg(p.TimeZone).arg(p.RefreshRate);
    return joined({p.TimeZone, p.RefreshRate, int(p.ResolveClients), int(p.WebStats),
                   p.WebRefreshRate, int(p.WebLocal)}) +
           u" [%1] [%2] [%3] [%4]"_s.arg(p.WebFolder, p.WebFTPServer, p.WebFTPUser, p.WebFTPPass);
}

/** A placement read in order, each key with the current value as its default. */
QString readPlacement(WindowPlacement p, ErrorReporter& reporter) {
    for (const auto& step : placementReadSteps(SettingsKey::Common, SettingsKey::ListView, p))
        reporter.runStep(u"frmMain:Form_Load"_s, step);
    const QVariantList columns(p.columns.begin(), p.columns.end());
    return joined({p.windowState, p.left, p.top, p.width, p.height}) + u" ["_s + joined(columns) +
           u"] "_s + joined({p.sortKey, p.sortOrder});
}

} // namespace

class TestStatsFile : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void init() {
        emptyFolder(m_dir.path());
        m_path = m_dir.filePath(u"stats.bin"_s);
        QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
        QFile::remove(SettingsStore().fileName());
    }

    void bagValuesKeepTheirKind() {
        const QDate day(2026, 3, 29); // 02:30 local is in a gap on many zones
        QList<PropertyValue> values{QString(), u"Gr\u00fc\u00dfe \U0001F600 \u20ac"_s};
        values << std::numeric_limits<qint32>::min() << qint64(5'000'000'001) << qint64(1)
               << QDateTime() << QDateTime(day, QTime(2, 30, 0, 7))
               << QDateTime(QDate(1601, 1, 2), QTime(3, 4), Qt::UTC)
               << QDateTime(day, QTime(23, 59, 59, 999), Qt::OffsetFromUTC, -19800)
               << QDateTime(day, QTime(12, 0), QTimeZone("Europe/Berlin"))
               << QByteArray("\0\x01\xff", 3) << QByteArray(300000, 'x');
        PropertyBag bag;
        for (int i = 0; i < values.size(); ++i) {
            bag.WriteProperty(u"\ufeffV"_s + QString::number(i), values[i]);
            bag.WriteProperty(u"V"_s + QString::number(i), values[i]);
        }
        const PropertyBag read = bagOf(bag.Contents());
        QCOMPARE(read.names(), bag.names());
        for (int i = 0; i < values.size(); ++i) {
            const PropertyValue back = read.ReadProperty(u"\ufeffV"_s + QString::number(i));
            QVERIFY2(back.kind() == values[i].kind() && back == values[i],
                     qPrintable(QString::number(i)));
            if (back.kind() == PropertyValue::Kind::DateTime) // the form and offset stay too
                QCOMPARE(back.toDateTime().offsetFromUtc(), values[i].toDateTime().offsetFromUtc());
        }
        bag.clear();
        bag.WriteProperty(u"Count", qint32(0x01020304));
        bag.WriteProperty("T"_L1, u"x"_s);
        bag.WriteProperty(u"P", qint64(0x100000000));
        bag.WriteProperty(u"T", u"\u00e9"_s); // written again: replaced in place
        QCOMPARE(bag.Contents().toHex(' '),
                 "01 05 43 6f 75 6e 74 02 04 03 02 01 01 54 01 02 c3 a9 01 50 03 00 "
                 "00 00 00 01 00 00 00");
        QCOMPARE((QList<int>{errorNumber([&] { bag.ReadProperty(u"count"); }),
                             errorNumber([&] { bag.ReadProperty(u"T").toInt32(); }),
                             errorNumber([&] { bag.ReadProperty(u"P").toInt32(); }),
                             errorNumber([&] { bag.WriteProperty(u"", qint32(1)); })}),
                 (QList<int>{ErrorNumber::BadFileFormat, ErrorNumber::TypeMismatch,
                             ErrorNumber::Overflow, ErrorNumber::InvalidArgument}));
    }

    void damagedBagsAreRefused() {
        PropertyBag bag;
        bag.WriteProperty(u"Name", u"RC5<All-clients>"_s);
        bag.WriteProperty(u"When", QDateTime(QDate(2026, 1, 2), QTime(3, 4), Qt::UTC));
        bag.WriteProperty(u"Data", QByteArray(200, 'd'));
        bag.WriteProperty(u"Pos", qint64(1) << 33);
        const QByteArray whole = bag.Contents();
        QList<qsizetype> ends{1}; // where a shorter bag is still whole
        PropertyBag growing;
        for (const QString& name : bag.names()) {
            growing.WriteProperty(name, bag.ReadProperty(name));
            ends << growing.Contents().size();
        }
        QList<QByteArray> damaged{QByteArray(), QByteArray(1, 0), "\x02"}; // versions 0 and 2
        for (qsizetype cut = 1; cut < whole.size(); ++cut)                 // cut inside a property
            if (!ends.contains(cut))
                damaged << whole.left(cut);
        for (const char* hex :
             {"01 00 02 00000000", "01 01 41 00", "01 01 41 06 00", "01 01 41 01 ffffffff07 61",
              "01 01 41 05 8080808080 00", "01 01 41 05 ffffffff0f", "01 01 41 01 8000",
              "01 01 41 01 02 c328", "01 01 41 01 03 eda080", "01 01 ff 02 00000000",
              "01 01 41 04 04", "01 01 41 04 01 ffffffffffffff7f",
              "01 01 41 04 03 00000100 0000000000000000",
              "01 01 41 04 03 00000000 0000000000000000",
              "01 01 41 02 01000000 01 42 02 02000000 01 41 02 03000000",
              "01 01 41 02 01000000 07"})
            damaged << QByteArray::fromHex(hex);
        for (const QByteArray& bytes : damaged) {
            PropertyBag kept; // a refused parse changes nothing
            kept.WriteProperty(u"Kept", u"yes"_s);
            QVERIFY2(errorNumber([&] { kept.setContents(bytes); }) == ErrorNumber::BadFileFormat &&
                         kept.ReadProperty(u"Kept").toText() == u"yes"_s,
                     bytes.toHex(' ').constData());
        }
        for (qsizetype i = 0; i < ends.size(); ++i)
            QCOMPARE(bagOf(whole.left(ends[i])).count(), i);
    }

    void saveThenLoad() {
        LogSession saved;
        Statistics savedStats;
        fillSample(saved, savedStats);
        saved.ReadBuffer = "a\r\nbb\r\n"; // "bb" not handed out yet: the file reads on from it
        saved.BufferLength = 7;
        saved.BufferPos = 4;
        QVERIFY(SaveStatsFile(m_path, saved, savedStats));
        saved.TextStreamPosition -= 4;
        LogSession session;
        session.ReadBuffer = "line\r\n";
        Statistics stats;
        stats.clients.findOrAppend(u"RC5old"_s).Name = u"RC5old"_s;
        QVERIFY(LoadStatsFile(m_path, session, stats));
        QCOMPARE(dump(session, stats), dump(saved, savedStats)); // the old table is gone
        QVERIFY(session.seenSize == -1 && session.ReadBuffer == "line\r\n"); // the log anew
        const QByteArray file = readFile(m_path);
        QVERIFY(SaveStatsFile(m_path, session, stats) && readFile(m_path) == file);

        QCOMPARE(qFromLittleEndian<qint32>(file.constData()), qint32(file.size() - 5)); // N - 1
        const PropertyBag fileBag = bagOf(file.mid(4));
        QCOMPARE(fileBag.names().join(u' '),
                 u"LastDate LastTime FileName TextStreamPosition LastModified CurrentLine "
                 "ClientsTotalRC5 UplinkTotalRC5 LabInBufRC5 LabOutBufRC5 ClientsTotalOGR "
                 "UplinkTotalOGR LabInBufOGR LabOutBufOGR RC5Stats"_s);
        QCOMPARE(fileBag.ReadProperty(u"CurrentLine").kind(), PropertyValue::Kind::Int32);
        const PropertyBag table = bagOf(fileBag.ReadProperty(u"RC5Stats").toBytes());
        QCOMPARE(table.names().mid(0, 5).join(u' ') + u' ' + table.names().mid(41).join(u' '),
                 u"Count Data0 Name0 Blocks0 Time0 Data10 Name10 Blocks10 Time10"_s);
        const PropertyBag history = bagOf(table.ReadProperty(u"Data1").toBytes());
        QCOMPARE(history.names().join(u' ') + u' ' + history.ReadProperty(u"Date0").toText(),
                 u"Count Date0 Blocks0 Date1 Blocks1 12/05/26"_s);

        // A 32-bit position from an earlier build; a repeated key keeps its place, later record.
        QVERIFY(writeFile(m_path, sampleFile([](PropertyBag& file, PropertyBag& table) {
                              file.WriteProperty(u"TextStreamPosition", qint32(70000));
                              table.WriteProperty(u"Name1", u"RC5<All-clients>"_s);
                          })));
        QVERIFY(LoadStatsFile(m_path, session, stats));
        QCOMPARE(joined({session.TextStreamPosition, stats.clients.size(),
                         stats.clients.entryAt(0).value.Blocks}),
                 u"70000 10 21"_s);
    }

    void damagedFileChangesNothingAndIsKeptAside() {
        const QByteArray valid = sampleFile();
        QByteArray random(4000, Qt::Uninitialized);
        QRandomGenerator(20261206).fillRange(reinterpret_cast<quint32*>(random.data()), 1000);
        QList<QByteArray> files{random, QByteArray(), valid.chopped(1), frame(valid.mid(4), -1)};
        files << frame(valid.mid(4).replace("RC5Stats", "OGRStats"), qint32(valid.size() - 5))
              << frame(QByteArray::fromHex("01 08 4c61737444617465 01 ffffffff07 3132"), 17);
        for (const Tweak& tweak :
             {set('F', "RC5Stats", QByteArray::fromHex("0105436f75")), // cut in its name
              set('T', "Count", qint32(-1)), set('T', "Count", qint32(10)),
              set('T', "Blocks3", u"abc"_s), set('T', "Name0", qint32(5)),
              set('H', "Blocks1", u"abc"_s), set('H', "Count", qint32(1 << 30)),
              set('H', "Blocks0", qint64(1) << 32), set('F', "TextStreamPosition", qint64(0)),
              set('F', "CurrentLine", qint32(-1)), set('F', "LastModified", u"yesterday"_s),
              set('F', "Extra", qint32(1))})
            files << sampleFile(tweak);
        const QRegularExpression keptName(u"stats\\.bin\\.damaged-\\d{8}-\\d{6}$"_s);
        for (const QByteArray& bytes : files) {
            QVERIFY(writeFile(m_path, bytes));
            LogSession session;
            Statistics s;
            session.FileName = u"current.log"_s;
            s.totals.ClientsTotalRC5 = 5;
            const QStringList before = dump(session, s);
            const StatsLoad load = LoadStatsFile(m_path, session, s);
            QCOMPARE(dump(session, s), before); // kept aside as it was, never saved over
            QVERIFY2(load.outcome == StatsLoad::Outcome::Damaged && !QFile::exists(m_path) &&
                         readFile(load.detail) == bytes && QFile::remove(load.detail) &&
                         keptName.match(load.detail).hasMatch(),
                     qPrintable(QString::number(files.indexOf(bytes))));
        }
        const QString first = writeFile(m_path, "x") ? keepDamagedStatsFile(m_path) : QString();
        QVERIFY(writeFile(m_path, "z"));
        QVERIFY(!first.isEmpty() && keepDamagedStatsFile(m_path) != first); // never over another
    }

    void missingUnreadableAndFailedSaves() {
        LogSession session;
        Statistics s;
        QCOMPARE(LoadStatsFile(m_path, session, s).outcome, StatsLoad::Outcome::Missing);
        QVERIFY(QDir(m_dir.path()).isEmpty()); // nothing created
        QVERIFY(QDir(m_dir.path()).mkdir(u"stats.bin"_s));
        QCOMPARE(LoadStatsFile(m_path, session, s).outcome, StatsLoad::Outcome::Unreadable);
        QVERIFY(QFileInfo(m_path).isDir());
        emptyFolder(m_dir.path());

        fillSample(session, s);
        QVERIFY(SaveStatsFile(m_path, session, s));
        const QByteArray old = readFile(m_path);
        for (const qint64 failAfter : {qint64(0), qint64(3), qint64(old.size() - 1)}) {
            FailingDevice device(failAfter);
            QVERIFY(device.open(QIODevice::WriteOnly) && !SaveStatsFile(&device, session, s));
        }
        QBuffer buffer; // a device gets the same bytes
        QVERIFY(buffer.open(QIODevice::WriteOnly) && SaveStatsFile(&buffer, session, s));
        QCOMPARE(buffer.data(), old);
    }

    void preferences() {
        ScriptedErrorReport report;
        ErrorReporter reporter(report);
        QCOMPARE(readAll(reporter), u"-2 5 1 0 30 1 [] [] [] []"_s); // a first start
        QVERIFY(alwaysLoadAtStartUp() == 1 && alwaysLoadInPreferences() == 0);
        QVERIFY(!QFileInfo::exists(SettingsStore().fileName())); // reading writes nothing
        // One text stored under every key => every preference as read (a flag is on for 1 only)
        table(uR"(
1 => 1 1 1 1 1 1 [1] [1] [1] [1]
2.5 => 2 2 0 0 2 0 [2.5] [2.5] [2.5] [2.5]
a,_b_=_c;_"d" => Abort 0 0)"_s,
              [&](const QStringList& w) {
                  for (const PreferenceSetting& setting : preferenceSettings())
                      SaveSetting(SettingsKey::Common, setting.key,
                                  QString(w[0]).replace(u'_', u' '));
                  return readAll(reporter);
              });
        QCOMPARE(GetSetting(SettingsKey::Common, "WebFolder"_L1), u"a, b = c; \"d\""_s);

        // Ignore skips just that assignment; Retry reads again; Abort ends the reading there.
        QFile::remove(SettingsStore().fileName());
        SaveSetting(SettingsKey::Common, "Time Zone"_L1, u"3"_s);
        SaveSetting(SettingsKey::Common, "Refresh Rate"_L1, u"abc"_s);
        SaveSetting(SettingsKey::Common, "WebRefreshRate"_L1, u"3000000000"_s);
        report.numbers.clear();
        report.answers = {ErrorAnswer::Ignore, ErrorAnswer::Retry, ErrorAnswer::Ignore};
        QCOMPARE(readAll(reporter), u"3 0 1 0 0 1 [] [] [] []"_s);
        QCOMPARE(report.numbers, (QList<int>{ErrorNumber::TypeMismatch, ErrorNumber::Overflow,
                                             ErrorNumber::Overflow}));
        QCOMPARE(readAll(reporter), u"Abort 3 0"_s);

        savePreferences({-3, 10, false, true, 60, false, u"/srv/www"_s, u"ftp.invalid"_s, u"me"_s,
                         u"s3cret pass"_s},
                        0);
        QCOMPARE(
            stored(u"Common/Time Zone,Common/Refresh Rate,Common/AlwaysLoad,Common/ResolveClients,"
                   "Common/WebStats,Common/WebRefreshRate,Common/WebLocal,Common/WebFolder,"
                   "Common/WebFTPServer,Common/WebFTPUser,Common/WebFTPPass"_s),
            u"-3 10 0 0 1 60 0 /srv/www ftp.invalid me s3cret pass"_s);
        QVERIFY(!(QFileInfo(SettingsStore().fileName()).permissions() &
                  (QFileDevice::ReadGroup | QFileDevice::ReadOther)));
        savePreferences({0, 0, true, false, 0, true, {}, {}, {}, {}}, 1);
        QCOMPARE(stored(u"Common/ResolveClients,Common/WebLocal,Common/AlwaysLoad"_s), u"1 1 1"_s);
        QCOMPARE(alwaysLoadAtStartUp(), 1);
    }

    void placement() {
        QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
        saveWindowPlacement(SettingsKey::Common, SettingsKey::ListView,
                            {0, 100, 200, 9000, 6000.5f, {2000, 1.5f}, 3, 1});
        saveWindowPlacement(SettingsKey::Common, SettingsKey::ListView,
                            {2, 0, 0, 1, 0, {2500, 1}, 4, 0});
        QCOMPARE(stored(u"Common/WindowState,Common/Left,Common/Top,Common/Width,Common/Height,"
                        "ListView/Col1,ListView/Col2,ListView/SortKey,ListView/SortOrder"_s),
                 u"2 100 200 9000 6000,5 2500 1 4 0"_s); // maximised: the rectangle stays

        ScriptedErrorReport report;
        ErrorReporter reporter(report);
        SaveSetting(SettingsKey::Common, "Top"_L1, u"-300,5"_s);
        QCOMPARE(readPlacement({0, 11, 22, 33, 44, {1, 2, 3}, 1, 1}, reporter), // current values
                 u"2 100 -300.5 9000 6000.5 [2500 1 3] 4 0"_s);                 // as defaults
        // A text that does not convert => its error; Ignore keeps the value the window had.
        table(uR"(
Common/WindowState 3 => 380
Common/WindowState -1 => 380
Common/Left abc => 13
ListView/SortKey 40000 => 6)"_s,
              [&](const QStringList& w) {
                  QFile::remove(SettingsStore().fileName());
                  SaveSetting(w[0].section(u'/', 0, 0), w[0].section(u'/', 1), w[1]);
                  SaveSetting(SettingsKey::Common, "Height"_L1, u"500"_s);
                  report.answers = {ErrorAnswer::Ignore};
                  report.numbers.clear();
                  const QString read = readPlacement({1, 7, 0, 0, 0, {10}, 2, 1}, reporter);
                  return read == u"1 7 0 0 500 [10] 2 1"_s && report.numbers.size() == 1
                             ? QString::number(report.numbers[0])
                             : read;
              });
    }

private:
    QTemporaryDir m_dir;
    QString m_path;
};

QTEST_GUILESS_MAIN(TestStatsFile)
#include "test_statsfile.moc"
