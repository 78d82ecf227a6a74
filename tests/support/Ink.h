#pragma once

#include <QImage>
#include <QWidget>

#include <utility>

/** The first and last row of the area with anything but the colour of its top right pixel. */
inline std::pair<int, int> inkRows(const QImage& image, const QRect& area) {
    std::pair<int, int> rows(-1, -1);
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            if (image.pixel(x, y) != image.pixel(area.topRight())) {
                rows = {rows.first < 0 ? y : rows.first, y};
                break;
            }
    return rows;
}

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
