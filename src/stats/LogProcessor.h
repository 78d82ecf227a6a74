#pragma once

#include <QByteArrayView>
#include <QElapsedTimer>
#include <QString>

#include <functional>

struct LogSession;
class Statistics;
class ErrorReporter;

/** What a processing run needs from the window that owns it. */
class IProcessHost {
public:
    virtual ~IProcessHost() = default;
    /** One refresh pass of the window (every 1000 lines and at the end of a run). */
    virtual void refreshPass() = 0;
    /** Let the event loop run: timer ticks and user commands happen here. */
    virtual void yieldEvents() = 0;
    /** Write the stats file; called when closing interrupted a run at a buffer boundary. */
    virtual void saveStatsOnClosing() = 0;
};

/** Bytes read from the log at a time; a chunk is extended to the end of its last line. */
constexpr qint64 ChunkSize = 32768;
/**
 * Longest line read whole past the end of a chunk. A longer line is consumed in pieces and
 * handed out once, as an empty line, when its end has been read: it never counts.
 */
constexpr qint64 MaxLineLength = 65536;

/**
 * Interprets one log line (Latin-1 bytes) into the statistics. Throws a RunTimeError for a
 * line it cannot read (a missing field, a non-number, an overflow).
 */
class LineInterpreter {
public:
    void interpret(QByteArrayView line, Statistics& statistics);

    /** Writes the date and time of the last line that set them into LastDate and LastTime. */
    void flushStamp(LogSession& session);
    /** Forgets that date and time: something later has set LastDate and LastTime itself. */
    void dropStamp() { m_stampPending = false; }

private:
    QString m_number; ///< reused for the rare count that is not plain digits
    char m_stamp[16] = {};
    qsizetype m_dateSize = 0;
    qsizetype m_timeSize = 0;
    bool m_stampPending = false;
};

/**
 * Follows the connection log: GetNextLine hands it out line by line from a buffer refilled
 * in chunks, Process interprets every available line into the statistics.
 */
class LogProcessor {
public:
    /** Milliseconds from some fixed point on, never going back. */
    using MonotonicClock = std::function<qint64()>;
    /**
     * Wall time a run counts on, at least, between two refresh passes: a frame of the screen.
     * A run refreshes its window at most this often, so that a backlog is counted at nearly
     * the engine's speed, and at least this often (give or take 1000 lines), so that the window
     * stays alive.
     */
    static constexpr qint64 FrameMilliseconds = 16;

    LogProcessor(LogSession& session, Statistics& statistics, IProcessHost& host,
                 ErrorReporter& reporter);
    /** Takes the time between refresh passes from clock (tests script it); the steady clock
     *  when none is set. */
    void setClock(MonotonicClock clock) { m_clock = std::move(clock); }

    /**
     * The next complete line (ended by LF; see the .cpp for the CRs that belong to the line
     * end), valid until the next call. False when nothing more is available now; while
     * closing, saves first.
     */
    bool GetNextLine(QByteArrayView& line);

    /** Reads and interprets every available line; true when at least one line was read. */
    bool Process();

private:
    bool refill();
    /** A 1000-line boundary gets a refresh pass and a yield once a frame has passed since the
     *  last one. */
    bool passDue() const;
    qint64 now() const;

    LogSession& m_session;
    Statistics& m_statistics;
    IProcessHost& m_host;
    ErrorReporter& m_reporter;
    LineInterpreter m_interpreter;
    MonotonicClock m_clock; ///< null: m_steady
    QElapsedTimer m_steady;
    qint64 m_lastYield = 0;
    bool m_yielded = false; ///< m_lastYield holds a time
};
