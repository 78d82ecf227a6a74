#include "Twips.h"

#include <QGuiApplication>
#include <QScreen>

#include <algorithm>
#include <cmath>

namespace {

constexpr double FallbackDpi = 96.0;

QScreen* screen() {
    return qobject_cast<QGuiApplication*>(QCoreApplication::instance())
               ? QGuiApplication::primaryScreen()
               : nullptr;
}

double dpiX() {
    const QScreen* s = screen();
    return s ? s->logicalDotsPerInchX() : FallbackDpi;
}

double dpiY() {
    const QScreen* s = screen();
    return s ? s->logicalDotsPerInchY() : FallbackDpi;
}

/** Far beyond any screen, far inside int: a stored width of 5e10 twips must not overflow. */
constexpr double MaxPixels = 1 << 24;

int roundToInt(double value) {
    if (!(value > -MaxPixels)) // NaN included
        return int(-MaxPixels);
    return static_cast<int>(std::lround(std::min(value, MaxPixels)));
}

} // namespace

namespace Twips {

double perPixelX() {
    return PerInch / dpiX();
}

double perPixelY() {
    return PerInch / dpiY();
}

int toPixelsX(double twips) {
    return roundToInt(twips / perPixelX());
}

int toPixelsY(double twips) {
    return roundToInt(twips / perPixelY());
}

double fromPixelsX(int pixels) {
    return pixels * perPixelX();
}

double fromPixelsY(int pixels) {
    return pixels * perPixelY();
}

QRect toPixels(const QRectF& twips) {
    const int left = toPixelsX(twips.left());
    const int top = toPixelsY(twips.top());
    const int right = toPixelsX(twips.left() + twips.width());
    const int bottom = toPixelsY(twips.top() + twips.height());
    return QRect(left, top, right - left, bottom - top);
}

} // namespace Twips
