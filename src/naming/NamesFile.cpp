#include "NamesFile.h"

#include "NameTable.h"

#include "common/SafeSave.h"
#include "common/WholeFile.h"

#include <QFile>
#include <QStringDecoder>

QString decodeNamesText(const QByteArray& bytes, bool keepByteOrderMark) {
    QStringDecoder::Flags flags = QStringDecoder::Flag::Stateless;
    if (keepByteOrderMark)
        flags |= QStringDecoder::Flag::ConvertInitialBom;
    QStringDecoder utf8(QStringDecoder::Utf8, flags);
    QString text = utf8.decode(bytes);
    if (!utf8.hasError())
        return text;
    // Not UTF-8: an older file in a single-byte code page; Latin-1 keeps every byte.
    return QString::fromLatin1(bytes);
}

bool parseNames(const QString& text, NameTable& table) {
    // A line ends at LF; a CR just before the LF belongs to the line end.
    for (QStringView line : QStringView(text).tokenize(u'\n')) {
        if (line.endsWith(u'\r'))
            line.chop(1);
        // Trimming blanks, shortening runs of blanks and splitting at single blanks gives
        // exactly the non-empty pieces between blanks.
        QStringView words[2];
        int count = 0;
        for (const QStringView word : line.tokenize(u' ', Qt::SkipEmptyParts)) {
            words[count++] = word;
            if (count == 2)
                break;
        }
        if (count < 2)
            continue;
        if (!table.add(words[0].toString(), words[1].toString()))
            return false; // this address and every later line stay unmapped
    }
    return true;
}

namespace {
/** Creates an empty file at path unless one is there. */
bool ensureFileExists(const QString& path) {
    if (QFile::exists(path))
        return true;
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::NewOnly);
}

/** The whole file, or false when it cannot be read (or is not a regular file of sane size). */
bool readAllBytes(const QString& path, QByteArray* bytes) {
    WholeFile file = readWholeFile(path, MaxNamesFileSize);
    *bytes = std::move(file.bytes);
    return file.outcome == WholeFile::Outcome::Read;
}
} // namespace

bool readNameTable(const QString& path, NameTable& table) {
    QByteArray bytes;
    if (!ensureFileExists(path) || !readAllBytes(path, &bytes))
        return false;
    return parseNames(decodeNamesText(bytes, false), table);
}

bool readNamesText(const QString& path, QString* text) {
    text->clear();
    if (!QFile::exists(path))
        return true;
    QByteArray bytes;
    if (!readAllBytes(path, &bytes))
        return false;
    *text = decodeNamesText(bytes, true);
    return true;
}

bool saveNamesText(const QString& path, const QString& text) {
    return saveFileSafely(path, text.toUtf8()) == SaveOutcome::Saved;
}
