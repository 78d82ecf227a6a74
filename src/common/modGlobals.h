#pragma once

#include <QString>

class Clock;

/** text preceded by as many spaces as it is shorter than width; longer text unchanged. */
QString rightJustify(const QString& text, int width);
QString rightJustify(qint64 number, int width);

/** The computer's date as "MM/DD/YY", the form of the log's dates; not shifted by the time zone. */
QString GetCurrentDate(const Clock& clock);
