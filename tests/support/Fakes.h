#pragma once

#include "common/Clock.h"
#include "common/ErrorReport.h"
#include "naming/IHostLookup.h"

#include <QIODevice>
#include <QList>
#include <QStringList>

/** An error report that answers from a script and records what it was asked. */
class ScriptedErrorReport : public IErrorReport {
public:
    ErrorAnswer ask(const RunTimeError& error, const QString& place) override;

    /** Answers given in order; when the script runs out, Abort. */
    QList<ErrorAnswer> answers;
    QStringList places;
    QStringList texts; ///< the full report texts shown
    QList<int> numbers;
    /** Runs while the "box" is open, e.g. a timer tick that fires under it. */
    std::function<void()> whileOpen;
};

/** A clock that shows what the test sets. */
class FakeClock : public Clock {
public:
    explicit FakeClock(QDateTime now = QDateTime(QDate(2026, 12, 6), QTime(12, 0, 0)))
        : current(std::move(now)) {}
    QDateTime now() const override { return current; }
    QDateTime current;
};

/** A device that accepts failAfter bytes and then fails every write. */
class FailingDevice : public QIODevice {
public:
    explicit FailingDevice(qint64 failAfter) : m_failAfter(failAfter) {}
    QByteArray written;

protected:
    qint64 readData(char*, qint64) override { return -1; }
    qint64 writeData(const char* data, qint64 len) override;

private:
    qint64 m_failAfter;
};

/** A reverse lookup that answers only when the test says so; nothing leaves the machine. */
class FakeHostLookup : public IHostLookup {
public:
    struct Request {
        quint32 ipv4 = 0;
        QString address; ///< ipv4 in dotted form
        Answer answer;
        bool answered = false;
    };

    bool startLookup(quint32 ipv4, Answer answer) override;

    /** Answers request index (in the order started) with hostName; empty means no name found. */
    void answer(qsizetype index, const QString& hostName);

    QList<Request> requests;
    /** When set, startLookup refuses (counted in refused) and records nothing. */
    bool failToStart = false;
    int refused = 0;
};

/**
 * A full disk for as long as it lives: files of this process cannot grow past maxBytes (the
 * write stops short, then fails with EFBIG; SIGXFSZ is ignored meanwhile). Works for root,
 * whom permission bits do not stop. Keep its scope to the one save under test: test output
 * written to a file meanwhile would be cut too.
 */
class ScopedFileSizeLimit {
public:
    explicit ScopedFileSizeLimit(quint64 maxBytes);
    ~ScopedFileSizeLimit();
    ScopedFileSizeLimit(const ScopedFileSizeLimit&) = delete;
    ScopedFileSizeLimit& operator=(const ScopedFileSizeLimit&) = delete;
    /** Whether the limit could be set. */
    bool isActive() const { return m_active; }

private:
    quint64 m_oldSoft = 0;
    void (*m_oldHandler)(int) = nullptr;
    bool m_changed = false; ///< the handler (and perhaps the limit) was changed
    bool m_active = false;
};

/** The whole file, or nothing when it cannot be read. */
QByteArray readFile(const QString& path);
/** Writes bytes as the whole file; false when that fails. */
bool writeFile(const QString& path, const QByteArray& bytes);

/** Runs f and returns the number of the RunTimeError it throws, or 0. */
template <typename F> int errorNumber(F&& f) {
    try {
        f();
    } catch (const RunTimeError& error) {
        return error.number();
    }
    return 0;
}
