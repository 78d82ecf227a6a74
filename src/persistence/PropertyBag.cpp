#include "PropertyBag.h"

#include "common/RunTimeError.h"

#include <QHashFunctions>
#include <QStringEncoder>
#include <QVarLengthArray>
#include <QtEndian>

#include <algorithm>
#include <cstring>
#include <limits>
#include <type_traits>

using namespace Qt::StringLiterals;

namespace {

using Kind = PropertyValue::Kind;

// Date-time forms of the encoding.
constexpr quint8 FormNull = 0;
constexpr quint8 FormLocal = 1;
constexpr quint8 FormUtc = 2;
constexpr quint8 FormOffset = 3;

// Years -9999 to 9999: far beyond any file time, and safe for every QDateTime conversion.
constexpr qint64 MinMsecs = -377705116800000LL; // -9999-01-01T00:00:00Z
constexpr qint64 MaxMsecs = 253402300799999LL;  //  9999-12-31T23:59:59.999Z
constexpr qint32 MaxOffsetSeconds = 18 * 3600;

[[noreturn]] void badFormat(const QString& what) {
    throw RunTimeError(ErrorNumber::BadFileFormat, u"Bad file format: "_s + what);
}

[[noreturn]] void typeMismatch() {
    throw RunTimeError(ErrorNumber::TypeMismatch, u"Type mismatch"_s);
}

[[noreturn]] void overflow() {
    throw RunTimeError(ErrorNumber::Overflow, u"Overflow"_s);
}

// ---- UTF-8 -------------------------------------------------------------------------------

/** text as UTF-8 in buffer; a lone surrogate becomes U+FFFD. */
template <qsizetype Prealloc>
QByteArrayView encodeUtf8(QStringView text, QVarLengthArray<char, Prealloc>& buffer) {
    QStringEncoder encoder(QStringEncoder::Utf8, QStringEncoder::Flag::Stateless);
    buffer.resize(encoder.requiredSpace(text.size()));
    buffer.resize(encoder.appendToBuffer(buffer.data(), text) - buffer.data());
    return QByteArrayView(buffer.data(), buffer.size());
}

/** Valid UTF-8 as text; a leading U+FEFF is a character like any other. */
QString decodeUtf8(QByteArrayView utf8) {
    QString text = QString::fromUtf8(utf8);
    // Qt takes a leading U+FEFF for a byte order mark and drops it.
    if (utf8.startsWith('\xEF') && utf8.startsWith("\xEF\xBB\xBF"))
        text.prepend(QChar(0xFEFF));
    return text;
}

/**
 * Runs f with name as UTF-8 bytes. The program's names are ASCII Latin-1 or UTF-16 views;
 * an ASCII Latin-1 view is passed through untouched, everything else is converted on the
 * stack.
 */
template <typename F> decltype(auto) withUtf8Name(QAnyStringView name, F&& f) {
    QVarLengthArray<char, 64> buffer;
    const QByteArrayView utf8 = name.visit([&buffer](auto view) -> QByteArrayView {
        using View = std::decay_t<decltype(view)>;
        if constexpr (std::is_same_v<View, QStringView>) {
            return encodeUtf8(view, buffer);
        } else if constexpr (std::is_same_v<View, QLatin1StringView>) {
            const bool ascii =
                std::all_of(view.begin(), view.end(), [](char c) { return uchar(c) < 0x80; });
            return ascii ? QByteArrayView(view.data(), view.size())
                         : encodeUtf8(QString(view), buffer);
        } else {
            return QByteArrayView(view.data(), view.size());
        }
    });
    return f(utf8);
}

// ---- Encoding ----------------------------------------------------------------------------

/** Makes room for n more bytes at the end of out, growing geometrically; returns its start. */
char* grow(QByteArray& out, qsizetype n) {
    const qsizetype old = out.size();
    if (out.capacity() < old + n)
        out.reserve(std::max(old + n, 2 * out.capacity()));
    out.resize(old + n);
    return out.data() + old;
}

void appendLength(QByteArray& out, quint32 value) {
    char bytes[5];
    int n = 0;
    do {
        const quint8 low = value & 0x7F;
        value >>= 7;
        bytes[n++] = char(value ? (low | 0x80) : low);
    } while (value);
    std::memcpy(grow(out, n), bytes, size_t(n));
}

template <typename Int> void appendLittleEndian(QByteArray& out, Int value) {
    qToLittleEndian(value, grow(out, sizeof(Int)));
}

QDateTime decodeDateTime(quint8 form, const uchar* p) {
    if (form == FormNull)
        return QDateTime();
    qint32 offset = 0;
    if (form == FormOffset) {
        offset = qFromLittleEndian<qint32>(p);
        p += 4;
    }
    const qint64 msecs = qFromLittleEndian<qint64>(p);
    // Offset 0 is written as UTC: one value, one encoding.
    if (msecs < MinMsecs || msecs > MaxMsecs || offset < -MaxOffsetSeconds ||
        offset > MaxOffsetSeconds || (form == FormOffset && offset == 0))
        return QDateTime(); // the caller rejects it: a non-null form must give a valid value
    switch (form) {
    case FormLocal:
        return QDateTime::fromMSecsSinceEpoch(msecs, Qt::LocalTime);
    case FormUtc:
        return QDateTime::fromMSecsSinceEpoch(msecs, Qt::UTC);
    default:
        return QDateTime::fromMSecsSinceEpoch(msecs, Qt::OffsetFromUTC, offset);
    }
}

void appendDateTime(QByteArray& out, const QDateTime& value) {
    if (!value.isValid()) {
        out.append(char(FormNull));
        return;
    }
    const qint64 msecs = value.toMSecsSinceEpoch();
    if (msecs < MinMsecs || msecs > MaxMsecs)
        overflow();
    const int offset = value.offsetFromUtc();
    switch (value.timeSpec()) {
    case Qt::LocalTime:
        out.append(char(FormLocal));
        break;
    case Qt::UTC:
        out.append(char(FormUtc));
        break;
    default: // fixed offset or a named zone: the offset at this instant
        if (offset == 0 || offset < -MaxOffsetSeconds || offset > MaxOffsetSeconds) {
            out.append(char(FormUtc));
            break;
        }
        out.append(char(FormOffset));
        appendLittleEndian<qint32>(out, offset);
        break;
    }
    appendLittleEndian<qint64>(out, msecs);
}

/** Reads a length varint at pos; checks its form and that it fits in what remains. */
quint32 readLength(const uchar* data, qsizetype size, qsizetype& pos) {
    quint32 value = 0;
    for (int i = 0; i < 5; ++i) {
        if (pos >= size)
            badFormat(u"truncated length"_s);
        const uchar byte = data[pos++];
        if (i == 4 && byte > 0x07)
            badFormat(u"length beyond 2^31"_s); // also keeps bits from falling off the top
        value |= quint32(byte & 0x7F) << (7 * i);
        if (!(byte & 0x80)) {
            if (i > 0 && byte == 0)
                badFormat(u"overlong length"_s);
            if (value > quint32(PropertyBag::MaxSize) || qsizetype(value) > size - pos)
                badFormat(u"length past the end"_s);
            return value;
        }
    }
    badFormat(u"length too long"_s);
}

void need(qsizetype count, qsizetype size, qsizetype pos) {
    if (count > size - pos)
        badFormat(u"truncated value"_s);
}

quint32 hashOf(QByteArrayView name) {
    return quint32(qHash(name, 0));
}

} // namespace

// ---- PropertyValue -----------------------------------------------------------------------

QString PropertyValue::toText() const {
    if (const auto* text = std::get_if<QString>(&m_value))
        return *text;
    typeMismatch();
}

qint32 PropertyValue::toInt32() const {
    if (const auto* number = std::get_if<qint32>(&m_value))
        return *number;
    if (const auto* wide = std::get_if<qint64>(&m_value)) {
        if (*wide < std::numeric_limits<qint32>::min() ||
            *wide > std::numeric_limits<qint32>::max())
            overflow();
        return qint32(*wide);
    }
    typeMismatch();
}

qint64 PropertyValue::toInt64() const {
    if (const auto* number = std::get_if<qint32>(&m_value))
        return *number;
    if (const auto* wide = std::get_if<qint64>(&m_value))
        return *wide;
    typeMismatch();
}

QDateTime PropertyValue::toDateTime() const {
    if (const auto* dateTime = std::get_if<QDateTime>(&m_value))
        return *dateTime;
    typeMismatch();
}

QByteArray PropertyValue::toBytes() const {
    if (const auto* bytes = std::get_if<QByteArray>(&m_value))
        return *bytes;
    typeMismatch();
}

// ---- PropertyBag -------------------------------------------------------------------------

PropertyBag::PropertyBag() : m_bytes(1, char(Version)) {}

void PropertyBag::clear() {
    m_bytes.resize(1);
    m_entries.clear();
    std::fill(m_slots.begin(), m_slots.end(), 0u);
    m_nextRead = 0;
}

QByteArrayView PropertyBag::nameOf(const Entry& entry) const {
    return QByteArrayView(m_bytes.constData() + entry.nameOff, entry.nameLen);
}

qsizetype PropertyBag::find(QByteArrayView utf8Name) const {
    const qsizetype count = this->count();
    if (m_nextRead < count && nameOf(m_entries[size_t(m_nextRead)]) == utf8Name)
        return m_nextRead;
    if (m_slots.empty())
        return -1;
    const size_t mask = m_slots.size() - 1;
    for (size_t i = hashOf(utf8Name) & mask;; i = (i + 1) & mask) {
        const quint32 slot = m_slots[i];
        if (slot == 0)
            return -1;
        if (nameOf(m_entries[slot - 1]) == utf8Name)
            return qsizetype(slot - 1);
    }
}

void PropertyBag::insertIntoIndex(qsizetype entryIndex) {
    if (size_t(count()) * 2 > m_slots.size()) {
        rebuildIndex(false);
        return;
    }
    const size_t mask = m_slots.size() - 1;
    size_t i = hashOf(nameOf(m_entries[size_t(entryIndex)])) & mask;
    while (m_slots[i] != 0)
        i = (i + 1) & mask;
    m_slots[i] = quint32(entryIndex + 1);
}

void PropertyBag::rebuildIndex(bool rejectDuplicates) {
    size_t size = 16;
    while (size < m_entries.size() * 2)
        size *= 2;
    std::vector<quint32> slots(size, 0u);
    const size_t mask = size - 1;
    for (size_t e = 0; e < m_entries.size(); ++e) {
        const QByteArrayView name = nameOf(m_entries[e]);
        size_t i = hashOf(name) & mask;
        while (slots[i] != 0) {
            if (rejectDuplicates && nameOf(m_entries[slots[i] - 1]) == name)
                badFormat(u"repeated name \""_s + decodeUtf8(name) + u'"');
            i = (i + 1) & mask;
        }
        slots[i] = quint32(e + 1);
    }
    m_slots.swap(slots);
}

PropertyBag::Entry PropertyBag::encodeProperty(QByteArray& out, QByteArrayView utf8Name,
                                               const PropertyValue& value) {
    Entry entry{};
    entry.start = quint32(out.size());
    entry.kind = value.kind();
    appendLength(out, quint32(utf8Name.size()));
    entry.nameOff = quint32(out.size());
    entry.nameLen = quint32(utf8Name.size());
    std::memcpy(grow(out, utf8Name.size()), utf8Name.data(), size_t(utf8Name.size()));
    out.append(char(entry.kind));
    std::visit(
        [&](const auto& v) {
            using V = std::decay_t<decltype(v)>;
            if constexpr (std::is_same_v<V, QString>) {
                QVarLengthArray<char, 256> buffer;
                const QByteArrayView utf8 = encodeUtf8(v, buffer);
                appendLength(out, quint32(utf8.size()));
                entry.valueOff = quint32(out.size());
                std::memcpy(grow(out, utf8.size()), utf8.data(), size_t(utf8.size()));
            } else if constexpr (std::is_same_v<V, QByteArray>) {
                appendLength(out, quint32(v.size()));
                entry.valueOff = quint32(out.size());
                std::memcpy(grow(out, v.size()), v.constData(), size_t(v.size()));
            } else if constexpr (std::is_same_v<V, QDateTime>) {
                entry.valueOff = quint32(out.size());
                appendDateTime(out, v);
            } else {
                entry.valueOff = quint32(out.size());
                appendLittleEndian<V>(out, v);
            }
        },
        value.m_value);
    entry.valueLen = quint32(out.size() - entry.valueOff);
    return entry;
}

void PropertyBag::WriteProperty(QAnyStringView name, const PropertyValue& value) {
    withUtf8Name(name, [&](QByteArrayView utf8Name) {
        if (utf8Name.isEmpty())
            throw RunTimeError(ErrorNumber::InvalidArgument,
                               u"Invalid procedure call or argument"_s);
        if (!utf8Name.isValidUtf8())
            throw RunTimeError(ErrorNumber::InvalidArgument,
                               u"Invalid procedure call or argument"_s);

        const qsizetype existing = find(utf8Name);
        // A new property is encoded at the end of the bag; a replaced one in a piece of its own
        // that then takes the old one's place.
        QByteArray piece;
        QByteArray& out = existing < 0 ? m_bytes : piece;
        const qsizetype oldSize = m_bytes.size();

        // Fail before growing when the value alone would pass the limit.
        qsizetype payload = 16 + utf8Name.size();
        if (const auto* text = std::get_if<QString>(&value.m_value))
            payload += text->size() * 3;
        else if (const auto* bytes = std::get_if<QByteArray>(&value.m_value))
            payload += bytes->size();
        if (payload > MaxSize - oldSize)
            overflow();

        Entry entry{};
        try {
            entry = encodeProperty(out, utf8Name, value);
        } catch (...) {
            m_bytes.resize(oldSize); // no half-written property stays behind
            throw;
        }

        if (existing < 0) {
            m_entries.push_back(entry);
            insertIntoIndex(count() - 1);
            return;
        }
        Entry& old = m_entries[size_t(existing)];
        const qsizetype oldEnd = qsizetype(old.valueOff) + old.valueLen;
        const qsizetype oldLength = oldEnd - old.start;
        const qsizetype shift = piece.size() - oldLength;
        m_bytes.replace(old.start, oldLength, piece);
        entry.start += old.start;
        entry.nameOff += old.start;
        entry.valueOff += old.start;
        old = entry;
        for (size_t e = size_t(existing) + 1; e < m_entries.size(); ++e) {
            m_entries[e].start = quint32(m_entries[e].start + shift);
            m_entries[e].nameOff = quint32(m_entries[e].nameOff + shift);
            m_entries[e].valueOff = quint32(m_entries[e].valueOff + shift);
        }
    });
}

PropertyValue PropertyBag::ReadProperty(QAnyStringView name) const {
    return withUtf8Name(name, [&](QByteArrayView utf8Name) {
        const qsizetype index = find(utf8Name);
        if (index < 0)
            throw RunTimeError(ErrorNumber::BadFileFormat,
                               u"Bad file format: no property \""_s + decodeUtf8(utf8Name) + u'"');
        m_nextRead = index + 1;
        return decode(m_entries[size_t(index)]);
    });
}

bool PropertyBag::contains(QAnyStringView name) const {
    return withUtf8Name(name, [&](QByteArrayView utf8Name) { return find(utf8Name) >= 0; });
}

QStringList PropertyBag::names() const {
    QStringList result;
    result.reserve(count());
    for (const Entry& entry : m_entries)
        result.append(decodeUtf8(nameOf(entry)));
    return result;
}

PropertyValue PropertyBag::decode(const Entry& entry) const {
    const char* p = m_bytes.constData() + entry.valueOff;
    switch (entry.kind) {
    case Kind::Text:
        return decodeUtf8(QByteArrayView(p, entry.valueLen));
    case Kind::Int32:
        return qFromLittleEndian<qint32>(p);
    case Kind::Int64:
        return qFromLittleEndian<qint64>(p);
    case Kind::DateTime:
        return decodeDateTime(quint8(*p), reinterpret_cast<const uchar*>(p) + 1);
    case Kind::Bytes:
        break;
    }
    return QByteArray(p, entry.valueLen);
}

void PropertyBag::setContents(const QByteArray& bytes) {
    const qsizetype size = bytes.size();
    if (size == 0)
        badFormat(u"no bytes"_s);
    if (size > MaxSize)
        badFormat(u"too large"_s);
    const auto* data = reinterpret_cast<const uchar*>(bytes.constData());
    if (data[0] != Version)
        badFormat(u"unknown version "_s + QString::number(data[0]));

    std::vector<Entry> entries;
    qsizetype pos = 1;
    while (pos < size) {
        Entry entry{};
        entry.start = quint32(pos);
        entry.nameLen = readLength(data, size, pos);
        if (entry.nameLen == 0)
            badFormat(u"empty name"_s);
        entry.nameOff = quint32(pos);
        if (!QByteArrayView(data + pos, entry.nameLen).isValidUtf8())
            badFormat(u"name is not UTF-8"_s);
        pos += entry.nameLen;
        need(1, size, pos);
        const quint8 kind = data[pos++];
        switch (Kind(kind)) {
        case Kind::Text:
        case Kind::Bytes:
            entry.valueLen = readLength(data, size, pos);
            if (Kind(kind) == Kind::Text &&
                !QByteArrayView(data + pos, entry.valueLen).isValidUtf8())
                badFormat(u"text is not UTF-8"_s);
            break;
        case Kind::Int32:
            entry.valueLen = 4;
            break;
        case Kind::Int64:
            entry.valueLen = 8;
            break;
        case Kind::DateTime: {
            need(1, size, pos);
            const quint8 form = data[pos];
            if (form > FormOffset)
                badFormat(u"unknown date-time form"_s);
            entry.valueLen = form == FormNull ? 1 : form == FormOffset ? 13 : 9;
            need(entry.valueLen, size, pos);
            if (form != FormNull && !decodeDateTime(form, data + pos + 1).isValid())
                badFormat(u"date-time out of range"_s);
            break;
        }
        default:
            badFormat(u"unknown kind "_s + QString::number(kind));
        }
        need(entry.valueLen, size, pos);
        entry.kind = Kind(kind);
        entry.valueOff = quint32(pos);
        pos += entry.valueLen;
        entries.push_back(entry);
    }

    // Index the new entries on a scratch bag, so that a repeated name leaves this one as it was.
    PropertyBag parsed;
    parsed.m_bytes = bytes;
    parsed.m_entries.swap(entries);
    parsed.rebuildIndex(true);
    *this = std::move(parsed);
}
