#include "common/RunTimeError.h"
#include "persistence/PropertyBag.h"

#include "support/Fakes.h"
#include <QDir>
#include <QFile>

#include <QTest>
#include <QTimeZone>

using namespace Qt::StringLiterals;

Q_DECLARE_METATYPE(PropertyValue)
Q_DECLARE_METATYPE(PropertyValue::Kind)

namespace {

using Kind = PropertyValue::Kind;

QByteArray hex(const char* text) {
    return QByteArray::fromHex(text);
}

} // namespace

class TestPropertyBag : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void valuesRoundTripWithTheirKind_data() {
        QTest::addColumn<PropertyValue>("value");
        QTest::addColumn<Kind>("kind");
        QTest::addRow("empty text") << PropertyValue(QString()) << Kind::Text;
        QTest::addRow("ascii text") << PropertyValue(u"12/06/26 08:00:00"_s) << Kind::Text;
        QTest::addRow("latin-1 text") << PropertyValue(u"Gr\u00fc\u00dfe"_s) << Kind::Text;
        QTest::addRow("astral text") << PropertyValue(u"ok \U0001F600 \u20ac"_s) << Kind::Text;
        QTest::addRow("int32 zero") << PropertyValue(qint32(0)) << Kind::Int32;
        QTest::addRow("int32 min")
            << PropertyValue(std::numeric_limits<qint32>::min()) << Kind::Int32;
        QTest::addRow("int32 max")
            << PropertyValue(std::numeric_limits<qint32>::max()) << Kind::Int32;
        QTest::addRow("int64 past 2 GiB") << PropertyValue(qint64(5'000'000'001)) << Kind::Int64;
        QTest::addRow("int64 min")
            << PropertyValue(std::numeric_limits<qint64>::min()) << Kind::Int64;
        QTest::addRow("int64 small") << PropertyValue(qint64(1)) << Kind::Int64;
        QTest::addRow("null date-time") << PropertyValue(QDateTime()) << Kind::DateTime;
        QTest::addRow("local date-time with ms")
            << PropertyValue(QDateTime(QDate(2026, 12, 6), QTime(8, 15, 30, 123)))
            << Kind::DateTime;
        QTest::addRow("utc date-time")
            << PropertyValue(QDateTime(QDate(1999, 1, 2), QTime(3, 4, 5, 6), Qt::UTC))
            << Kind::DateTime;
        QTest::addRow("offset date-time")
            << PropertyValue(QDateTime(QDate(2030, 6, 1), QTime(23, 59, 59, 999), Qt::OffsetFromUTC,
                                       -5 * 3600 - 1800))
            << Kind::DateTime;
        QTest::addRow("before 1970")
            << PropertyValue(QDateTime(QDate(1601, 1, 1), QTime(0, 0), Qt::UTC)) << Kind::DateTime;
        QTest::addRow("empty bytes") << PropertyValue(QByteArray()) << Kind::Bytes;
        QTest::addRow("binary bytes")
            << PropertyValue(QByteArray("\0\x01\xff\x80", 4)) << Kind::Bytes;
        QTest::addRow("long bytes") << PropertyValue(QByteArray(300000, 'x')) << Kind::Bytes;
    }
    void valuesRoundTripWithTheirKind() {
        QFETCH(PropertyValue, value);
        QFETCH(Kind, kind);
        PropertyBag written;
        written.WriteProperty(u"Before", qint32(7));
        written.WriteProperty(u"Value", value);
        written.WriteProperty(u"After", u"x"_s);

        PropertyBag read;
        read.setContents(written.Contents());
        QCOMPARE(read.count(), 3);
        const PropertyValue back = read.ReadProperty(u"Value");
        QCOMPARE(back.kind(), kind);
        QVERIFY(back == value);
        QCOMPARE(read.ReadProperty(u"After").toText(), u"x"_s);
        QCOMPARE(read.ReadProperty(u"Before").toInt32(), 7);
        // The written bag answers the same without a round trip.
        QVERIFY(written.ReadProperty(u"Value") == value);
    }

    void dateTimesKeepMillisecondsAndForm() {
        const QDateTime local(QDate(2026, 3, 29), QTime(2, 30, 0, 7));
        const QDateTime utc(QDate(2026, 3, 29), QTime(2, 30, 0, 7), Qt::UTC);
        const QDateTime zoned(QDate(2026, 7, 1), QTime(12, 0), QTimeZone("Europe/Berlin"));
        PropertyBag bag;
        bag.WriteProperty(u"Local", local);
        bag.WriteProperty(u"Utc", utc);
        bag.WriteProperty(u"Zoned", zoned);
        const QDateTime zonedAtUtc(QDate(2026, 1, 15), QTime(9, 30), QTimeZone("Europe/London"));
        bag.WriteProperty(u"ZonedAtUtc", zonedAtUtc);
        bag.WriteProperty(u"Never", QDateTime());
        PropertyBag back;
        back.setContents(bag.Contents());

        const QDateTime localBack = back.ReadProperty(u"Local").toDateTime();
        QCOMPARE(localBack.timeSpec(), Qt::LocalTime);
        QCOMPARE(localBack.toMSecsSinceEpoch(), local.toMSecsSinceEpoch());
        const QDateTime utcBack = back.ReadProperty(u"Utc").toDateTime();
        QCOMPARE(utcBack.timeSpec(), Qt::UTC);
        QCOMPARE(utcBack.time().msec(), 7);
        const QDateTime zonedBack = back.ReadProperty(u"Zoned").toDateTime();
        QCOMPARE(zonedBack.toMSecsSinceEpoch(), zoned.toMSecsSinceEpoch());
        QCOMPARE(zonedBack.offsetFromUtc(), zoned.offsetFromUtc());
        const QDateTime zonedAtUtcBack = back.ReadProperty(u"ZonedAtUtc").toDateTime();
        QCOMPARE(zonedAtUtcBack.timeSpec(), Qt::UTC);
        QCOMPARE(zonedAtUtcBack, zonedAtUtc);
        QVERIFY(back.ReadProperty(u"Never").toDateTime().isNull());
    }

    void encodingIsCompactLittleEndianWithVersion() {
        PropertyBag empty;
        QCOMPARE(empty.Contents(), hex("01"));

        PropertyBag bag;
        bag.WriteProperty(u"Count", qint32(0x01020304));
        bag.WriteProperty("T"_L1, u"\u00e9"_s);
        bag.WriteProperty(u"P", qint64(0x100000000));
        QCOMPARE(bag.Contents(), hex("01"
                                     "05436f756e74"
                                     "02"
                                     "04030201" // "Count" int32
                                     "0154"
                                     "01"
                                     "02c3a9" // "T" text, UTF-8
                                     "0150"
                                     "03"
                                     "0000000001000000")); // "P" int64
    }

    void namesAreExactAndOrdered() {
        PropertyBag bag;
        bag.WriteProperty(u"Blocks0", qint32(1));
        bag.WriteProperty("Blocks10"_L1, qint32(2));
        bag.WriteProperty(QStringView(u"blocks0"), qint32(3));
        bag.WriteProperty(u"Na\u00efve"_s, qint32(4));
        QCOMPARE(bag.names(),
                 (QStringList{u"Blocks0"_s, u"Blocks10"_s, u"blocks0"_s, u"Na\u00efve"_s}));
        // Latin-1, UTF-8 and UTF-16 spellings of a name find the same property.
        QCOMPARE(bag.ReadProperty("Na\xefve"_L1).toInt32(), 4);
        QCOMPARE(bag.ReadProperty(QUtf8StringView("Na\xc3\xafve")).toInt32(), 4);
        QCOMPARE(bag.ReadProperty(u"blocks0").toInt32(), 3);
        QCOMPARE(bag.ReadProperty(u"Blocks10").toInt32(), 2);
        QVERIFY(!bag.contains(u"Blocks1"));
        QVERIFY(bag.contains(u"Blocks0"));
    }

    void writingANameAgainReplacesItsValueInPlace() {
        PropertyBag bag;
        bag.WriteProperty(u"A", u"first"_s);
        bag.WriteProperty(u"B", qint32(2));
        bag.WriteProperty(u"C", u"c"_s);
        bag.WriteProperty(u"A", QByteArray(1000, 'z')); // longer, and of another kind
        bag.WriteProperty(u"C", qint64(-1));
        QCOMPARE(bag.names(), (QStringList{u"A"_s, u"B"_s, u"C"_s}));
        PropertyBag back;
        back.setContents(bag.Contents());
        QCOMPARE(back.ReadProperty(u"A").toBytes(), QByteArray(1000, 'z'));
        QCOMPARE(back.ReadProperty(u"B").toInt32(), 2);
        QCOMPARE(back.ReadProperty(u"C").toInt64(), -1);
    }

    void manyPropertiesReadInAnyOrder() {
        PropertyBag bag;
        for (int i = 0; i < 5000; ++i)
            bag.WriteProperty(u"Date"_s + QString::number(i), i);
        PropertyBag back;
        back.setContents(bag.Contents());
        QCOMPARE(back.count(), 5000);
        for (int i = 4999; i >= 0; i -= 7)
            QCOMPARE(back.ReadProperty(u"Date"_s + QString::number(i)).toInt32(), i);
        for (int i = 0; i < 5000; ++i)
            QCOMPARE(back.ReadProperty(u"Date"_s + QString::number(i)).toInt32(), i);
    }

    void clearEmptiesTheBag() {
        PropertyBag bag;
        bag.WriteProperty(u"Count", qint32(3));
        const QByteArray before = bag.Contents();
        bag.clear();
        QCOMPARE(bag.count(), 0);
        QCOMPARE(bag.Contents(), hex("01"));
        QVERIFY(!bag.contains(u"Count"));
        QCOMPARE(before.size(), 12); // a copy taken before is not touched
        bag.WriteProperty(u"Count", qint32(4));
        QCOMPARE(bag.ReadProperty(u"Count").toInt32(), 4);
    }

    void readingErrors() {
        PropertyBag bag;
        bag.WriteProperty(u"Text", u"abc"_s);
        bag.WriteProperty(u"Wide", qint64(1) << 40);
        bag.WriteProperty(u"Narrow", qint32(-5));
        QCOMPARE(errorNumber([&] { bag.ReadProperty(u"Missing"); }), ErrorNumber::BadFileFormat);
        QCOMPARE(errorNumber([&] { bag.ReadProperty(u"Text").toInt32(); }),
                 ErrorNumber::TypeMismatch);
        QCOMPARE(errorNumber([&] { bag.ReadProperty(u"Text").toDateTime(); }),
                 ErrorNumber::TypeMismatch);
        QCOMPARE(errorNumber([&] { bag.ReadProperty(u"Narrow").toText(); }),
                 ErrorNumber::TypeMismatch);
        QCOMPARE(errorNumber([&] { bag.ReadProperty(u"Narrow").toBytes(); }),
                 ErrorNumber::TypeMismatch);
        QCOMPARE(errorNumber([&] { bag.ReadProperty(u"Wide").toInt32(); }), ErrorNumber::Overflow);
        QCOMPARE(bag.ReadProperty(u"Narrow").toInt64(), -5);
        QCOMPARE(errorNumber([&] { bag.WriteProperty(u"", qint32(1)); }),
                 ErrorNumber::InvalidArgument);
        QCOMPARE(bag.count(), 3);
    }

    void damagedContentsAreRefused_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addRow("nothing") << QByteArray();
        QTest::addRow("version 0") << hex("00");
        QTest::addRow("version 2") << hex("02");
        QTest::addRow("name length only") << hex("01 05");
        QTest::addRow("name past the end") << hex("01 05 436f75");
        QTest::addRow("empty name") << hex("01 00 02 00000000");
        QTest::addRow("no kind") << hex("01 01 41");
        QTest::addRow("kind 0") << hex("01 01 41 00");
        QTest::addRow("kind 6") << hex("01 01 41 06 00");
        QTest::addRow("truncated int32") << hex("01 01 41 02 010203");
        QTest::addRow("truncated int64") << hex("01 01 41 03 01020304050607");
        QTest::addRow("text length missing") << hex("01 01 41 01");
        QTest::addRow("text past the end") << hex("01 01 41 01 05 6162");
        QTest::addRow("huge text length") << hex("01 01 41 01 ffffffff07 61");
        QTest::addRow("length over 5 bytes") << hex("01 01 41 05 8080808080 00");
        QTest::addRow("length beyond 2^31") << hex("01 01 41 05 ffffffff0f");
        QTest::addRow("length bits past 32") << hex("01 01 41 05 8080808010");
        QTest::addRow("overlong length") << hex("01 01 41 01 8000");
        QTest::addRow("text not UTF-8") << hex("01 01 41 01 02 c328");
        QTest::addRow("text with surrogate") << hex("01 01 41 01 03 eda080");
        QTest::addRow("name not UTF-8") << hex("01 01 ff 02 00000000");
        QTest::addRow("unknown date-time form") << hex("01 01 41 04 04");
        QTest::addRow("truncated date-time") << hex("01 01 41 04 02 0000");
        QTest::addRow("date-time far out of range") << hex("01 01 41 04 02 ffffffffffffff7f");
        QTest::addRow("offset out of range") << hex("01 01 41 04 03 00000100 0000000000000000");
        QTest::addRow("offset 0, not written as UTC")
            << hex("01 01 41 04 03 00000000 0000000000000000");
        QTest::addRow("repeated name")
            << hex("01 01 41 02 01000000 01 42 02 02000000 01 41 02 03000000");
        QTest::addRow("one stray byte after the last property") << hex("01 01 41 02 01000000 07");
    }
    void damagedContentsAreRefused() {
        QFETCH(QByteArray, bytes);
        PropertyBag bag;
        bag.WriteProperty(u"Kept", u"yes"_s);
        const QByteArray before = bag.Contents();
        QCOMPARE(errorNumber([&] { bag.setContents(bytes); }), ErrorNumber::BadFileFormat);
        QCOMPARE(bag.Contents(), before); // a refused parse leaves the bag as it was
        QCOMPARE(bag.ReadProperty(u"Kept").toText(), u"yes"_s);
    }

    void everyCutInsideAPropertyIsRefused() {
        PropertyBag bag;
        bag.WriteProperty(u"Name", u"RC5<All-clients>"_s);
        bag.WriteProperty(u"Blocks", qint32(12));
        bag.WriteProperty(u"When", QDateTime(QDate(2026, 1, 2), QTime(3, 4), Qt::UTC));
        bag.WriteProperty(u"Data", QByteArray(200, 'd'));
        bag.WriteProperty(u"Pos", qint64(1) << 33);
        const QByteArray full = bag.Contents();

        // The ends of the properties, where a shorter bag is still whole.
        QList<qsizetype> boundaries{1};
        PropertyBag growing;
        const QStringList names = bag.names();
        for (const QString& name : names) {
            growing.WriteProperty(name, bag.ReadProperty(name));
            boundaries << growing.Contents().size();
        }
        QCOMPARE(boundaries.last(), full.size());

        for (qsizetype cut = 0; cut < full.size(); ++cut) {
            PropertyBag part;
            const int error = errorNumber([&] { part.setContents(full.left(cut)); });
            if (boundaries.contains(cut)) {
                QCOMPARE(error, 0);
                QCOMPARE(part.count(), boundaries.indexOf(cut));
            } else {
                QCOMPARE(error, ErrorNumber::BadFileFormat);
            }
        }
    }

    /** Inputs kept from fuzzing and hand-made odd bags: refused cleanly, or read back whole. */
    void regressionInputs_data() {
        QTest::addColumn<QString>("path");
        const QDir dir(qEnvironmentVariable("QLA_TEST_DATA") + u"/propertybag"_s);
        const QStringList names = dir.entryList({u"*.bag"_s}, QDir::Files, QDir::Name);
        QVERIFY2(!names.isEmpty(), qPrintable(dir.path()));
        for (const QString& name : names)
            QTest::addRow("%s", qPrintable(name)) << dir.filePath(name);
    }
    void regressionInputs() {
        QFETCH(QString, path);
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray bytes = file.readAll();
        PropertyBag bag;
        const int error = errorNumber([&] { bag.setContents(bytes); });
        if (error != 0) {
            QCOMPARE(error, ErrorNumber::BadFileFormat);
            QCOMPARE(bag.count(), 0);
            return;
        }
        PropertyBag copy;
        for (const QString& name : bag.names())
            copy.WriteProperty(name, bag.ReadProperty(name));
        QCOMPARE(copy.Contents(), bytes);
    }
};

QTEST_GUILESS_MAIN(TestPropertyBag)
#include "test_propertybag.moc"
