#include "ClientTable.h"

#include "common/Latin1Text.h"
#include "common/NumberText.h"
#include "common/RunTimeError.h"

#include <atomic>
#include <cstring>

namespace {

quint64 load32(const char* p) {
    quint32 v;
    std::memcpy(&v, p, 4);
    return v;
}

quint64 mixBytes(quint64 h, QLatin1StringView bytes) {
    const char* p = bytes.data();
    const qsizetype size = bytes.size();
    qsizetype n = size;
    for (; n > 8; n -= 8, p += 8) {
        quint64 word;
        std::memcpy(&word, p, 8);
        h = (h ^ word) * 0xbf58476d1ce4e5b9ULL;
        h ^= h >> 31;
    }
    // The last 1 to 8 bytes, read as overlapping words rather than byte by byte.
    quint64 tail = 0;
    if (n >= 4)
        tail = load32(p) | load32(p + n - 4) << 32;
    else if (n > 0)
        tail =
            quint64(uchar(p[0])) | quint64(uchar(p[n / 2])) << 8 | quint64(uchar(p[n - 1])) << 16;
    return (h ^ tail ^ quint64(size) << 56) * 0x94d049bb133111ebULL;
}

/** A hash of the key project + name, taking the two parts one after the other. */
quint64 hashKey(QLatin1StringView project, QLatin1StringView name) {
    quint64 h = mixBytes(mixBytes(0x9e3779b97f4a7c15ULL, project), name);
    // Final avalanche, so that the low bits used for the slot depend on every byte.
    h = (h ^ (h >> 33)) * 0xff51afd7ed558ccdULL;
    h = (h ^ (h >> 33)) * 0xc4ceb9fe1a85ec53ULL;
    return h ^ (h >> 33);
}

quint64 nextSerial() {
    static std::atomic<quint64> serial = 0;
    return ++serial;
}

} // namespace

ClientTable::ClientTable() : m_serial(nextSerial()) {}

ClientTable::ClientTable(const ClientTable& other)
    : OrderedMap<ClientRecord>(other), m_slots(other.m_slots), m_keyBytes(other.m_keyBytes),
      m_used(other.m_used), m_counted(other.m_counted), m_serial(nextSerial()) {}

ClientTable& ClientTable::operator=(const ClientTable& other) {
    if (this != &other) {
        ClientTable copy(other);
        *this = std::move(copy);
    }
    return *this;
}

std::vector<qint32> ClientTable::takeCounted() {
    std::vector<qint32> counted;
    counted.swap(m_counted);
    for (const qint32 index : counted)
        entryAt(index).value.counted = false;
    return counted;
}

ClientRecord& ClientTable::findOrAppendLatin1(QLatin1StringView project, QLatin1StringView name,
                                              bool* created, qsizetype* index) {
    const quint64 hash = hashKey(project, name);
    const qsizetype keySize = project.size() + name.size();
    if (!m_slots.empty()) {
        const size_t mask = m_slots.size() - 1;
        for (size_t i = hash & mask;; i = (i + 1) & mask) {
            const Slot& slot = m_slots[i];
            if (slot.index < 0)
                break;
            const char* stored = m_keyBytes.data() + slot.keyOffset;
            if (slot.hash == hash && slot.keySize == quint32(keySize) &&
                std::memcmp(stored, project.data(), size_t(project.size())) == 0 &&
                std::memcmp(stored + project.size(), name.data(), size_t(name.size())) == 0) {
                *created = false;
                *index = slot.index;
                return entryAt(slot.index).value;
            }
        }
    }
    // Not seen as bytes yet: the record may still exist (loaded from the stats file).
    const QString text = project + name;
    ClientRecord& record = findOrAppend(text, created);
    if (*created)
        record.Name = text;
    if (2 * (m_used + 1) > qsizetype(m_slots.size()))
        grow();
    const size_t mask = m_slots.size() - 1;
    size_t i = hash & mask;
    while (m_slots[i].index >= 0)
        i = (i + 1) & mask;
    *index = indexOf(text);
    m_slots[i] = Slot{hash, qint32(*index), quint32(keySize), quint64(m_keyBytes.size())};
    m_keyBytes.append(project.data(), size_t(project.size()))
        .append(name.data(), size_t(name.size()));
    ++m_used;
    return record;
}

void ClientTable::grow() {
    std::vector<Slot> old(std::max<size_t>(64, m_slots.size() * 2));
    old.swap(m_slots);
    const size_t mask = m_slots.size() - 1;
    for (const Slot& slot : old) {
        if (slot.index < 0)
            continue;
        size_t i = slot.hash & mask;
        while (m_slots[i].index >= 0)
            i = (i + 1) & mask;
        m_slots[i] = slot;
    }
}

void Statistics::IncrementClient(QLatin1StringView name, QLatin1StringView date,
                                 QLatin1StringView time, qint32 blocks, QLatin1StringView project) {
    passErrors(QStringLiteral("frmMain:IncrementClient"), PlaceSeparator::LineBreak, [&] {
        if (name != AllClientsLatin1) {
            IncrementClient(AllClientsLatin1, date, time, blocks, project);
            if (project == Project::RC5Latin1)
                totals.ClientsTotalRC5 = NumberText::addChecked(totals.ClientsTotalRC5, blocks);
            else if (project == Project::OGRLatin1)
                totals.ClientsTotalOGR = NumberText::addChecked(totals.ClientsTotalOGR, blocks);
        }
        countFor(name, date, time, blocks, project);
    });
}

void Statistics::countFor(QLatin1StringView name, QLatin1StringView date, QLatin1StringView time,
                          qint32 blocks, QLatin1StringView project) {
    bool created = false;
    qsizetype index = 0;
    ClientRecord& record = clients.findOrAppendLatin1(project, name, &created, &index);

    // The record changes only once its new total is known to fit.
    record.Blocks = NumberText::addChecked(record.Blocks, blocks);
    clients.noteCounted(index);
    const qsizetype timeSize = date.size() + 1 + time.size();
    if (record.Time.size() != timeSize)
        record.Time.resize(timeSize);
    QChar* out = record.Time.data();
    Latin1Text::widen(date.data(), out, date.size());
    out[date.size()] = QLatin1Char(' ');
    Latin1Text::widen(time.data(), out + date.size() + 1, time.size());

    DayHistory& history = record.Data;
    DayEntry* entry = nullptr;
    if (!history.isEmpty() &&
        Latin1Text::equals(history.last().key, date)) { // log lines come in date order
        entry = &history.last().value;
    } else {
        const QString day = date;
        bool newDay = false;
        entry = &history.findOrAppend(day, &newDay);
        if (newDay)
            entry->Date = day;
    }
    entry->Blocks = NumberText::addChecked(entry->Blocks, blocks);
}

void Statistics::reset() {
    clients = ClientTable();
    totals = ProjectTotals();
    totals.LabInBufRC5 = totals.LabOutBufRC5 = QStringLiteral("0");
    totals.LabInBufOGR = totals.LabOutBufOGR = QStringLiteral("0");
}
