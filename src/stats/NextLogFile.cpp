#include "NextLogFile.h"

#include "common/NumberText.h"
#include "common/RunTimeError.h"

QString nextLogFileName(const QString& fileName) {
    const qsizetype dot = fileName.lastIndexOf(QLatin1Char('.')); // 0-based; -1 when none
    if (dot < 2)
        throw RunTimeError(ErrorNumber::InvalidArgument,
                           QStringLiteral("Invalid procedure call or argument"));
    const qint32 number = NumberText::toLong(QStringView(fileName).sliced(dot - 2, 2));
    const qint64 next = qint64(number) + 1;
    QString digits = QString::number(std::abs(next)).rightJustified(2, QLatin1Char('0'));
    if (next < 0)
        digits.prepend(QLatin1Char('-'));
    if (next < 100)
        digits.truncate(2); // the name keeps its length
    QString result = fileName;
    result.replace(dot - 2, 2, digits);
    return result;
}
