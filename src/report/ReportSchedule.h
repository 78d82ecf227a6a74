#pragma once

#include <QString>

#include <functional>

struct Preferences;

/**
 * When the refresh cycle writes the web report, and where to. Holds the countdown of refresh
 * passes still to wait (0 at first, so the first pass with web statistics on writes), and
 * runs once at the end of every full refresh pass.
 */
class ReportSchedule {
public:
    /** What one pass did. */
    enum class Outcome {
        Off,      ///< web statistics off: nothing written, the countdown kept as it stood
        Waiting,  ///< the countdown was above 0 and went down by 1
        Written,  ///< the report was written
        Failed,   ///< the writer failed; skipped silently, the schedule goes on
        NoFolder, ///< the report folder is empty; nothing written, the schedule goes on
    };

    /**
     * Writes the report into folder; throws a RunTimeError when it cannot (GenerateHTML).
     */
    using Writer = std::function<void(const QString& folder)>;

    /**
     * One refresh pass: with WebStats off, nothing. Otherwise, while the countdown is above 0,
     * it goes down by 1; when it is 0, write gets reportFolder and the countdown starts again
     * at WebRefreshRate - 1, also when the write failed, so the next attempt comes
     * WebRefreshRate passes later. A rate of 1 or less writes on every pass; 3 writes on passes
     * 1, 4, 7 and so on. Errors of write are swallowed: nothing is shown.
     */
    Outcome pass(const Preferences& preferences, const Writer& write);

    /** Refresh passes still to wait before the next report. */
    int countdown() const { return m_countdown; }

    /**
     * The folder the report goes to: WebFolder with WebLocal on, a leading "~/" standing for
     * the home folder (empty when it is empty: then no report is written); with WebLocal off
     * the folder of the environment variable "TEMP", or, where that is unset or empty, a folder
     * only the user can write: the runtime folder ("XDG_RUNTIME_DIR") when it is the user's
     * own, else the data folder.
     */
    static QString reportFolder(const Preferences& preferences);

private:
    int m_countdown = 0;
};
