#pragma once

#include <QByteArray>
#include <QString>

/**
 * Replaces the file at path by bytes, or leaves it as it was: the new file is written beside
 * it and takes its place only when complete. Written unbuffered and checked byte for byte,
 * because a buffered QSaveFile that runs out of room can stop short without an error and
 * commit a cut file over the good one. directWriteFallback allows writing the file in place
 * where its folder cannot take a new file.
 */
enum class SaveOutcome {
    Saved,
    CannotCreate, ///< the new file could not be made (no such folder, a folder in the way, ...)
    WriteFailed,  ///< writing or putting it in place failed: the old file is as it was
};
SaveOutcome saveFileSafely(const QString& path, const QByteArray& bytes,
                           bool directWriteFallback = false, QString* errorText = nullptr);
