#include "LogSession.h"

#include <QFile>

LogSession::LogSession() = default;
LogSession::~LogSession() = default;

void LogSession::chooseLogFile(const QString& path) {
    FileName = path;
    BufferPos = 1;
    BufferLength = 0;
    ReadBuffer.clear();
    TextStreamPosition = 1;
    CurrentLine = 0;
    LastModified = QDateTime();
    seenSize = -1;
    bufferIsLongLinePiece = false;
    continuesLongLine = false;
    closeLog();
    ++generation;
}

void LogSession::closeLog() {
    LogFileHandle.reset();
}
