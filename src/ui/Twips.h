#pragma once

#include <QRect>
#include <QRectF>

/**
 * Window geometry is designed and saved in twips (1440 to the inch). These convert between
 * twips and the widgets' pixels at the screen's logical DPI (15 twips per pixel at 96 DPI).
 * Without a screen (no application yet) 96 DPI is assumed.
 */
namespace Twips {

constexpr double PerInch = 1440.0;

/** Twips per pixel across and down. */
double perPixelX();
double perPixelY();

/** Twips to pixels, rounded to the nearest pixel, within +-2^24 pixels. */
int toPixelsX(double twips);
int toPixelsY(double twips);

/** Pixels to twips. */
double fromPixelsX(int pixels);
double fromPixelsY(int pixels);

/**
 * A rectangle given in twips (left, top, width, height) in pixels. Each edge is rounded on its
 * own, so controls that adjoin or share an edge in twips still do so in pixels.
 */
QRect toPixels(const QRectF& twips);

} // namespace Twips
