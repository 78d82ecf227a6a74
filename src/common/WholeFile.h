#pragma once

#include <QByteArray>
#include <QString>

/**
 * A file read whole into memory, as the stats file and the names file are. Only a regular file
 * is read, and only up to a size limit: a FIFO would block the reader for ever and a link to
 * /dev/zero would fill the memory, so anything else is refused before a byte of it is read.
 */
struct WholeFile {
    enum class Outcome {
        Read,
        Missing, ///< nothing at the path
        Refused, ///< not a regular file, larger than the limit, or a failed open or read
    };
    Outcome outcome = Outcome::Missing;
    QByteArray bytes;
    QString error; ///< why it was refused, for messages: "it is not a regular file", ...
};

/** Reads the regular file at path if it holds at most maxBytes bytes. */
WholeFile readWholeFile(const QString& path, qint64 maxBytes);

/**
 * text shortened for a message box: a path or a text read from a file may be megabytes long,
 * and laying that out freezes the program. Longer texts keep their beginning and their end
 * (where a path has its file name), joined by "...".
 */
QString shortenedForMessage(const QString& text);
