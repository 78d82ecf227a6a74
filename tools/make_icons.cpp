// Draws the program's icon as PNGs of 16, 32 and 48 pixels: a log page with a folded corner,
// two lines of text and a bar chart. Everything is drawn in whole pixels so that the small
// sizes stay sharp. Usage: make_icons <folder>; the PNGs are checked in under src/ui/resources.

#include <QColor>
#include <QDir>
#include <QImage>
#include <QPainter>
#include <QString>

#include <cstdio>

using namespace Qt::StringLiterals;

namespace {

const QColor Outline(0x33, 0x44, 0x55);
const QColor Paper(0xff, 0xff, 0xff);
const QColor Fold(0xc8, 0xd4, 0xe0);
const QColor Text(0x8c, 0x9c, 0xae);
const QColor Axis(0x33, 0x44, 0x55);
const QColor Bars[] = {QColor(0x1f, 0x6f, 0xd6), QColor(0x22, 0x9a, 0x44),
                       QColor(0xe6, 0x85, 0x1e)};

QImage drawIcon(int size) {
    const int u = size / 16; // the design is on a 16-pixel grid
    QImage image(size, size, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing, false);
    const auto px = [&p](int x, int y, const QColor& c) { p.fillRect(x, y, 1, 1, c); };
    const auto grid = [u](int x, int y, int w, int h) { return QRect(x * u, y * u, w * u, h * u); };

    // The page, with its top right corner folded down along a diagonal.
    const int left = 2 * u, top = u, right = 14 * u - 1, bottom = 15 * u - 1, fold = 4 * u;
    for (int y = top; y <= bottom; ++y) {
        const int edge = y < top + fold ? right - fold + (y - top) : right;
        p.fillRect(left, y, edge - left + 1, 1, Paper);
        if (y < top + fold)
            p.fillRect(right - fold, y, y - top, 1, Fold);
        px(left, y, Outline);
        px(edge, y, Outline);
    }
    p.fillRect(left, top, right - fold - left + 1, 1, Outline);
    p.fillRect(left, bottom, right - left + 1, 1, Outline);
    p.fillRect(right - fold, top, 1, fold + 1, Outline);
    p.fillRect(right - fold, top + fold, fold + 1, 1, Outline);

    // Two lines of log text.
    const int line = qMax(1, u - u / 2);
    p.fillRect(4 * u, 3 * u, 5 * u, line, Text);
    p.fillRect(4 * u, 5 * u, 4 * u, line, Text);

    // The bar chart on its axis.
    const QRect bars[] = {grid(4, 9, 2, 3), grid(7, 7, 2, 5), grid(10, 8, 2, 4)};
    for (int i = 0; i < 3; ++i) {
        p.fillRect(bars[i], Bars[i]);
        if (u > 1) { // a darker rim keeps the bars apart at the larger sizes
            p.setPen(Bars[i].darker(140));
            p.drawRect(bars[i].adjusted(0, 0, -1, -1));
        }
    }
    p.fillRect(3 * u, 12 * u, 10 * u, qMax(1, u / 2 + u % 2), Axis);
    return image;
}

} // namespace

int main(int argc, char* argv[]) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_icons <folder>\n");
        return 2;
    }
    const QDir folder(QString::fromLocal8Bit(argv[1]));
    for (const int size : {16, 32, 48}) {
        const QString file = folder.filePath(u"quillmere-%1.png"_s.arg(size));
        if (!drawIcon(size).save(file, "PNG")) {
            std::fprintf(stderr, "cannot write %s\n", qPrintable(file));
            return 1;
        }
    }
    return 0;
}
