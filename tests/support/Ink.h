#pragma once

#include <QImage>
#include <QWidget>

/**
 * How many bands of text the widget shows: runs of rows with anything drawn on its background,
 * apart from each other by at least one empty row. Lines of text that touch make one band (and
 * an underscore, below the other glyphs of its line, a band of its own).
 */
inline int inkBands(QWidget* widget) {
    const QImage image = widget->grab().toImage();
    const QRgb background = widget->palette().color(widget->backgroundRole()).rgb();
    int bands = 0;
    bool inBand = false;
    for (int y = 0; y < image.height(); ++y) {
        bool ink = false;
        for (int x = 0; x < image.width() && !ink; ++x)
            ink = image.pixel(x, y) != background;
        bands += ink && !inBand;
        inBand = ink;
    }
    return bands;
}
