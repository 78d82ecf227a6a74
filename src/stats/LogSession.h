#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QString>

#include <memory>

class QFile;

/**
 * The reading state of the followed connection log. The first six fields travel in the stats
 * file; the rest live in memory only.
 */
struct LogSession {
    LogSession();
    ~LogSession();

    QString FileName;
    /** 1-based byte position of the next read: bytes consumed so far plus 1. 64-bit, so
     *  that a log past 2 GiB goes on being counted. */
    qint64 TextStreamPosition = 1;
    /** Modification time of the log when it was last opened; a null QDateTime is "never". */
    QDateTime LastModified;
    qint32 CurrentLine = 0;
    QString LastDate;
    QString LastTime;

    // In memory only.
    QByteArray ReadBuffer; ///< whole lines, each ending in LF
    qint64 BufferPos = 1;  ///< 1-based index of the next line's first byte
    qint64 BufferLength = 0;
    std::unique_ptr<QFile> LogFileHandle;
    bool IsClosing = false;

    /** True while any run of the processor is active (runs nest through Open during a yield). */
    bool IsProcessing() const { return activeRuns > 0; }
    int activeRuns = 0;
    /** Grows whenever a log is chosen anew; a run that sees it change after a yield ends. */
    quint64 generation = 0;
    /** Size and nanosecond modification time seen at the last open; size -1 = unknown,
     *  so the first read after a start or a load always looks at the file once. */
    qint64 seenSize = -1;
    qint64 seenModifiedNs = 0;
    /** The buffer holds a piece of an overlong line, consumed without a line handed out. */
    bool bufferIsLongLinePiece = false;
    /**
     * The bytes from the position after the last line handed out continue an overlong line:
     * the next line is handed out empty. Saved in the stats file with the position, so that
     * the tail of such a line is not counted after a restart either.
     */
    bool continuesLongLine = false;

    /** Follow path from its first byte (Open and "Switch to next log file"). */
    void chooseLogFile(const QString& path);
    void closeLog();
    bool bufferUsedUp() const { return BufferPos > BufferLength; }
    /** Position just after the last line handed out: where the next start should read on. */
    qint64 positionAfterLastLine() const {
        return bufferUsedUp() ? TextStreamPosition
                              : TextStreamPosition - (BufferLength - BufferPos + 1);
    }
};
