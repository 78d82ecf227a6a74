#include "LogSession.h"

#include <QFile>

LogSession::LogSession() = default;
LogSession::~LogSession() = default;

void LogSession::ChooseLogFile(const QString& path) {
    FileName = path;
    BufferPos = 1;
    BufferLength = 0;
    ReadBuffer.clear();
    TextStreamPosition = 1;
    CurrentLine = 0;
    LastModified = QDateTime();
    SeenSize = -1;
    BufferIsLongLinePiece = false;
    ContinuesLongLine = false;
    CloseLog();
    ++Generation;
}

void LogSession::CloseLog() {
    LogFileHandle.reset();
}
