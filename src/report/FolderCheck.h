#pragma once

#include <QString>

/** The web report's folder as the user typed it, and whether the report can be written there. */
namespace FolderCheck {

/** folder with a leading "~/" (or a "~" alone) standing for the user's home folder. */
QString expandHome(const QString& folder);

enum class State {
    Usable,
    Empty,       ///< no folder given
    Missing,     ///< nothing at that path: it can be created
    NotAFolder,  ///< a file (or something else) in the way
    NotWritable, ///< a folder where no file can be made
};

/**
 * Whether the report can be written in folder (after expandHome): tried by making a file in
 * it, which says more than permission bits (a read-only disk, a user of any rights), and
 * removing it again.
 */
State check(const QString& folder);

} // namespace FolderCheck
