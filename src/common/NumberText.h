#pragma once

#include <QLocale>
#include <QString>

/**
 * Conversions between stored or logged text and numbers, with the user's locale:
 * surrounding blanks are ignored, fractions round half to even for whole-number targets,
 * and text that is not a number (TypeMismatch) or does not fit the target (Overflow)
 * throws a RunTimeError.
 */
namespace NumberText {

double toDouble(QStringView text, const QLocale& locale = QLocale());
qint32 toLong(QStringView text, const QLocale& locale = QLocale());
qint16 toInteger(QStringView text, const QLocale& locale = QLocale());
float toSingle(QStringView text, const QLocale& locale = QLocale());
/** A flag is on exactly when its number equals 1. */
bool toFlag(QStringView text, const QLocale& locale = QLocale());

/** Adds two counts, throwing Overflow when the sum leaves the 32-bit signed range. */
qint32 addChecked(qint32 a, qint32 b);

/** General form with at most 7 significant digits; whole values as plain integers. */
QString fromSingle(float value, const QLocale& locale = QLocale());

} // namespace NumberText
