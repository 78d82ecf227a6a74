#include "common/RunTimeError.h"
#include "persistence/AppPaths.h"
#include "persistence/PropertyBag.h"
#include "persistence/StatsFile.h"
#include "stats/ClientTable.h"
#include "stats/LogSession.h"
#include "support/Fakes.h"

#include <QBuffer>
#include <QDir>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <QtEndian>

#include <csignal>
#include <functional>
#include <sys/resource.h>

using namespace Qt::StringLiterals;

namespace {

void addRecord(Statistics& s, const QString& key, const QList<std::pair<QString, qint32>>& days,
               const QString& time) {
    ClientRecord record;
    record.Name = key;
    record.Time = time;
    for (const auto& [date, blocks] : days) {
        DayEntry& entry = record.Data.findOrAppend(date);
        entry.Date = date;
        entry.Blocks = blocks;
        record.Blocks += blocks;
    }
    s.clients.insertOrAssign(key, std::move(record));
}

/** Both projects, "<All-clients>" records, days out of date order and an empty history. */
void fillSample(Statistics& s) {
    addRecord(s, u"RC5<All-clients>"_s, {{u"12/05/26"_s, 30}, {u"12/06/26"_s, 14}},
              u"12/06/26 08:00:00"_s);
    addRecord(s, u"RC5192.168.1.10"_s, {{u"12/06/26"_s, 12}, {u"12/05/26"_s, 30}},
              u"12/06/26 08:00:00"_s);
    addRecord(s, u"RC5box-\u00e9t\u00e9"_s, {{u"12/06/26"_s, 2}}, u"12/06/26 07:00:00"_s);
    addRecord(s, u"OGR<All-clients>"_s, {{u"01/01/26"_s, 2147483647}}, u"01/01/26 00:00:01"_s);
    addRecord(s, u"OGRquiet"_s, {}, QString());
    s.totals.ClientsTotalRC5 = 44;
    s.totals.UplinkTotalRC5 = -3;
    s.totals.LabInBufRC5 = u"1,234"_s;
    s.totals.LabOutBufRC5 = u"0"_s;
    s.totals.ClientsTotalOGR = 2147483647;
    s.totals.UplinkTotalOGR = 9;
    s.totals.LabInBufOGR = QString();
    s.totals.LabOutBufOGR = u"17"_s;
}

void fillSample(LogSession& session) {
    session.FileName = u"/var/log/proxy/conlog 2026.log"_s;
    session.TextStreamPosition = 5'000'000'001; // past 2 GiB and past 4 GiB
    session.LastModified = QDateTime(QDate(2026, 12, 6), QTime(7, 59, 58, 123));
    session.CurrentLine = 123456;
    session.LastDate = u"12/06/26"_s;
    session.LastTime = u"07:59:58"_s;
}

/** Everything a stats file carries, one line per item, so that a difference shows where. */
QStringList dump(const LogSession& session, const Statistics& s) {
    QStringList lines{session.FileName,
                      QString::number(session.TextStreamPosition),
                      session.LastModified.toString(Qt::ISODateWithMs),
                      QString::number(session.CurrentLine),
                      session.LastDate,
                      session.LastTime};
    const ProjectTotals& t = s.totals;
    lines << QStringList{QString::number(t.ClientsTotalRC5),
                         QString::number(t.UplinkTotalRC5),
                         t.LabInBufRC5,
                         t.LabOutBufRC5,
                         QString::number(t.ClientsTotalOGR),
                         QString::number(t.UplinkTotalOGR),
                         t.LabInBufOGR,
                         t.LabOutBufOGR}
                 .join(u'|');
    for (const auto& entry : s.clients) {
        const ClientRecord& r = entry.value;
        QStringList days;
        for (const auto& day : r.Data)
            days << day.key + u'=' + day.value.Date + u':' + QString::number(day.value.Blocks);
        lines << entry.key + u'|' + r.Name + u'|' + QString::number(r.Blocks) + u'|' + r.Time +
                     u'|' + days.join(u',');
    }
    return lines;
}

QByteArray readAll(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return QByteArray("<unreadable>");
    return file.readAll();
}

bool writeAll(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

QByteArray frame(const QByteArray& bag, qint32 head) {
    QByteArray bytes(4, Qt::Uninitialized);
    qToLittleEndian(head, bytes.data());
    return bytes + bag;
}

QByteArray frame(const QByteArray& bag) {
    return frame(bag, qint32(bag.size() - 1));
}

/** The bag behind a file's head. */
PropertyBag fileBagOf(const QByteArray& file) {
    PropertyBag bag;
    bag.setContents(file.mid(4));
    return bag;
}

PropertyBag innerBag(const PropertyBag& outer, QAnyStringView name) {
    PropertyBag bag;
    bag.setContents(outer.ReadProperty(name).toBytes());
    return bag;
}

using Tweak = std::function<void(PropertyBag& fileBag, PropertyBag& tableBag)>;

/** A stats file of the sample model, with tweak applied to its bags before they are framed. */
QByteArray sampleFile(const Tweak& tweak = {}) {
    LogSession session;
    Statistics s;
    fillSample(session);
    fillSample(s);
    PropertyBag fileBag;
    PropertyBag tableBag;
    WriteProperties(fileBag, session, s.totals);
    WriteStats(tableBag, s.clients);
    fileBag.WriteProperty(u"RC5Stats", tableBag.Contents());
    if (tweak) {
        tweak(fileBag, tableBag);
        fileBag.WriteProperty(u"RC5Stats", tableBag.Contents());
    }
    return frame(fileBag.Contents());
}

/** Replaces one property of the history bag of record 1. */
Tweak historyTweak(const std::function<void(PropertyBag&)>& change) {
    return [change](PropertyBag&, PropertyBag& table) {
        PropertyBag history = innerBag(table, u"Data1");
        change(history);
        table.WriteProperty(u"Data1", history.Contents());
    };
}

template <typename F> RunTimeError caught(F&& f) {
    try {
        f();
    } catch (const RunTimeError& error) {
        return error;
    }
    return RunTimeError(0, u"nothing thrown"_s);
}

} // namespace

class TestStatsFile : public QObject {
    Q_OBJECT
private:
    QTemporaryDir* m_dir = nullptr;
    QString m_path;
    rlimit m_fileSizeLimit{};

    QStringList filesInDir() const {
        return QDir(m_dir->path()).entryList(QDir::Files | QDir::NoDotAndDotDot);
    }

private Q_SLOTS:
    void initTestCase() {
        std::signal(SIGXFSZ,
                    SIG_IGN); // a write past the file-size limit fails instead of killing us
        QVERIFY(getrlimit(RLIMIT_FSIZE, &m_fileSizeLimit) == 0);
    }

    void init() {
        m_dir = new QTemporaryDir();
        QVERIFY(m_dir->isValid());
        m_path = m_dir->filePath(u"stats.bin"_s);
    }

    void cleanup() {
        setrlimit(RLIMIT_FSIZE, &m_fileSizeLimit);
        delete m_dir;
        m_dir = nullptr;
    }

    void saveThenLoadKeepsEverything() {
        LogSession saved;
        Statistics savedStats;
        fillSample(saved);
        fillSample(savedStats);
        QVERIFY(SaveStatsFile(m_path, saved, savedStats));

        LogSession session;
        session.ReadBuffer = "line one\r\nline";
        session.BufferPos = 11;
        session.BufferLength = 10;
        session.seenSize = 4096;
        session.generation = 3;
        Statistics stats;
        addRecord(stats, u"RC5old"_s, {{u"01/01/20"_s, 1}}, u"x"_s);
        QVERIFY(LoadStatsFile(m_path, session, stats));

        QCOMPARE(dump(session, stats), dump(saved, savedStats));
        QCOMPARE(session.TextStreamPosition, qint64(5'000'000'001));
        QCOMPARE(session.LastModified.time().msec(), 123);
        QCOMPARE(stats.clients.entryAt(0).key, u"RC5<All-clients>"_s);
        QCOMPARE(stats.clients.entryAt(3).key, u"OGR<All-clients>"_s);
        QVERIFY(stats.clients.find(u"OGRquiet"_s)->Data.isEmpty());
        QVERIFY(!stats.clients.contains(u"RC5old"_s)); // the previous table is dropped
        // The in-memory reading state stays; the log is looked at anew.
        QCOMPARE(session.seenSize, qint64(-1));
        QCOMPARE(session.ReadBuffer, QByteArray("line one\r\nline"));
        QCOMPARE(session.BufferPos, qint64(11));
        QCOMPARE(session.BufferLength, qint64(10));
        QCOMPARE(session.generation, quint64(3));

        // Saving what was loaded writes the same bytes again.
        const QByteArray first = readAll(m_path);
        QVERIFY(SaveStatsFile(m_path, session, stats));
        QCOMPARE(readAll(m_path), first);
    }

    void nullLastModifiedAndEmptyTextsRoundTrip() {
        LogSession saved;
        Statistics savedStats; // empty table, zero totals, empty texts
        QVERIFY(SaveStatsFile(m_path, saved, savedStats));
        LogSession session;
        fillSample(session);
        Statistics stats;
        fillSample(stats);
        QVERIFY(LoadStatsFile(m_path, session, stats));
        QVERIFY(session.LastModified.isNull());
        QVERIFY(session.FileName.isEmpty());
        QCOMPARE(session.TextStreamPosition, qint64(1));
        QCOMPARE(stats.clients.size(), 0);
        QCOMPARE(dump(session, stats), dump(saved, savedStats));
        // An empty table is a table bag with only "Count" 0.
        const PropertyBag table = innerBag(fileBagOf(readAll(m_path)), u"RC5Stats");
        QCOMPARE(table.names(), QStringList{u"Count"_s});
        QCOMPARE(table.ReadProperty(u"Count").toInt32(), 0);
    }

    void fileLayout() {
        LogSession session;
        Statistics s;
        fillSample(session);
        fillSample(s);
        QVERIFY(SaveStatsFile(m_path, session, s));
        const QByteArray file = readAll(m_path);

        // The head is the upper index of the bag bytes: their number minus one.
        QCOMPARE(qFromLittleEndian<qint32>(file.constData()), qint32(file.size() - 4 - 1));
        QCOMPARE(file, statsFileBytes(session, s));
        // A loader that takes the head as the length reads one byte short: that bag is damaged.
        PropertyBag shortBag;
        QCOMPARE(caught([&] { shortBag.setContents(file.mid(4, file.size() - 5)); }).number(),
                 ErrorNumber::BadFileFormat);

        const PropertyBag fileBag = fileBagOf(file);
        QCOMPARE(fileBag.names(),
                 (QStringList{u"LastDate"_s, u"LastTime"_s, u"FileName"_s, u"TextStreamPosition"_s,
                              u"LastModified"_s, u"CurrentLine"_s, u"ClientsTotalRC5"_s,
                              u"UplinkTotalRC5"_s, u"LabInBufRC5"_s, u"LabOutBufRC5"_s,
                              u"ClientsTotalOGR"_s, u"UplinkTotalOGR"_s, u"LabInBufOGR"_s,
                              u"LabOutBufOGR"_s, u"RC5Stats"_s}));
        QCOMPARE(fileBag.ReadProperty(u"TextStreamPosition").kind(), PropertyValue::Kind::Int64);
        QCOMPARE(fileBag.ReadProperty(u"LastModified").kind(), PropertyValue::Kind::DateTime);
        QCOMPARE(fileBag.ReadProperty(u"CurrentLine").kind(), PropertyValue::Kind::Int32);
        QCOMPARE(fileBag.ReadProperty(u"UplinkTotalRC5").toInt32(), -3);
        QCOMPARE(fileBag.ReadProperty(u"LabInBufRC5").toText(), u"1,234"_s);

        const PropertyBag table = innerBag(fileBag, u"RC5Stats");
        QCOMPARE(table.names().mid(0, 9),
                 (QStringList{u"Count"_s, u"Data0"_s, u"Name0"_s, u"Blocks0"_s, u"Time0"_s,
                              u"Data1"_s, u"Name1"_s, u"Blocks1"_s, u"Time1"_s}));
        QCOMPARE(table.count(), 1 + 4 * 5);
        QCOMPARE(table.ReadProperty(u"Count").toInt32(), 5);
        QCOMPARE(table.ReadProperty(u"Name1").toText(), u"RC5192.168.1.10"_s);
        QCOMPARE(table.ReadProperty(u"Blocks1").toInt32(), 42);
        QCOMPARE(table.ReadProperty(u"Time1").toText(), u"12/06/26 08:00:00"_s);

        const PropertyBag history = innerBag(table, u"Data1");
        QCOMPARE(history.names(),
                 (QStringList{u"Count"_s, u"Date0"_s, u"Blocks0"_s, u"Date1"_s, u"Blocks1"_s}));
        QCOMPARE(history.ReadProperty(u"Date0").toText(), u"12/06/26"_s);
        QCOMPARE(history.ReadProperty(u"Blocks1").toInt32(), 30);
        // A record whose history is empty has a history bag with only "Count" 0.
        const PropertyBag quiet = innerBag(table, u"Data4");
        QCOMPARE(quiet.names(), QStringList{u"Count"_s});
        QCOMPARE(quiet.ReadProperty(u"Count").toInt32(), 0);
    }

    void indexTenAndUp() {
        Statistics s;
        for (int i = 0; i < 12; ++i)
            addRecord(s, u"RC5client"_s + QString::number(i), {{u"12/06/26"_s, i}},
                      u"t"_s + QString::number(i));
        PropertyBag bag;
        WriteStats(bag, s.clients);
        const QStringList names = bag.names();
        QCOMPARE(names.mid(41, 4),
                 (QStringList{u"Data10"_s, u"Name10"_s, u"Blocks10"_s, u"Time10"_s}));
        QVERIFY(!bag.contains(u"Data010"));
        QCOMPARE(bag.ReadProperty(u"Name10").toText(), u"RC5client10"_s);
        QCOMPARE(bag.ReadProperty(u"Time11").toText(), u"t11"_s);
        // "Blocks0" of the table and "Blocks0" of a history live in separate bags.
        QCOMPARE(bag.ReadProperty(u"Blocks0").toInt32(), 0);
        QCOMPARE(innerBag(bag, u"Data7").ReadProperty(u"Blocks0").toInt32(), 7);

        DayHistory history;
        for (int j = 0; j < 11; ++j) {
            const QString date = QString::asprintf("01/%02d/26", j + 1);
            history.findOrAppend(date) = DayEntry{date, j};
        }
        PropertyBag historyBag;
        WriteClient(historyBag, history);
        QCOMPARE(historyBag.names().mid(21), (QStringList{u"Date10"_s, u"Blocks10"_s}));
        const DayHistory back = ReadClient(historyBag);
        QCOMPARE(back.size(), 11);
        QCOMPARE(back.entryAt(10).value.Date, u"01/11/26"_s);
        QCOMPARE(back.entryAt(10).value.Blocks, 10);
    }

    void repeatedKeysKeepTheirPlace() {
        // Not written by the program, but a table bag may name a key twice: it keeps its first
        // place and takes the later record.
        PropertyBag history;
        history.WriteProperty(u"Count", qint32(0));
        PropertyBag table;
        table.WriteProperty(u"Count", qint32(3));
        const QStringList keys{u"RC5a"_s, u"RC5b"_s, u"RC5a"_s};
        for (int i = 0; i < 3; ++i) {
            table.WriteProperty(u"Data"_s + QString::number(i), history.Contents());
            table.WriteProperty(u"Name"_s + QString::number(i), keys[i]);
            table.WriteProperty(u"Blocks"_s + QString::number(i), qint32(i));
            table.WriteProperty(u"Time"_s + QString::number(i), QString());
        }
        const ClientTable read = ReadStats(table);
        QCOMPARE(read.size(), 2);
        QCOMPARE(read.entryAt(0).key, u"RC5a"_s);
        QCOMPARE(read.entryAt(0).value.Blocks, 2);
        QCOMPARE(read.entryAt(1).key, u"RC5b"_s);
    }

    void readerTakesA32BitPosition() {
        const QByteArray file = sampleFile([](PropertyBag& fileBag, PropertyBag&) {
            fileBag.WriteProperty(u"TextStreamPosition", qint32(70000));
        });
        QCOMPARE(fileBagOf(file).ReadProperty(u"TextStreamPosition").kind(),
                 PropertyValue::Kind::Int32);
        QVERIFY(writeAll(m_path, file));
        LogSession session;
        Statistics s;
        QVERIFY(LoadStatsFile(m_path, session, s));
        QCOMPARE(session.TextStreamPosition, qint64(70000));
        QCOMPARE(s.clients.size(), 5);
    }

    void positionSavedIsAfterTheLastLineHandedOut() {
        LogSession session;
        fillSample(session);
        session.TextStreamPosition = 3'000'000'001;
        session.ReadBuffer = "a\r\nbb\r\n";
        session.BufferLength = 7;
        session.BufferPos = 4; // "bb" not handed out yet
        Statistics s;
        QVERIFY(SaveStatsFile(m_path, session, s));
        const PropertyBag bag = fileBagOf(readAll(m_path));
        QCOMPARE(bag.ReadProperty(u"TextStreamPosition").toInt64(), qint64(3'000'000'001 - 4));
    }

    void missingPathGivesFalseAndCreatesNothing() {
        LogSession session;
        Statistics s;
        fillSample(session);
        fillSample(s);
        const QStringList before = dump(session, s);
        QVERIFY(!LoadStatsFile(m_path, session, s));
        QVERIFY(!QFileInfo::exists(m_path));
        QCOMPARE(filesInDir(), QStringList());
        QCOMPARE(dump(session, s), before);
        // A folder under that name is not ours to move either.
        QVERIFY(QDir(m_dir->path()).mkdir(u"stats.bin"_s));
        QVERIFY(!LoadStatsFile(m_path, session, s));
        QVERIFY(QFileInfo(m_path).isDir());
        QCOMPARE(dump(session, s), before);
    }

    void failedSaveLeavesTheOldFile() {
        LogSession session;
        Statistics s;
        fillSample(session);
        fillSample(s);
        QVERIFY(SaveStatsFile(m_path, session, s));
        const QByteArray old = readAll(m_path);

        // A device that breaks part-way, or at once.
        for (const qint64 failAfter : {qint64(0), qint64(3), qint64(100), qint64(old.size() - 1)}) {
            FailingDevice device(failAfter);
            QVERIFY(device.open(QIODevice::WriteOnly));
            QVERIFY(!SaveStatsFile(&device, session, s));
        }
        FailingDevice closed(1 << 20);
        QVERIFY(!SaveStatsFile(&closed, session, s));

        // A path whose folder is a file.
        QVERIFY(!SaveStatsFile(m_path + u"/stats.bin"_s, session, s));
        QCOMPARE(readAll(m_path), old);

        // A write that fails on the disk (here: past the process's file-size limit) while a
        // bigger model is written over the old file.
        for (int i = 0; i < 300; ++i)
            addRecord(s, u"OGRmore"_s + QString::number(i),
                      {{u"12/06/26"_s, i}, {u"12/07/26"_s, 1}}, u"t"_s);
        rlimit limit = m_fileSizeLimit;
        limit.rlim_cur = rlim_t(old.size() + 64);
        QVERIFY(setrlimit(RLIMIT_FSIZE, &limit) == 0);
        QVERIFY(!SaveStatsFile(m_path, session, s));
        QVERIFY(setrlimit(RLIMIT_FSIZE, &m_fileSizeLimit) == 0);
        QCOMPARE(readAll(m_path), old);
        QCOMPARE(filesInDir(), QStringList{u"stats.bin"_s}); // no half-written file left behind
    }

    void damagedFileChangesNothingAndIsKeptAside_data() {
        QTest::addColumn<QByteArray>("bytes");
        const QByteArray valid = sampleFile();
        const qint32 n = qint32(valid.size() - 4);

        QByteArray random(4000, Qt::Uninitialized);
        QRandomGenerator generator(20261206);
        for (char& c : random)
            c = char(generator.bounded(256));
        QTest::addRow("random bytes") << random;
        QTest::addRow("empty file") << QByteArray();
        QTest::addRow("head cut short") << valid.left(3);
        QTest::addRow("cut in the middle") << valid.left(valid.size() / 2);
        QTest::addRow("last byte missing") << valid.left(valid.size() - 1);
        QTest::addRow("one byte too many") << valid + 'x';
        QTest::addRow("head is the length") << frame(valid.mid(4), n);
        QTest::addRow("negative head") << frame(valid.mid(4), -1);
        QTest::addRow("huge head") << frame(valid.mid(4), std::numeric_limits<qint32>::max());
        QTest::addRow("file bag of another version") << frame(QByteArray(1, '\x02') + valid.mid(5));
        QTest::addRow("table bag damaged")
            << sampleFile([](PropertyBag& fileBag, PropertyBag& table) {
                   table.clear();
                   fileBag.WriteProperty(u"RC5Stats", QByteArray("\x01\x05Cou"));
               });
        QTest::addRow("count negative") << sampleFile(
            [](PropertyBag&, PropertyBag& table) { table.WriteProperty(u"Count", qint32(-1)); });
        QTest::addRow("count huge") << sampleFile([](PropertyBag&, PropertyBag& table) {
            table.WriteProperty(u"Count", std::numeric_limits<qint32>::max());
        });
        QTest::addRow("count one too many") << sampleFile(
            [](PropertyBag&, PropertyBag& table) { table.WriteProperty(u"Count", qint32(6)); });
        QTest::addRow("non-numeric Blocks") << sampleFile(
            [](PropertyBag&, PropertyBag& table) { table.WriteProperty(u"Blocks3", u"abc"_s); });
        QTest::addRow("name is a number") << sampleFile(
            [](PropertyBag&, PropertyBag& table) { table.WriteProperty(u"Name0", qint32(5)); });
        QTest::addRow("non-numeric day Blocks") << sampleFile(historyTweak(
            [](PropertyBag& history) { history.WriteProperty(u"Blocks1", u"abc"_s); }));
        QTest::addRow("day count huge") << sampleFile(historyTweak(
            [](PropertyBag& history) { history.WriteProperty(u"Count", qint32(1 << 30)); }));
        QTest::addRow("day blocks past 32 bits") << sampleFile(historyTweak(
            [](PropertyBag& history) { history.WriteProperty(u"Blocks0", qint64(1) << 32); }));
        QTest::addRow("position zero") << sampleFile([](PropertyBag& fileBag, PropertyBag&) {
            fileBag.WriteProperty(u"TextStreamPosition", qint64(0));
        });
        QTest::addRow("last modified is text")
            << sampleFile([](PropertyBag& fileBag, PropertyBag&) {
                   fileBag.WriteProperty(u"LastModified", u"yesterday"_s);
               });
        QTest::addRow("an extra property") << sampleFile(
            [](PropertyBag& fileBag, PropertyBag&) { fileBag.WriteProperty(u"Extra", qint32(1)); });
        {
            PropertyBag fileBag = fileBagOf(valid);
            PropertyBag noTable;
            for (const QString& name : fileBag.names())
                noTable.WriteProperty(name == u"RC5Stats"_s ? u"OGRStats"_s : name,
                                      fileBag.ReadProperty(name));
            QTest::addRow("no RC5Stats") << frame(noTable.Contents());
        }
    }
    void damagedFileChangesNothingAndIsKeptAside() {
        QFETCH(QByteArray, bytes);
        QVERIFY(writeAll(m_path, bytes));

        LogSession session;
        Statistics s;
        session.FileName = u"current.log"_s;
        session.TextStreamPosition = 77;
        session.CurrentLine = 4;
        session.seenSize = 500;
        addRecord(s, u"RC5<All-clients>"_s, {{u"12/06/26"_s, 5}}, u"12/06/26 01:00:00"_s);
        s.totals.ClientsTotalRC5 = 5;
        const QStringList before = dump(session, s);

        QVERIFY(!LoadStatsFile(m_path, session, s));
        QCOMPARE(dump(session, s), before);
        QCOMPARE(session.seenSize, qint64(500));

        // The damaged file now lies beside under a name that says so, unchanged, so that the
        // next save cannot replace it.
        QVERIFY(!QFileInfo::exists(m_path));
        const QStringList files = filesInDir();
        QCOMPARE(files.size(), 1);
        const QRegularExpression keptName(u"^stats\\.bin\\.damaged-\\d{8}-\\d{6}$"_s);
        QVERIFY2(keptName.match(files[0]).hasMatch(), qPrintable(files[0]));
        QCOMPARE(readAll(m_dir->filePath(files[0])), bytes);

        // The device reader refuses the same bytes.
        QBuffer buffer(&bytes);
        QVERIFY(buffer.open(QIODevice::ReadOnly));
        QVERIFY(!LoadStatsFile(&buffer, session, s));
        QCOMPARE(dump(session, s), before);
    }

    void keptAsideNamesDoNotCollide() {
        QVERIFY(writeAll(m_path, "first"));
        const QString first = keepDamagedStatsFile(m_path);
        QVERIFY(writeAll(m_path, "second"));
        const QString second = keepDamagedStatsFile(m_path);
        QVERIFY(!first.isEmpty());
        QVERIFY(!second.isEmpty());
        QVERIFY(first != second);
        QCOMPARE(readAll(first), QByteArray("first"));
        QCOMPARE(readAll(second), QByteArray("second"));
        QVERIFY(keepDamagedStatsFile(m_path).isEmpty()); // nothing left to move
    }

    void bagRoutinesPassErrorsWithTheirPlace() {
        PropertyBag history;
        history.WriteProperty(u"Count", qint32(1));
        history.WriteProperty(u"Date0", u"12/06/26"_s);
        history.WriteProperty(u"Blocks0", u"abc"_s);
        PropertyBag table;
        table.WriteProperty(u"Count", qint32(1));
        table.WriteProperty(u"Data0", history.Contents());
        table.WriteProperty(u"Name0", u"RC5a"_s);
        table.WriteProperty(u"Blocks0", qint32(1));
        table.WriteProperty(u"Time0", QString());

        RunTimeError error = caught([&] { ReadStats(table); });
        QCOMPARE(error.number(), ErrorNumber::TypeMismatch);
        QCOMPARE(error.description(),
                 u"frmMain:ReadStats\r\nfrmMain:ReadClient\r\nType mismatch"_s);

        table.WriteProperty(u"Blocks0", u"abc"_s);
        error = caught([&] { ReadClient(table); }); // a table bag is no history bag
        QCOMPARE(error.number(), ErrorNumber::BadFileFormat);
        QVERIFY(error.description().startsWith(u"frmMain:ReadClient\r\nBad file format"_s));

        PropertyBag fileBag;
        LogSession session;
        WriteProperties(fileBag, session, ProjectTotals());
        fileBag.WriteProperty(u"CurrentLine", u"abc"_s);
        ProjectTotals totals;
        error = caught([&] { ReadProperties(fileBag, session, totals); });
        QCOMPARE(error.number(), ErrorNumber::TypeMismatch);
        QCOMPARE(error.description(), u"frmMain:ReadProperties\r\nType mismatch"_s);

        PropertyBag empty;
        error = caught([&] { ReadProperties(empty, session, totals); });
        QCOMPARE(error.description(),
                 u"frmMain:ReadProperties\r\nBad file format: no property \"LastDate\""_s);
    }

    void dataFolderAndFileNames() {
        const QString folder = qEnvironmentVariable("XDG_DATA_HOME") + u"/Quillmere Log Analyzer"_s;
        QDir(folder).removeRecursively();
        QCOMPARE(AppPaths::fileBaseName(), u"test_statsfile"_s);
        QCOMPARE(AppPaths::statsFilePath(), folder + u"/test_statsfile.bin"_s);
        QVERIFY(QFileInfo(folder).isDir()); // made on first use
        QCOMPARE(AppPaths::namesFilePath(), folder + u"/test_statsfile.nam"_s);
        QCOMPARE(AppPaths::lockFilePath(), folder + u"/test_statsfile.lock"_s);

        LogSession session;
        Statistics s;
        fillSample(session);
        fillSample(s);
        QVERIFY(SaveStatsFile(AppPaths::statsFilePath(), session, s));
        LogSession loaded;
        Statistics loadedStats;
        QVERIFY(LoadStatsFile(AppPaths::statsFilePath(), loaded, loadedStats));
        QCOMPARE(dump(loaded, loadedStats), dump(session, s));
    }

    void regressionInputsAreRefused_data() {
        QTest::addColumn<QString>("path");
        const QDir dir(qEnvironmentVariable("QLA_TEST_DATA") + u"/statsfile"_s);
        const QStringList names = dir.entryList({u"*.bin"_s}, QDir::Files, QDir::Name);
        QVERIFY2(!names.isEmpty(), qPrintable(dir.path()));
        for (const QString& name : names)
            QTest::addRow("%s", qPrintable(name)) << dir.filePath(name);
    }
    void regressionInputsAreRefused() {
        QFETCH(QString, path);
        QByteArray bytes = readAll(path);
        QVERIFY(QFile::copy(path, m_path));
        LogSession session;
        Statistics s;
        const QStringList before = dump(session, s);
        QVERIFY(!LoadStatsFile(m_path, session, s));
        QCOMPARE(dump(session, s), before);
        QBuffer buffer(&bytes);
        QVERIFY(buffer.open(QIODevice::ReadOnly));
        QVERIFY(!LoadStatsFile(&buffer, session, s));
        QCOMPARE(dump(session, s), before);
    }
};

QTEST_GUILESS_MAIN(TestStatsFile)
#include "test_statsfile.moc"
