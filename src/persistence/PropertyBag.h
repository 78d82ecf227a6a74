#pragma once

#include <QAnyStringView>
#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <QStringList>

#include <variant>
#include <vector>

/**
 * One value of a property bag. It keeps the kind it was written with; the to...() readers
 * convert like the stats-file readers need and throw a RunTimeError (TypeMismatch, or
 * Overflow for an Int64 that does not fit 32 bits) for a value of another kind.
 */
class PropertyValue {
public:
    /** The kinds of value; the numbers are the kind bytes of the encoding. */
    enum class Kind : quint8 { Text = 1, Int32 = 2, Int64 = 3, DateTime = 4, Bytes = 5 };

    /** Empty text. */
    PropertyValue() = default;
    PropertyValue(QString text) : m_value(std::move(text)) {}
    PropertyValue(qint32 number) : m_value(number) {}
    PropertyValue(qint64 number) : m_value(number) {}
    /** A null (or otherwise invalid) QDateTime is the zero date-time and reads back null. */
    PropertyValue(QDateTime dateTime) : m_value(std::move(dateTime)) {}
    PropertyValue(QByteArray bytes) : m_value(std::move(bytes)) {}
    PropertyValue(bool) = delete;
    PropertyValue(const char*) = delete;

    Kind kind() const { return Kind(m_value.index() + 1); }

    QString toText() const;
    /** Int32, or Int64 within the 32-bit range. */
    qint32 toInt32() const;
    /** Int32 or Int64. */
    qint64 toInt64() const;
    QDateTime toDateTime() const;
    QByteArray toBytes() const;

    bool operator==(const PropertyValue& other) const = default;

private:
    friend class PropertyBag;
    // Order matches Kind: index + 1 is the kind byte.
    std::variant<QString, qint32, qint64, QDateTime, QByteArray> m_value;
};

/**
 * A named-value store that turns into a byte array and back, so that bags nest as Bytes
 * values. Names are compared exactly (case matters). The bag keeps its encoded form as its
 * storage: Contents() costs nothing, and a bag made from bytes decodes a value only when it
 * is read. Reading properties in the order they were written is O(1) per read.
 *
 * Encoding (all integers little-endian; "len" is an unsigned LEB128 varint in its shortest
 * form, at most 5 bytes, value below 2^31):
 *
 *     bag      = version:u8 (= 1)  property*          -- nothing else, no count
 *     property = len name:UTF-8[len]  kind:u8  value   -- len >= 1, names unique in a bag
 *     value    = Text:     len UTF-8[len]
 *              | Int32:    i32
 *              | Int64:    i64
 *              | DateTime: form:u8  (0 zero date-time | 1 local | 2 UTC: ms:i64
 *                                    | 3 offset from UTC: offsetSeconds:i32 ms:i64)
 *              | Bytes:    len bytes[len]
 *
 * ms counts milliseconds since 1970-01-01T00:00:00Z. A whole bag is at most 2^31 - 1 bytes.
 * A date-time with a named time zone is stored with its offset at that instant (form 3, or
 * form 2 when that offset is 0). Every bag has exactly one encoding.
 */
class PropertyBag {
public:
    PropertyBag();

    /**
     * Stores value under name. A name written again replaces the value it had (the property
     * keeps its place). Throws a RunTimeError: InvalidArgument for an empty name, Overflow
     * when the bag would pass 2^31 - 1 bytes.
     */
    void WriteProperty(QAnyStringView name, const PropertyValue& value);

    /** The value under name; throws a RunTimeError (BadFileFormat) when there is none. */
    PropertyValue ReadProperty(QAnyStringView name) const;

    bool contains(QAnyStringView name) const;
    /** Number of properties. */
    qsizetype count() const { return qsizetype(m_entries.size()); }
    /** The names in the order of the encoding (the order of writing). */
    QStringList names() const;

    /** The whole bag in the encoding above. */
    QByteArray Contents() const { return m_bytes; }

    /**
     * Replaces the bag with the one that bytes encode. The parse is strict: a wrong version,
     * a length that passes the end, an unknown kind or date-time form, a truncated value,
     * text that is not UTF-8, an empty or repeated name all throw a RunTimeError
     * (BadFileFormat) and leave the bag as it was. Nothing is allocated for a length before
     * it has been checked against the bytes that remain.
     */
    void setContents(const QByteArray& bytes);

    /** Back to the empty bag, keeping the memory for the next use. */
    void clear();

    static constexpr quint8 Version = 1;
    static constexpr qsizetype MaxSize = 0x7fffffff;

private:
    struct Entry {
        quint32 start; ///< offset of the property's first byte
        quint32 nameOff;
        quint32 nameLen;
        quint32 valueOff; ///< the value's payload (after its length, for Text and Bytes)
        quint32 valueLen;
        PropertyValue::Kind kind;
    };

    static Entry encodeProperty(QByteArray& out, QByteArrayView utf8Name,
                                const PropertyValue& value);
    qsizetype find(QByteArrayView utf8Name) const;
    QByteArrayView nameOf(const Entry& entry) const;
    PropertyValue decode(const Entry& entry) const;
    void rebuildIndex(bool rejectDuplicates);
    void insertIntoIndex(qsizetype entryIndex);

    QByteArray m_bytes;
    std::vector<Entry> m_entries;
    /**
     * Open-addressing hash of the names: entry index + 1, 0 for a free slot. Hand-made
     * because the stats file (bench_statsfile) saves 40 % and loads 20 % slower with a
     * std::unordered_map of the names, and saves ten times slower with a QHash (Qt 6.4).
     */
    std::vector<quint32> m_slots;
    /** Where the next sequential read is expected: reads in writing order skip the hash. */
    mutable qsizetype m_nextRead = 0;
};
