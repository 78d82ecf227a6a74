#pragma once

#include "OrderedMap.h"

#include <QString>

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
    QString Time; ///< date, one space, time of the last counted transfer
};

/** All records of both projects, keyed by Name, in the order they were first counted. */
using ClientTable = OrderedMap<ClientRecord>;

namespace Project {
inline const QString RC5 = QStringLiteral("RC5");
inline const QString OGR = QStringLiteral("OGR");
} // namespace Project

/** The pseudo-client whose record of each project receives every count of that project. */
inline const QString AllClients = QStringLiteral("<All-clients>");

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
    ClientTable Clients;
    ProjectTotals Totals;

    /**
     * Counts blocks for a client of a project on date at time: first for "<All-clients>" and
     * the project's clients total, then for the client itself. An overflow throws a RunTimeError
     * with "frmMain:IncrementClient" CR LF before its description; what was already added stays.
     */
    void IncrementClient(QStringView name, QStringView date, QStringView time, qint32 blocks,
                         QStringView project);

    /** Empty table, zero totals, buffer texts "0": what opening a new log starts from. */
    void Reset();

private:
    void countFor(QStringView name, QStringView date, QStringView time, qint32 blocks,
                  QStringView project);
    QString m_key; ///< reused so that counting a line allocates nothing in the common case
    QString m_date;
};
