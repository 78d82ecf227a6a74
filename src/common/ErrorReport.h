#pragma once

#include "RunTimeError.h"

#include <QString>

/** What the user answered in the error report. */
enum class ErrorAnswer { Abort, Retry, Ignore };

/**
 * Shows a run-time error to the user and returns the answer. The real one is a message box;
 * tests script the answers.
 */
class IErrorReport {
public:
    virtual ~IErrorReport() = default;
    /** place is the handler's own place, for example "frmMain:Process". */
    virtual ErrorAnswer ask(const RunTimeError& error, const QString& place) = 0;
};

/** The text of the error report: "Error: 0x1A" CR LF CR LF place CR LF description. */
QString errorReportText(const RunTimeError& error, const QString& place);

/**
 * The one gate every reporting handler goes through. It keeps a second report from being
 * stacked on an open one: the one-second timer keeps firing under a modal box, and a handler
 * that fails then is left (as if answered Abort) without showing anything.
 */
class ErrorReporter {
public:
    explicit ErrorReporter(IErrorReport& report) : m_report(report) {}

    /** True while a report is on screen; handlers with periodic work skip it meanwhile. */
    bool isOpen() const { return m_open; }

    /**
     * From now on no one is there to answer (a shut-down that no person started): every report
     * goes to standard error instead and is answered Ignore, so that whatever can still be done
     * is done.
     */
    void setUnattended() { m_unattended = true; }
    bool isUnattended() const { return m_unattended; }

    ErrorAnswer report(const RunTimeError& error, const QString& place);

    /**
     * Runs one step of a reporting handler. Retry runs the step again, Ignore goes on with
     * the next step (returns true), Abort returns false: the handler ends.
     */
    template <typename Step> bool runStep(const QString& place, Step&& step) {
        for (;;) {
            try {
                step();
                return true;
            } catch (const RunTimeError& error) {
                switch (report(error, place)) {
                case ErrorAnswer::Retry:
                    continue;
                case ErrorAnswer::Ignore:
                    return true;
                case ErrorAnswer::Abort:
                    return false;
                }
            }
        }
    }

private:
    IErrorReport& m_report;
    bool m_open = false;
    bool m_unattended = false;
};

/** Writes one line to standard error, "Quillmere Log Analyzer: " and text with its line breaks
 *  flattened: what the program has to say when no one is there to read a message box. */
void tellStandardError(const QString& text);
