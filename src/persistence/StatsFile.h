#pragma once

#include "stats/ClientTable.h"

#include <QString>

class PropertyBag;
class QIODevice;
struct LogSession;

/*
 * The stats file carries the counting state from run to run: a 4-byte little-endian head
 * holding N - 1, then the N bytes of the file bag (see PropertyBag for its encoding). The
 * file bag holds the log state and the totals, and under "RC5Stats" the table bag with
 * every record ("Data<i>", "Name<i>", "Blocks<i>", "Time<i>"), whose "Data<i>" is the
 * history bag of the record's days ("Date<j>", "Blocks<j>").
 */

/**
 * Writes the stats file at path as a whole. The new file is written beside the old one and
 * takes its place only once it is complete, so a failed save (false) leaves the previous
 * file as it was. Never shows anything.
 */
bool SaveStatsFile(const QString& path, const LogSession& session, const Statistics& statistics);
/** Writes the head and the file bag to a device open for writing; false on any failure. */
bool SaveStatsFile(QIODevice* device, const LogSession& session, const Statistics& statistics);

/** What became of a stats file at start-up. */
struct StatsLoad {
    enum class Outcome {
        Loaded,
        Missing,    ///< no file: nothing is created
        Unreadable, ///< could not be read (not a regular file, too big, an I/O error): left alone
        Damaged,    ///< read and refused: renamed aside (see keepDamagedStatsFile)
    };
    Outcome outcome = Outcome::Missing;
    /** Unreadable: why; Damaged: the path it was kept under (empty when the rename failed). */
    QString detail;
    explicit operator bool() const { return outcome == Outcome::Loaded; }
};

/** The largest stats file read: far beyond years of a busy proxy, far below the memory. */
constexpr qint64 MaxStatsFileSize = qint64(1) << 30;

/**
 * Reads the stats file at path into the model, all or nothing: the whole file is parsed and
 * checked first, and only a file without any fault changes the model. On success the six
 * stored fields of session (and continuesLongLine), the table and the totals are replaced and
 * session.seenSize is set to -1 (the log is looked at anew); the read buffer and the rest of
 * the in-memory state stay as they are.
 *
 * A file that cannot be read is not damaged: it stays where it is, and the caller must not
 * save over it. A file that was read and refused is renamed aside, so that the next save
 * cannot replace the history it may still hold.
 */
StatsLoad LoadStatsFile(const QString& path, LogSession& session, Statistics& statistics);
/** Reads the head and the file bag from a device open for reading; all or nothing. */
bool LoadStatsFile(QIODevice* device, LogSession& session, Statistics& statistics);

/**
 * Renames the file at path to "<path>.damaged-YYYYMMDD-HHMMSS" (with "-2", "-3", ... when
 * that name is taken). Returns the new path, or an empty text when the rename failed.
 */
QString keepDamagedStatsFile(const QString& path);

/** The whole file as SaveStatsFile writes it; throws the RunTimeError of a failed write. */
QByteArray statsFileBytes(const LogSession& session, const Statistics& statistics);

/*
 * The bag routines. Each passes a RunTimeError on with "frmMain:<routine>" and CR LF put
 * before its description.
 */

/** Writes the 14 log-state and totals properties, in the file's order. */
void WriteProperties(PropertyBag& bag, const LogSession& session, const ProjectTotals& totals);
/** Reads the 14 properties into session and totals; assigns each as it is read. */
void ReadProperties(const PropertyBag& bag, LogSession& session, ProjectTotals& totals);
/** Writes "Count" and the four properties of every record, in enumeration order. */
void WriteStats(PropertyBag& bag, const ClientTable& table);
/** Builds a table from a table bag; a repeated name keeps its place and takes the later record. */
ClientTable ReadStats(const PropertyBag& bag);
/** Writes "Count" and "Date<j>", "Blocks<j>" of every day, in enumeration order. */
void WriteClient(PropertyBag& bag, const DayHistory& history);
/** Builds a day history from a history bag. */
DayHistory ReadClient(const PropertyBag& bag);
