#include "modGlobals.h"

#include "Clock.h"

QString rightJustify(const QString& text, int width) {
    if (text.size() >= width)
        return text;
    return QString(width - text.size(), QLatin1Char(' ')) + text;
}

QString rightJustify(qint64 number, int width) {
    return rightJustify(QString::number(number), width);
}

QString GetCurrentDate(const Clock& clock) {
    return clock.now().date().toString(QStringLiteral("MM/dd/yy"));
}
