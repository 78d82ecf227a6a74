#include "RefreshTexts.h"

#include "common/modGlobals.h"

#include <cmath>

namespace RefreshTexts {

int ShiftedHour(QTime now, qint32 timeZone) {
    return int((qint64(now.hour()) + timeZone + 24) %
               24); // C++ % keeps the dividend's sign, as wanted
}

qint64 ShiftedSeconds(QTime now, qint32 timeZone) {
    return qint64(ShiftedHour(now, timeZone)) * 3600 + now.minute() * 60 + now.second();
}

QString ClockText(QTime now, qint32 timeZone, const QString& lastTime, int refreshTickCount) {
    const int hour = ShiftedHour(now, timeZone);
    QString text = (hour < 0 ? QStringLiteral("-") : QString()) +
                   QStringLiteral("%1:%2:%3")
                       .arg(std::abs(hour), 2, 10, QLatin1Char('0'))
                       .arg(now.minute(), 2, 10, QLatin1Char('0'))
                       .arg(now.second(), 2, 10, QLatin1Char('0'));
    if (!lastTime.isEmpty())
        text += (refreshTickCount == 0 ? QLatin1Char('\\') : QLatin1Char('/')) + lastTime;
    return text;
}

std::optional<QString> RateText(qint32 todayBlocks, qint64 shiftedSeconds) {
    if (shiftedSeconds == 0)
        return std::nullopt;
    const double rate = double(todayBlocks) * 262144.0 / double(shiftedSeconds);
    return RightJustify(QString::number(std::nearbyint(rate), 'f', 0), 8);
}

QString BlocksText(qint32 blocks) {
    return RightJustify(blocks, 6);
}

} // namespace RefreshTexts
