#pragma once

#include "ClientTable.h"

#include <QList>
#include <QString>

/** One day of a client's chart. */
struct DayBar {
    QString date;      ///< the log's date text ("MM/DD/YY")
    qint64 blocks = 0; ///< 0 also for a day without an entry
    bool today = false;
    bool operator==(const DayBar&) const = default;
};

/**
 * The bars of a day history, oldest at the left: one per calendar day from the first dated
 * entry to the last one or to today, whichever is later, so that days without blocks show as
 * gaps and a client gone quiet shows its silence up to today. The bar of today's date is
 * marked. Where a date does not read as one, or the days would span more than MaxSpanDays,
 * the bars are the entries themselves in the history's order.
 */
QList<DayBar> DayBars(const DayHistory& history, const QString& today);

/** Longest span of days drawn day by day (ten years). */
inline constexpr qint64 MaxSpanDays = 3660;
