#include "DaySeries.h"

#include "LogTime.h"

#include <algorithm>
#include <optional>

namespace {

QList<DayBar> inHistoryOrder(const DayHistory& history, const QString& today) {
    QList<DayBar> bars;
    bars.reserve(history.size());
    for (const auto& entry : history)
        bars.append({entry.value.Date, entry.value.Blocks, entry.value.Date == today});
    return bars;
}

} // namespace

QList<DayBar> DayBars(const DayHistory& history, const QString& today) {
    if (history.isEmpty())
        return {};
    struct Dated {
        qint64 day;
        const DayEntry* entry;
    };
    std::vector<Dated> dated;
    dated.reserve(size_t(history.size()));
    for (const auto& entry : history) {
        const std::optional<QDate> day = LogTime::dateOf(entry.value.Date);
        if (!day)
            return inHistoryOrder(history, today);
        dated.push_back({day->toJulianDay(), &entry.value});
    }
    std::sort(dated.begin(), dated.end(),
              [](const Dated& a, const Dated& b) { return a.day < b.day; });
    const qint64 first = dated.front().day;
    qint64 last = dated.back().day;
    if (const std::optional<QDate> now = LogTime::dateOf(today))
        last = std::max(last, now->toJulianDay());
    if (last - first >= MaxSpanDays)
        return inHistoryOrder(history, today);

    QList<DayBar> bars(last - first + 1);
    for (const Dated& d : dated) {
        DayBar& bar = bars[d.day - first];
        bar.date = d.entry->Date;
        bar.blocks = d.entry->Blocks;
    }
    for (qsizetype i = 0; i < bars.size(); ++i) {
        DayBar& bar = bars[i];
        if (bar.date.isEmpty()) // a day without blocks, named as the log names its days
            bar.date = QDate::fromJulianDay(first + i).toString(QStringLiteral("MM/dd/yy"));
        bar.today = bar.date == today;
    }
    return bars;
}
