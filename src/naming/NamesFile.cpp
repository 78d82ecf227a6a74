#include "NamesFile.h"

#include "NameTable.h"

#include "common/SafeSave.h"

#include <QFile>
#include <QStringDecoder>

QString DecodeNamesText(const QByteArray& bytes, bool keepByteOrderMark) {
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

bool ParseNames(const QString& text, NameTable& table) {
    // Only CR LF ends a line; a lone LF stays inside a word.
    for (const QStringView line : QStringView(text).tokenize(u"\r\n")) {
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

/** The whole file, or false when it cannot be opened or read. */
bool readAllBytes(const QString& path, QByteArray* bytes) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    *bytes = file.readAll();
    return file.error() == QFileDevice::NoError;
}
} // namespace

bool ReadNameTable(const QString& path, NameTable& table) {
    QByteArray bytes;
    if (!ensureFileExists(path) || !readAllBytes(path, &bytes))
        return false;
    return ParseNames(DecodeNamesText(bytes, false), table);
}

bool ReadNamesText(const QString& path, QString* text) {
    text->clear();
    if (!QFile::exists(path))
        return true;
    QByteArray bytes;
    if (!readAllBytes(path, &bytes))
        return false;
    *text = DecodeNamesText(bytes, true);
    return true;
}

bool SaveNamesText(const QString& path, const QString& text) {
    return SaveFileSafely(path, text.toUtf8()) == SaveOutcome::Saved;
}
