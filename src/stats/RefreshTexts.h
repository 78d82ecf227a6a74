#pragma once

#include <QString>
#include <QTime>

#include <optional>

/** The texts of one refresh pass that do not depend on widgets. */
namespace RefreshTexts {

/** The hour of the log's clock: (hour + timeZone + 24) mod 24, the sign following the dividend. */
int shiftedHour(QTime now, qint32 timeZone);

/** Seconds since midnight of the shifted clock. */
qint64 shiftedSeconds(QTime now, qint32 timeZone);

/**
 * Status panel 2 without its blanks: the shifted clock "HH:MM:SS", then, once a log line has
 * been read, "\" on a reading tick (tick count 0) or "/" otherwise, and the log line's time.
 */
QString clockText(QTime now, qint32 timeZone, const QString& lastTime, int refreshTickCount);

/**
 * Today's rate in units of 1024 keys per second (2^28 keys per block) over the shifted
 * day so far, right-justified to 8; none at the shifted midnight, where the cell stays as it is.
 */
std::optional<QString> rateText(qint32 todayBlocks, qint64 shiftedSeconds);

/** The rate that rateText writes, rounded to a whole number; none at the shifted midnight. */
std::optional<double> rateValue(qint32 todayBlocks, qint64 shiftedSeconds);

/** The cell text of a rate that rateValue gave. */
QString rateText(double rate);

/** Cell texts of a count: right-justified to 6. */
QString blocksText(qint32 blocks);

/** What cells 2 and 3 show when the client has no entry for today. */
inline QString noTodayText() {
    return QStringLiteral("      ");
}

} // namespace RefreshTexts
