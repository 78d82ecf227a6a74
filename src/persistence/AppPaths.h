#pragma once

#include <QString>

/**
 * Where this installation keeps its own files: the data folder
 * "$XDG_DATA_HOME/Quillmere Log Analyzer" (by default ~/.local/share/...), and in it files
 * named after the executable's base name, so that two differently named copies of the
 * program keep apart.
 */
namespace AppPaths {

/** The data folder, created when it does not exist yet. */
QString dataFolder();

/**
 * The executable's name without folder and extension; "quillmere-log-analyzer" when there
 * is no application object (or its path is unknown).
 */
QString fileBaseName();

/** The stats file, "<base name>.bin". */
QString statsFilePath();
/** The computer-names file, "<base name>.nam". */
QString namesFilePath();
/** The file that marks a running instance, "<base name>.lock". */
QString lockFilePath();

} // namespace AppPaths
