#pragma once

#include "SortedList.h"

#include <QString>

#include <vector>

class ClientNames;
class ClientTable;

/**
 * The list stretch of a refresh pass: the rows of the shown project brought up to the client
 * table, at the cost of what changed since the last pass rather than of every record. A pass
 * rewrites
 *   - the rows of the records counted into since the last pass (the table notes them), and the
 *     rows of records that are new to the table;
 *   - the rate cell of every row with blocks today, when the clock's second has moved on;
 *   - the client cell of every row, when a name can have changed (a lookup answered, the names
 *     file loaded, name resolution switched);
 *   - every row, when the list was emptied (a tab change, Open), the table was replaced, or the
 *     date changed.
 * What a pass shows is what rewriting every row would show: a cell is written only when its text
 * changes, and rows are found by key when they are not known yet.
 *
 * It keeps, per record, the row that shows it and what that row's today cells were made from;
 * rows are named by index and checked against the list's and the table's identity on every
 * pass, never kept across a replaced table or an emptied list.
 */
class ClientListRefresh {
public:
    /**
     * Brings list up to table for project ("RC5" or "OGR") on the date today, with seconds the
     * shifted clock's seconds since midnight. True when a row was added or a cell of the sort
     * column changed: the list should be re-sorted. A record whose row cannot be written is
     * skipped silently.
     */
    bool refresh(SortedList& list, ClientTable& table, ClientNames& names, const QString& project,
                 const QString& today, qint64 seconds);

private:
    /** What the list shows of one record. */
    struct Shown {
        SortedList::RowId row = SortedList::NoRow;
        qint32 todayBlocks = 0;
        bool hasToday = false;
        bool hasRate = false;
        double rate = 0; ///< the rate whose text the rate cell holds, when hasRate
    };
    void refreshRecord(qsizetype index);
    void refreshRate(Shown& shown, qint64 seconds);
    void write(SortedList::RowId row, int column, const QString& text);

    // The inputs of the pass under way.
    SortedList* m_list = nullptr;
    ClientTable* m_table = nullptr;
    ClientNames* m_names = nullptr;
    bool m_resort = false;

    // What the last pass was made from.
    std::vector<Shown> m_shown; ///< per record index of the table
    qsizetype m_recordsSeen = 0;
    quint64 m_tableSerial = 0;
    quint64 m_listGeneration = 0;
    quint64 m_namesVersion = 0;
    QString m_project;
    QString m_today;
    qint64 m_seconds = -1;
};
