#pragma once

#include "OrderedMap.h"

#include <QString>

#include <string>

/** Blocks of one client and project on one date (the log's 8-character date text). */
struct DayEntry {
    QString Date;
    qint32 Blocks = 0;
};

/** Blocks per date, in the order in which the dates first occurred. */
using DayHistory = OrderedMap<DayEntry>;

/** One client of one project; Name is the key: project code followed by client name. */
struct ClientRecord {
    DayHistory Data;
    QString Name;
    qint32 Blocks = 0;
    QString Time;         ///< date, one space, time of the last counted transfer
    bool counted = false; ///< counted into since the table's last takeCounted
};

/** All records of both projects, keyed by Name, in the order they were first counted. */
class ClientTable : public OrderedMap<ClientRecord> {
public:
    ClientTable();
    /** A copy is another table: it has a serial of its own. */
    ClientTable(const ClientTable& other);
    ClientTable& operator=(const ClientTable& other);
    ClientTable(ClientTable&&) noexcept = default;
    ClientTable& operator=(ClientTable&&) noexcept = default;

    /**
     * The record under the key project + name, given as Latin-1 bytes (the log's own text),
     * appended when new; its index in index. Keys seen before are found without building or
     * converting the key: counting a log line must not allocate.
     */
    ClientRecord& findOrAppendLatin1(QLatin1StringView project, QLatin1StringView name,
                                     bool* created, qsizetype* index);

    /**
     * Tells whoever shows the table that the record at index was counted into; each record is
     * noted once until the notes are taken.
     */
    void noteCounted(qsizetype index) {
        ClientRecord& record = entryAt(index).value;
        if (!record.counted) {
            record.counted = true;
            m_counted.push_back(qint32(index));
        }
    }
    /** The indexes of the records counted into since the last call, in the order first noted. */
    std::vector<qint32> takeCounted();

    /**
     * Tells tables apart: no other table of this run has the same serial, so whoever keeps
     * record indexes of a table sees when it was replaced (Open, loading the stats file).
     */
    quint64 serial() const { return m_serial; }

private:
    struct Slot {
        quint64 hash = 0;
        qint32 index = -1; ///< record index, -1 for an empty slot
        quint32 keySize = 0;
        quint64 keyOffset = 0; ///< into m_keyBytes
    };
    void grow();
    // An open-addressing index from the key's bytes to the record; it travels with the table
    // it indexes, so a replaced table never meets a stale index. Hand-made because counting a
    // log (bench_process) is 35 % slower through std::unordered_map, and more than twice as
    // slow through QHash (Qt 6.4).
    std::vector<Slot> m_slots;
    std::string m_keyBytes;
    qsizetype m_used = 0;
    std::vector<qint32> m_counted;
    quint64 m_serial;
};

namespace Project {
inline const QString RC5 = QStringLiteral("RC5");
inline const QString OGR = QStringLiteral("OGR");
inline constexpr QLatin1StringView RC5Latin1("RC5");
inline constexpr QLatin1StringView OGRLatin1("OGR");
} // namespace Project

/** The pseudo-client whose record of each project receives every count of that project. */
inline const QString AllClients = QStringLiteral("<All-clients>");
inline constexpr QLatin1StringView AllClientsLatin1("<All-clients>");

/** The per-project figures shown in the information panel. */
struct ProjectTotals {
    qint32 ClientsTotalRC5 = 0;
    qint32 UplinkTotalRC5 = 0;
    QString LabInBufRC5;
    QString LabOutBufRC5;
    qint32 ClientsTotalOGR = 0;
    qint32 UplinkTotalOGR = 0;
    QString LabInBufOGR;
    QString LabOutBufOGR;
};

/** The counting model: the client table and the project totals, always reset together. */
class Statistics {
public:
    ClientTable clients;
    ProjectTotals totals;

    /**
     * Counts blocks for a client of a project on date at time, all texts as they stand in the
     * log (Latin-1): first for "<All-clients>" and the project's clients total, then for the
     * client itself. An overflow throws a RunTimeError with "frmMain:IncrementClient" CR LF
     * before its description; what was already added stays.
     */
    void IncrementClient(QLatin1StringView name, QLatin1StringView date, QLatin1StringView time,
                         qint32 blocks, QLatin1StringView project);

    /** Empty table, zero totals, buffer texts "0": what opening a new log starts from. */
    void reset();

private:
    void countFor(QLatin1StringView name, QLatin1StringView date, QLatin1StringView time,
                  qint32 blocks, QLatin1StringView project);
};
