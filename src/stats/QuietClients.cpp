#include "QuietClients.h"

#include "ClientTable.h"
#include "LogTime.h"

namespace {

constexpr qint64 DaySeconds = 86400;

bool isAllClients(const QString& key) {
    return QStringView(key).sliced(qMin<qsizetype>(3, key.size())) == AllClients;
}

} // namespace

QStringList QuietClients::update(const ClientTable& table, const QString& lastDate,
                                 const QString& lastTime, const QDateTime& logClockNow,
                                 qint32 thresholdHours) {
    if (thresholdHours <= 0) {
        m_quiet.clear();
        return {};
    }
    const std::optional<qint64> latest = LogTime::secondsOf(lastDate, lastTime);
    if (!latest)
        return {};
    const qint64 threshold = qint64(thresholdHours) * 3600;
    const auto silence = [&](const ClientRecord& record) -> std::optional<qint64> {
        const std::optional<qint64> last = LogTime::secondsOfStamp(record.Time);
        return last ? std::optional(*latest - *last) : std::nullopt;
    };

    // A client that returned, or that is no longer in the table (a new log), is quiet no more.
    for (auto it = m_quiet.begin(); it != m_quiet.end();) {
        const ClientRecord* record = table.find(*it);
        const std::optional<qint64> quietFor = record ? silence(*record) : std::nullopt;
        it = quietFor && *quietFor > threshold ? std::next(it) : m_quiet.erase(it);
    }
    if (*latest < LogTime::secondsOf(logClockNow) - DaySeconds)
        return {};

    QStringList wentQuiet;
    for (const auto& entry : table) {
        if (m_quiet.contains(entry.key) || isAllClients(entry.key))
            continue;
        const std::optional<qint64> quietFor = silence(entry.value);
        if (quietFor && *quietFor > threshold && *quietFor <= threshold + DaySeconds) {
            m_quiet.insert(entry.key);
            wentQuiet << entry.key;
        }
    }
    return wentQuiet;
}
