#include "LogTime.h"

namespace LogTime {

namespace {

/** Two decimal digits at text[at], or -1. */
int twoDigits(QStringView text, qsizetype at) {
    const char16_t a = text[at].unicode();
    const char16_t b = text[at + 1].unicode();
    if (a < u'0' || a > u'9' || b < u'0' || b > u'9')
        return -1;
    return (a - u'0') * 10 + (b - u'0');
}

/** "NN?NN?NN" with separator between the pairs: the three numbers, or false. */
bool threePairs(QStringView text, char16_t separator, int out[3]) {
    if (text.size() != 8 || text[2] != separator || text[5] != separator)
        return false;
    for (int i = 0; i < 3; ++i)
        if ((out[i] = twoDigits(text, i * 3)) < 0)
            return false;
    return true;
}

constexpr qint64 DaySeconds = 86400;

} // namespace

std::optional<QDate> dateOf(QStringView date) {
    int mdy[3];
    if (!threePairs(date, u'/', mdy))
        return std::nullopt;
    const QDate day(mdy[2] >= 69 ? 1900 + mdy[2] : 2000 + mdy[2], mdy[0], mdy[1]);
    return day.isValid() ? std::optional(day) : std::nullopt;
}

std::optional<qint64> secondsOf(QStringView date, QStringView time) {
    const std::optional<QDate> day = dateOf(date);
    int hms[3];
    if (!day || !threePairs(time, u':', hms) || hms[0] > 23 || hms[1] > 59 || hms[2] > 59)
        return std::nullopt;
    return day->toJulianDay() * DaySeconds + hms[0] * 3600 + hms[1] * 60 + hms[2];
}

std::optional<qint64> secondsOfStamp(QStringView stamp) {
    if (stamp.size() != 17 || stamp[8] != u' ')
        return std::nullopt;
    return secondsOf(stamp.first(8), stamp.sliced(9));
}

qint64 secondsOf(const QDateTime& clock) {
    return clock.date().toJulianDay() * DaySeconds + clock.time().msecsSinceStartOfDay() / 1000;
}

} // namespace LogTime
