#include "Placement.h"

#include "SortedList.h"
#include "Twips.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

namespace Placement {

qint16 stateNumber(const QWidget& window) {
    if (window.isMinimized())
        return 1;
    return window.isMaximized() ? 2 : 0;
}

Qt::WindowStates stateFlags(qint16 number) {
    return number == 1   ? Qt::WindowMinimized
           : number == 2 ? Qt::WindowMaximized
                         : Qt::WindowNoState;
}

WindowPlacement current(const QWidget& window, const SortedList& list) {
    WindowPlacement placement;
    placement.windowState = stateNumber(window);
    const QRect rect = window.isVisible() && placement.windowState != 0 ? window.normalGeometry()
                                                                        : window.geometry();
    placement.left = float(Twips::fromPixelsX(rect.x()));
    placement.top = float(Twips::fromPixelsY(rect.y()));
    placement.width = float(Twips::fromPixelsX(rect.width()));
    placement.height = float(Twips::fromPixelsY(rect.height()));
    for (int column = 0; column < list.columnCount(); ++column)
        placement.columns << float(list.columnWidthTwips(column));
    placement.sortKey = qint16(list.sortKey());
    placement.sortOrder = list.sortOrder();
    return placement;
}

WindowGeometry visibleGeometry(const WindowPlacement& placement, QSize minimum) {
    const QList<QScreen*> screens = QGuiApplication::screens();
    QRect desktop;
    for (const QScreen* screen : screens)
        desktop |= screen->availableGeometry();
    QSize size = QSize(Twips::toPixelsX(placement.width), Twips::toPixelsY(placement.height))
                     .expandedTo(minimum);
    if (!desktop.isEmpty())
        size = size.boundedTo(desktop.size().expandedTo(minimum));

    const QRect rect(QPoint(Twips::toPixelsX(placement.left), Twips::toPixelsY(placement.top)),
                     size);
    const QSize grip(qMin(size.width(), 64), qMin(size.height(), 32));
    for (const QScreen* screen : screens) {
        const QRect seen = rect & screen->availableGeometry();
        if (seen.width() >= grip.width() && seen.height() >= grip.height())
            return {size, rect.topLeft()};
    }
    return {size, std::nullopt};
}

void keepValuesRead(WindowPlacement& now, const WindowPlacement& read) {
    const auto keep = [](float& value, float valueRead, int (*toPixels)(double)) {
        if (toPixels(valueRead) == toPixels(value))
            value = valueRead;
    };
    keep(now.left, read.left, Twips::toPixelsX);
    keep(now.top, read.top, Twips::toPixelsY);
    keep(now.width, read.width, Twips::toPixelsX);
    keep(now.height, read.height, Twips::toPixelsY);
    for (qsizetype c = 0; c < qMin(now.columns.size(), read.columns.size()); ++c)
        keep(now.columns[c], read.columns[c], Twips::toPixelsX);
}

void setHeightIfValid(QWidget* control, int height) {
    if (height >= 0)
        control->resize(control->width(), height);
}

void setWidthIfValid(QWidget* control, int width) {
    if (width >= 0)
        control->resize(width, control->height());
}

} // namespace Placement
