#pragma once

#include <QDateTime>
#include <QString>

#include <optional>

/**
 * The log's dates ("MM/DD/YY") and times ("HH:MM:SS") as numbers, for the few places that
 * compare them: the chart of a client's days and the quiet-client watch. Two-digit years are
 * read as POSIX reads them: 69 to 99 are 1969 to 1999, 00 to 68 are 2000 to 2068.
 */
namespace LogTime {

/** The calendar day of a log date, or nothing when the text is not one. */
std::optional<QDate> dateOf(QStringView date);

/** Seconds of a log date and time on one continuous scale, or nothing when either is not one. */
std::optional<qint64> secondsOf(QStringView date, QStringView time);

/** Seconds of a record's time stamp: date, one space, time ("12/06/26 08:00:00"). */
std::optional<qint64> secondsOfStamp(QStringView stamp);

/** Seconds of a clock reading on the same scale (its own date and time of day, no zone). */
qint64 secondsOf(const QDateTime& clock);

} // namespace LogTime
