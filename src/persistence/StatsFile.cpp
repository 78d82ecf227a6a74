#include "StatsFile.h"

#include "PropertyBag.h"
#include "common/RunTimeError.h"
#include "common/SafeSave.h"
#include "common/WholeFile.h"
#include "stats/LogSession.h"

#include <QBuffer>
#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QtEndian>

#include <cstring>

using namespace Qt::StringLiterals;

namespace {

/** Properties of the file bag: the 14 of the log state and totals, then "RC5Stats". */
constexpr qsizetype FileBagProperties = 15;
/**
 * Written after them only while the saved position lies inside a line too long to be read
 * (see LogSession::continuesLongLine), so that every other file keeps the 15 properties that
 * earlier builds read and write.
 */
constexpr QLatin1StringView ContinuesLongLineProperty = "continuesLongLine"_L1;

[[noreturn]] void badFormat(const QString& what) {
    throw RunTimeError(ErrorNumber::BadFileFormat, u"Bad file format: "_s + what);
}

/**
 * Builds "Data12"-style names in a buffer of its own, so that the loops over records and days
 * make no text per property.
 */
class IndexedName {
public:
    QLatin1StringView operator()(QLatin1StringView prefix, qint32 index) {
        char* p = m_buffer;
        std::memcpy(p, prefix.data(), size_t(prefix.size()));
        p += prefix.size();
        char digits[10];
        int n = 0;
        quint32 value = quint32(index);
        do {
            digits[n++] = char('0' + value % 10);
            value /= 10;
        } while (value);
        while (n)
            *p++ = digits[--n];
        return QLatin1StringView(m_buffer, p - m_buffer);
    }

private:
    char m_buffer[32]; // the longest prefix is "Blocks", the longest index 10 digits
};

/** Reads "Count" and checks that the bag holds exactly that many groups of perItem properties. */
qint32 readCount(const PropertyBag& bag, qsizetype perItem) {
    const qint32 count = bag.ReadProperty(u"Count").toInt32();
    if (count < 0)
        badFormat(u"negative count"_s);
    if (1 + qint64(count) * perItem != bag.count())
        badFormat(u"count does not match the properties"_s);
    return count;
}

bool writeFrame(QIODevice& device, const QByteArray& contents) {
    char head[4];
    qToLittleEndian<qint32>(qint32(contents.size() - 1), head);
    return device.write(head, 4) == 4 && device.write(contents) == contents.size();
}

/** The bag bytes behind the head, after checking the head against what the device holds. */
QByteArray readFrame(QIODevice& device) {
    if (!device.isReadable())
        throw RunTimeError(ErrorNumber::DeviceIoError, u"Device I/O error"_s);
    char head[4];
    if (device.read(head, 4) != 4)
        badFormat(u"no head"_s);
    const qint32 upperIndex = qFromLittleEndian<qint32>(head);
    if (upperIndex < 0)
        badFormat(u"negative head"_s);
    const qint64 length = qint64(upperIndex) + 1;

    if (!device.isSequential()) {
        const qint64 remaining = device.size() - device.pos();
        if (length > remaining)
            badFormat(u"file shorter than its head says"_s);
        if (length < remaining)
            badFormat(u"file longer than its head says"_s);
        QByteArray bytes(length, Qt::Uninitialized);
        if (device.read(bytes.data(), length) != length)
            throw RunTimeError(ErrorNumber::DeviceIoError, u"Device I/O error"_s);
        return bytes;
    }
    // A stream: grow only with what has arrived, whatever the head claims.
    QByteArray bytes;
    char chunk[65536];
    while (bytes.size() < length) {
        const qint64 n =
            device.read(chunk, qMin<qint64>(qint64(sizeof chunk), length - bytes.size()));
        if (n <= 0)
            badFormat(u"file shorter than its head says"_s);
        bytes.append(chunk, n);
    }
    char extra;
    if (device.read(&extra, 1) > 0)
        badFormat(u"file longer than its head says"_s);
    return bytes;
}

/** Everything a load reads, kept apart from the model until all of it has been checked. */
struct LoadedState {
    LogSession session;
    ProjectTotals totals;
    ClientTable table;
};

void readState(QIODevice& device, LoadedState& state) {
    QByteArray tableBytes;
    {
        PropertyBag fileBag;
        fileBag.setContents(readFrame(device));
        const bool continues = fileBag.contains(ContinuesLongLineProperty);
        if (fileBag.count() != FileBagProperties + (continues ? 1 : 0))
            badFormat(u"unexpected properties in the file bag"_s);
        ReadProperties(fileBag, state.session, state.totals);
        if (continues && fileBag.ReadProperty(ContinuesLongLineProperty).toInt32() != 1)
            badFormat(u"unexpected continuesLongLine"_s);
        state.session.continuesLongLine = continues;
        tableBytes = fileBag.ReadProperty(u"RC5Stats").toBytes();
    }
    PropertyBag tableBag;
    tableBag.setContents(tableBytes);
    tableBytes = QByteArray();
    state.table = ReadStats(tableBag);
}

} // namespace

void WriteProperties(PropertyBag& bag, const LogSession& session, const ProjectTotals& totals) {
    passErrors(u"frmMain:WriteProperties"_s, PlaceSeparator::LineBreak, [&] {
        bag.WriteProperty(u"LastDate", session.LastDate);
        bag.WriteProperty(u"LastTime", session.LastTime);
        bag.WriteProperty(u"FileName", session.FileName);
        // Where the next start reads on: just after the last line handed out. It equals
        // TextStreamPosition whenever the read buffer is used up, the case of every save.
        bag.WriteProperty(u"TextStreamPosition", qint64(session.positionAfterLastLine()));
        bag.WriteProperty(u"LastModified", session.LastModified);
        bag.WriteProperty(u"CurrentLine", session.CurrentLine);
        bag.WriteProperty(u"ClientsTotalRC5", totals.ClientsTotalRC5);
        bag.WriteProperty(u"UplinkTotalRC5", totals.UplinkTotalRC5);
        bag.WriteProperty(u"LabInBufRC5", totals.LabInBufRC5);
        bag.WriteProperty(u"LabOutBufRC5", totals.LabOutBufRC5);
        bag.WriteProperty(u"ClientsTotalOGR", totals.ClientsTotalOGR);
        bag.WriteProperty(u"UplinkTotalOGR", totals.UplinkTotalOGR);
        bag.WriteProperty(u"LabInBufOGR", totals.LabInBufOGR);
        bag.WriteProperty(u"LabOutBufOGR", totals.LabOutBufOGR);
    });
}

void ReadProperties(const PropertyBag& bag, LogSession& session, ProjectTotals& totals) {
    passErrors(u"frmMain:ReadProperties"_s, PlaceSeparator::LineBreak, [&] {
        session.LastDate = bag.ReadProperty(u"LastDate").toText();
        session.LastTime = bag.ReadProperty(u"LastTime").toText();
        session.FileName = bag.ReadProperty(u"FileName").toText();
        // Files of earlier builds hold the position as a 32-bit integer.
        session.TextStreamPosition = bag.ReadProperty(u"TextStreamPosition").toInt64();
        if (session.TextStreamPosition < 1)
            badFormat(u"reading position before the start of the log"_s);
        session.LastModified = bag.ReadProperty(u"LastModified").toDateTime();
        session.CurrentLine = bag.ReadProperty(u"CurrentLine").toInt32();
        if (session.CurrentLine < 0)
            badFormat(u"negative line count"_s);
        totals.ClientsTotalRC5 = bag.ReadProperty(u"ClientsTotalRC5").toInt32();
        totals.UplinkTotalRC5 = bag.ReadProperty(u"UplinkTotalRC5").toInt32();
        totals.LabInBufRC5 = bag.ReadProperty(u"LabInBufRC5").toText();
        totals.LabOutBufRC5 = bag.ReadProperty(u"LabOutBufRC5").toText();
        totals.ClientsTotalOGR = bag.ReadProperty(u"ClientsTotalOGR").toInt32();
        totals.UplinkTotalOGR = bag.ReadProperty(u"UplinkTotalOGR").toInt32();
        totals.LabInBufOGR = bag.ReadProperty(u"LabInBufOGR").toText();
        totals.LabOutBufOGR = bag.ReadProperty(u"LabOutBufOGR").toText();
    });
}

void WriteStats(PropertyBag& bag, const ClientTable& table) {
    passErrors(u"frmMain:WriteStats"_s, PlaceSeparator::LineBreak, [&] {
        bag.WriteProperty(u"Count", qint32(table.size()));
        PropertyBag historyBag; // one bag, emptied for every record, keeps its memory
        IndexedName name;
        qint32 i = 0;
        for (const auto& entry : table) {
            const ClientRecord& record = entry.value;
            historyBag.clear();
            WriteClient(historyBag, record.Data);
            bag.WriteProperty(name("Data"_L1, i), historyBag.Contents());
            bag.WriteProperty(name("Name"_L1, i), record.Name);
            bag.WriteProperty(name("Blocks"_L1, i), record.Blocks);
            bag.WriteProperty(name("Time"_L1, i), record.Time);
            ++i;
        }
    });
}

ClientTable ReadStats(const PropertyBag& bag) {
    return passErrors(u"frmMain:ReadStats"_s, PlaceSeparator::LineBreak, [&] {
        const qint32 count = readCount(bag, 4);
        ClientTable table;
        table.reserve(count); // bounded by the bag's own size through readCount
        PropertyBag historyBag;
        IndexedName name;
        for (qint32 i = 0; i < count; ++i) {
            const QString recordName = bag.ReadProperty(name("Name"_L1, i)).toText();
            historyBag.setContents(bag.ReadProperty(name("Data"_L1, i)).toBytes());
            DayHistory history = ReadClient(historyBag);
            const qint32 blocks = bag.ReadProperty(name("Blocks"_L1, i)).toInt32();
            QString time = bag.ReadProperty(name("Time"_L1, i)).toText();
            table.insertOrAssign(
                recordName, ClientRecord{std::move(history), recordName, blocks, std::move(time)});
        }
        return table;
    });
}

void WriteClient(PropertyBag& bag, const DayHistory& history) {
    passErrors(u"frmMain:WriteClient"_s, PlaceSeparator::LineBreak, [&] {
        bag.WriteProperty(u"Count", qint32(history.size()));
        IndexedName name;
        qint32 j = 0;
        for (const auto& entry : history) {
            bag.WriteProperty(name("Date"_L1, j), entry.value.Date);
            bag.WriteProperty(name("Blocks"_L1, j), entry.value.Blocks);
            ++j;
        }
    });
}

DayHistory ReadClient(const PropertyBag& bag) {
    return passErrors(u"frmMain:ReadClient"_s, PlaceSeparator::LineBreak, [&] {
        const qint32 count = readCount(bag, 2);
        DayHistory history;
        history.reserve(count);
        IndexedName name;
        for (qint32 j = 0; j < count; ++j) {
            QString date = bag.ReadProperty(name("Date"_L1, j)).toText();
            const qint32 blocks = bag.ReadProperty(name("Blocks"_L1, j)).toInt32();
            DayEntry& entry = history.findOrAppend(date);
            entry.Date = std::move(date);
            entry.Blocks = blocks;
        }
        return history;
    });
}

namespace {

/** The file bag of the model: everything of the file but its head. */
QByteArray fileBagContents(const LogSession& session, const Statistics& statistics) {
    PropertyBag fileBag;
    WriteProperties(fileBag, session, statistics.totals);
    {
        PropertyBag tableBag;
        WriteStats(tableBag, statistics.clients);
        fileBag.WriteProperty(u"RC5Stats", tableBag.Contents());
    }
    if (session.continuesLongLine)
        fileBag.WriteProperty(ContinuesLongLineProperty, qint32(1));
    return fileBag.Contents();
}

} // namespace

QByteArray statsFileBytes(const LogSession& session, const Statistics& statistics) {
    const QByteArray contents = fileBagContents(session, statistics);
    QByteArray bytes(4, Qt::Uninitialized);
    qToLittleEndian<qint32>(qint32(contents.size() - 1), bytes.data());
    return bytes + contents;
}

bool SaveStatsFile(QIODevice* device, const LogSession& session, const Statistics& statistics) {
    if (!device)
        return false;
    try {
        return writeFrame(*device, fileBagContents(session, statistics));
    } catch (const RunTimeError&) {
        return false;
    }
}

bool SaveStatsFile(const QString& path, const LogSession& session, const Statistics& statistics) {
    QByteArray bytes;
    try {
        bytes = statsFileBytes(session, statistics);
    } catch (const RunTimeError&) {
        return false;
    }
    return saveFileSafely(path, bytes) == SaveOutcome::Saved;
}

bool LoadStatsFile(QIODevice* device, LogSession& session, Statistics& statistics) {
    if (!device)
        return false;
    LoadedState state;
    try {
        readState(*device, state);
    } catch (const RunTimeError&) {
        return false;
    }
    session.FileName = std::move(state.session.FileName);
    session.TextStreamPosition = state.session.TextStreamPosition;
    session.LastModified = std::move(state.session.LastModified);
    session.CurrentLine = state.session.CurrentLine;
    session.LastDate = std::move(state.session.LastDate);
    session.LastTime = std::move(state.session.LastTime);
    session.continuesLongLine = state.session.continuesLongLine;
    session.seenSize = -1; // the first read looks at the log anew
    statistics.clients = std::move(state.table);
    statistics.totals = std::move(state.totals);
    return true;
}

StatsLoad LoadStatsFile(const QString& path, LogSession& session, Statistics& statistics) {
    WholeFile file = readWholeFile(path, MaxStatsFileSize);
    switch (file.outcome) {
    case WholeFile::Outcome::Missing:
        return {StatsLoad::Outcome::Missing, {}};
    case WholeFile::Outcome::Refused:
        return {StatsLoad::Outcome::Unreadable, file.error};
    case WholeFile::Outcome::Read:
        break;
    }
    QBuffer buffer(&file.bytes);
    if (buffer.open(QIODevice::ReadOnly) && LoadStatsFile(&buffer, session, statistics))
        return {StatsLoad::Outcome::Loaded, {}};
    return {StatsLoad::Outcome::Damaged, keepDamagedStatsFile(path)};
}

QString keepDamagedStatsFile(const QString& path) {
    const QString base =
        path + u".damaged-"_s + QDateTime::currentDateTime().toString(u"yyyyMMdd-HHmmss"_s);
    QString target = base;
    for (int n = 2; QFileInfo::exists(target) && n < 1000; ++n)
        target = base + u'-' + QString::number(n);
    return QFile::rename(path, target) ? target : QString();
}
