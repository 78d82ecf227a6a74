#pragma once

#include <QFont>
#include <QIcon>

/**
 * The look shared by all of the program's windows: Tahoma at 7.8 points and the program's
 * icon. Debian's fonts-wine ships Tahoma in a folder that fontconfig does not list, so the
 * font is registered from there when present; otherwise the desktop substitutes a font.
 */
QFont windowFont();

/** The program's icon (16, 32 and 48 pixels), for the windows and the tray. */
QIcon programIcon();
