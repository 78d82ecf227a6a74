#include "RefreshTexts.h"

#include "common/modGlobals.h"

#include <cmath>

namespace RefreshTexts {

int shiftedHour(QTime now, qint32 timeZone) {
    return int((qint64(now.hour()) + timeZone + 24) %
               24); // C++ % keeps the dividend's sign, as wanted
}

qint64 shiftedSeconds(QTime now, qint32 timeZone) {
    return qint64(shiftedHour(now, timeZone)) * 3600 + now.minute() * 60 + now.second();
}

QString clockText(QTime now, qint32 timeZone, const QString& lastTime, int refreshTickCount) {
    const int hour = shiftedHour(now, timeZone);
    QString text = (hour < 0 ? QStringLiteral("-") : QString()) +
                   QStringLiteral("%1:%2:%3")
                       .arg(std::abs(hour), 2, 10, QLatin1Char('0'))
                       .arg(now.minute(), 2, 10, QLatin1Char('0'))
                       .arg(now.second(), 2, 10, QLatin1Char('0'));
    if (!lastTime.isEmpty())
        text += (refreshTickCount == 0 ? QLatin1Char('\\') : QLatin1Char('/')) + lastTime;
    return text;
}

std::optional<QString> rateText(qint32 todayBlocks, qint64 shiftedSeconds) {
    const std::optional<double> rate = rateValue(todayBlocks, shiftedSeconds);
    return rate ? std::optional<QString>(rateText(*rate)) : std::nullopt;
}

std::optional<double> rateValue(qint32 todayBlocks, qint64 shiftedSeconds) {
    if (shiftedSeconds == 0)
        return std::nullopt;
    return std::nearbyint(double(todayBlocks) * 262144.0 / double(shiftedSeconds));
}

QString rateText(double rate) {
    return rightJustify(QString::number(rate, 'f', 0), 8);
}

QString blocksText(qint32 blocks) {
    return rightJustify(blocks, 6);
}

} // namespace RefreshTexts
