#pragma once
// What the tests put in place of the world outside, and the helpers they share.

#include "common/Clock.h"
#include "common/ErrorReport.h"
#include "naming/IHostLookup.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QHostAddress>
#include <QIODevice>
#include <QTest>
#include <QVariant>

#include <csignal>
#include <functional>
#include <sys/resource.h>

/** An error report that answers from a script (then Abort) and records what it was asked. */
class ScriptedErrorReport : public IErrorReport {
public:
    ErrorAnswer ask(const RunTimeError& error, const QString& place) override {
        places << place;
        texts << errorReportText(error, place);
        numbers << error.number();
        whileOpen();
        return answers.isEmpty() ? ErrorAnswer::Abort : answers.takeFirst();
    }
    QList<ErrorAnswer> answers;
    QStringList places, texts;
    QList<int> numbers;
    std::function<void()> whileOpen = [] {}; ///< runs while the "box" is open
};

class FakeClock : public Clock {
public:
    QDateTime now() const override { return current; }
    QDateTime current{QDate(2026, 12, 6), QTime(12, 0, 0)};
};

/** A device that takes failAfter bytes and then fails every write. */
class FailingDevice : public QIODevice {
public:
    explicit FailingDevice(qint64 failAfter) : m_left(failAfter) {}
    qint64 readData(char*, qint64) override { return -1; }
    qint64 writeData(const char*, qint64 len) override {
        const qint64 n = qMin(m_left, len);
        m_left -= n;
        return n > 0 ? n : -1;
    }
    qint64 m_left;
};

/** A reverse lookup that answers only when the test says so; nothing leaves the machine. */
class FakeHostLookup : public IHostLookup {
public:
    bool startLookup(quint32 ipv4, Answer answer) override {
        if (!failToStart)
            requests.append({QHostAddress(ipv4).toString(), std::move(answer)});
        return !failToStart;
    }
    /** Answers request index (in the order started); empty means no name found. */
    void answer(qsizetype index, const QString& hostName) { requests[index].second(hostName); }
    QList<std::pair<QString, Answer>> requests; ///< the address looked up, and its answer
    bool failToStart = false;                   ///< refuses, records nothing
};

/** A full disk while it lives: this process's files cannot grow past maxBytes; stops root too. */
class ScopedFileSizeLimit {
public:
    explicit ScopedFileSizeLimit(rlim_t maxBytes) : m_oldHandler(std::signal(SIGXFSZ, SIG_IGN)) {
        getrlimit(RLIMIT_FSIZE, &m_old);
        rlimit limit = m_old;
        limit.rlim_cur = maxBytes;
        m_active = setrlimit(RLIMIT_FSIZE, &limit) == 0;
    }
    ~ScopedFileSizeLimit() {
        setrlimit(RLIMIT_FSIZE, &m_old);
        std::signal(SIGXFSZ, m_oldHandler);
    }
    bool isActive() const { return m_active; }

private:
    rlimit m_old{};
    void (*m_oldHandler)(int);
    bool m_active = false;
};

inline QByteArray readFile(const QString& path) { // or "<unreadable>"
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>");
}

/** Writes bytes as the whole file, or after what is there; false when that fails. */
inline bool writeFile(const QString& path, const QByteArray& bytes, bool append = false) {
    QFile file(path);
    return file.open(append ? QIODevice::Append : QIODevice::WriteOnly) &&
           file.write(bytes) == bytes.size();
}

inline void emptyFolder(const QString& folder) {
    QDir(folder).removeRecursively();
    QDir().mkpath(folder);
}

/** A log line as the proxy writes it: date, time, message and the CR CR LF line end. */
inline QByteArray logLine(const QByteArray& message, const QByteArray& date = "12/06/26",
                          const QByteArray& time = "08:00:00") {
    return date + ' ' + time + ' ' + message + "\r\r\n";
}

inline QByteArray returnLine(const QByteArray& client, int blocks,
                             const QByteArray& time = "08:00:00") {
    return logLine("Client " + client + " --> sent rc5 " + QByteArray::number(blocks) + " blocks",
                   "12/06/26", time);
}

/** n returns by the ten clients 10.0.0.0 to 10.0.0.9, line i returning i % 7 + 1 blocks. */
inline QByteArray manyReturns(int from, int n) {
    QByteArray log;
    for (int i = from; i < from + n; ++i)
        log += returnLine("10.0.0." + QByteArray::number(i % 10), i % 7 + 1);
    return log;
}

inline qint32 blocksOf(int from, int n) {
    qint32 sum = 0;
    for (int i = from; i < from + n; ++i)
        sum += i % 7 + 1;
    return sum;
}

/** The values as text, joined by separator: one summary to compare. */
inline QString joined(const QVariantList& values, QChar separator = u' ') {
    QStringList texts;
    for (const QVariant& value : values)
        texts << value.toString();
    return texts.join(separator);
}

/** Checks each "case => expected" line of cases: f gets the words of the case. */
inline void table(const QString& cases, const std::function<QString(const QStringList&)>& f) {
    for (const QString& row : cases.split(u'\n', Qt::SkipEmptyParts))
        QCOMPARE(f(row.section(QStringLiteral(" => "), 0, 0).split(u' ')),
                 row.section(QStringLiteral(" => "), 1));
}

/** Runs f and returns the number of the RunTimeError it throws, or 0. */
template <typename F> int errorNumber(F&& f) {
    try {
        f();
    } catch (const RunTimeError& error) {
        return error.number();
    }
    return 0;
}
