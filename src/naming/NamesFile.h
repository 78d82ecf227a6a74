#pragma once

#include <QByteArray>
#include <QString>

class NameTable;

/*
 * The names file: lines ended by LF or CR LF, each an address, blanks, a computer name and
 * anything after it, which is ignored. Read as UTF-8 when its bytes are valid UTF-8, else as
 * Latin-1; written as UTF-8.
 */

/**
 * The text of names-file bytes: UTF-8 when the bytes are valid UTF-8, else Latin-1.
 * keepByteOrderMark keeps a leading UTF-8 byte-order mark as U+FEFF, so the text can be
 * written back byte for byte; otherwise it is dropped.
 */
QString decodeNamesText(const QByteArray& bytes, bool keepByteOrderMark);

/** The largest names file read: a text that people edit in a box. */
constexpr qint64 MaxNamesFileSize = 4 << 20;

/**
 * Adds the mappings of names-file text to table. Each line (ended by LF or CR LF), with its blanks
 * (code 32 only; tabs belong to words) trimmed and runs of blanks taken as one, maps its first word
 * to its second; lines with fewer than two words are skipped. A line whose address the table
 * already holds (in any letter case) ends the reading: returns false, earlier mappings stay.
 */
bool parseNames(const QString& text, NameTable& table);

/**
 * Adds the mappings of the names file at path to table, creating the file empty when it is
 * missing; the file is opened for reading only. False when the file cannot be created or
 * read (nothing is added; a FIFO, a device or a file over MaxNamesFileSize counts as
 * unreadable) or when parseNames stops at a repeated address.
 */
bool readNameTable(const QString& path, NameTable& table);

/**
 * The whole names file as text, for editing. A missing file gives an empty text and true
 * (the file is not created); false when an existing file cannot be read, so that the editor
 * knows not to overwrite it.
 */
bool readNamesText(const QString& path, QString* text);

/**
 * Writes text as the whole names file, in UTF-8 with nothing added. The new file replaces the
 * old one only when completely written; on failure the previous file stays and false returns.
 */
bool saveNamesText(const QString& path, const QString& text);
