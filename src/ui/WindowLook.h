#pragma once

#include <QFont>
#include <QFontMetrics>
#include <QIcon>
#include <QRect>

class QWidget;

/**
 * The look shared by all of the program's windows: Tahoma at 7.8 points and the program's
 * icon. Debian's fonts-wine ships Tahoma in a folder that fontconfig does not list, so the
 * font is registered from there when present; otherwise the desktop substitutes a font.
 */
QFont windowFont();

/**
 * Where the font's glyphs really reach, relative to the start of the baseline: accents above,
 * descenders below. Wine's Tahoma declares its lines 9 pixels apart at 7.8 points, whereas its
 * glyphs span 14, so rows and lines laid out by the declared height clip or touch each other.
 */
QRect glyphBox(const QFontMetrics& metrics);

/** Moves the window, not yet shown, to the centre of its owner's screen (none: the primary). */
void centreOnScreen(QWidget* window, const QWidget* owner);

/** The program's icon (16, 32 and 48 pixels), for the windows and the tray. */
QIcon programIcon();
