#include "LogProcessor.h"

#include "ClientTable.h"
#include "LogSession.h"
#include "common/NumberText.h"
#include "common/RunTimeError.h"

namespace {

/** The text from 1-based column start on, at most length bytes; empty past the end. */
QByteArrayView mid(QByteArrayView text, qsizetype start, qsizetype length = -1) {
    const qsizetype from = start - 1;
    if (from >= text.size())
        return {};
    const qsizetype rest = text.size() - from;
    return text.sliced(from, length < 0 || length > rest ? rest : length);
}

/** Assigns Latin-1 bytes to text, reusing its storage. */
void assignLatin1(QString& text, QByteArrayView bytes) {
    text.resize(0);
    text.append(QLatin1StringView(bytes));
}

[[noreturn]] void missingField() {
    throw RunTimeError(ErrorNumber::SubscriptOutOfRange, QStringLiteral("Subscript out of range"));
}

/**
 * Field n (from 0) of text split at every separator; consecutive separators give empty
 * fields. Splitting an empty text gives no fields at all.
 */
QByteArrayView field(QByteArrayView text, char separator, int n) {
    if (text.isEmpty())
        missingField();
    qsizetype start = 0;
    for (int i = 0; i < n; ++i) {
        const qsizetype next = text.indexOf(separator, start);
        if (next < 0)
            missingField();
        start = next + 1;
    }
    const qsizetype end = text.indexOf(separator, start);
    return text.sliced(start, (end < 0 ? text.size() : end) - start);
}

void takeDateAndTime(QByteArrayView line, LogSession& session) {
    assignLatin1(session.LastDate, mid(line, 1, 8));
    assignLatin1(session.LastTime, mid(line, 10, 8));
}

} // namespace

void LineInterpreter::Interpret(QByteArrayView line, LogSession& session, Statistics& statistics) {
    const QByteArrayView token = mid(line, 19, 6);
    const QByteArrayView message = mid(line, 19);
    ProjectTotals& totals = statistics.Totals;

    const auto toLong = [this](QByteArrayView text) -> qint32 {
        // Plain digits are by far the common case; anything else goes the locale-aware way.
        if (!text.isEmpty() && text.size() <= 9 &&
            std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; })) {
            qint32 value = 0;
            for (char c : text)
                value = value * 10 + (c - '0');
            return value;
        }
        assignLatin1(m_number, text);
        return NumberText::toLong(m_number);
    };

    if (token == "rc564 ") {
        assignLatin1(totals.LabInBufRC5, mid(field(message, ',', 0), 9));
        assignLatin1(totals.LabOutBufRC5, mid(field(message, ',', 1), 4));
    } else if (token == "ogr r=") {
        assignLatin1(totals.LabInBufOGR, mid(field(message, ',', 0), 7));
        assignLatin1(totals.LabOutBufOGR, mid(field(message, ',', 1), 4));
    } else if (token == "Client") {
        takeDateAndTime(line, session);
        if (line.indexOf("-->") >= 0) {
            assignLatin1(m_name, field(message, ' ', 1));
            const qint32 blocks = toLong(field(message, ' ', 5));
            statistics.IncrementClient(m_name, session.LastDate, session.LastTime, blocks, Project::RC5);
        }
    } else if (token == "server") {
        if (field(message, ' ', 1) == "<--") {
            if (field(message, ' ', 4) == "ogr")
                totals.UplinkTotalOGR = NumberText::addChecked(totals.UplinkTotalOGR, 1);
            else
                totals.UplinkTotalRC5 =
                    NumberText::addChecked(totals.UplinkTotalRC5, toLong(field(message, ' ', 6)));
        }
    } else if (line.indexOf("completed ogr") >= 0) {
        takeDateAndTime(line, session);
        const QByteArrayView first = field(message, ' ', 0);
        if (first.isEmpty())
            throw RunTimeError(ErrorNumber::InvalidArgument,
                               QStringLiteral("Invalid procedure call or argument"));
        assignLatin1(m_name, first.chopped(1));
        statistics.IncrementClient(m_name, session.LastDate, session.LastTime, 1, Project::OGR);
    }
}
