#include "NumberText.h"

#include "RunTimeError.h"

#include <cmath>
#include <limits>

namespace NumberText {

namespace {

[[noreturn]] void typeMismatch() {
    throw RunTimeError(ErrorNumber::TypeMismatch, QStringLiteral("Type mismatch"));
}

[[noreturn]] void overflow() {
    throw RunTimeError(ErrorNumber::Overflow, QStringLiteral("Overflow"));
}

template <typename Int> Int toWhole(QStringView text, const QLocale& locale) {
    const double value = std::nearbyint(toDouble(text, locale)); // default rounding: half to even
    if (value < double(std::numeric_limits<Int>::min()) ||
        value > double(std::numeric_limits<Int>::max()))
        overflow();
    return Int(value);
}

} // namespace

double toDouble(QStringView text, const QLocale& locale) {
    bool ok = false;
    const double value = locale.toDouble(text.trimmed(), &ok);
    if (!ok || !std::isfinite(value))
        typeMismatch();
    return value;
}

qint32 toLong(QStringView text, const QLocale& locale) {
    return toWhole<qint32>(text, locale);
}

qint16 toInteger(QStringView text, const QLocale& locale) {
    return toWhole<qint16>(text, locale);
}

float toSingle(QStringView text, const QLocale& locale) {
    const double value = toDouble(text, locale);
    if (std::fabs(value) > double(std::numeric_limits<float>::max()))
        overflow();
    return float(value);
}

bool toFlag(QStringView text, const QLocale& locale) {
    return toDouble(text, locale) == 1.0;
}

qint32 addChecked(qint32 a, qint32 b) {
    qint32 sum = 0;
    if (__builtin_add_overflow(a, b, &sum))
        overflow();
    return sum;
}

QString fromSingle(float value, const QLocale& locale) {
    QLocale plain = locale;
    plain.setNumberOptions(QLocale::OmitGroupSeparator);
    return plain.toString(double(value), 'g', 7);
}

} // namespace NumberText
