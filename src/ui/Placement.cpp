#include "Placement.h"

#include "SortedList.h"
#include "Twips.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

namespace Placement {

qint16 StateNumber(const QWidget& window) {
    if (window.isMinimized())
        return 1;
    return window.isMaximized() ? 2 : 0;
}

Qt::WindowStates StateFlags(qint16 number) {
    return number == 1   ? Qt::WindowMinimized
           : number == 2 ? Qt::WindowMaximized
                         : Qt::WindowNoState;
}

WindowPlacement Current(const QWidget& window, const SortedList& list) {
    WindowPlacement placement;
    placement.WindowState = StateNumber(window);
    const QRect rect = window.isVisible() && placement.WindowState != 0 ? window.normalGeometry()
                                                                        : window.geometry();
    placement.Left = float(Twips::fromPixelsX(rect.x()));
    placement.Top = float(Twips::fromPixelsY(rect.y()));
    placement.Width = float(Twips::fromPixelsX(rect.width()));
    placement.Height = float(Twips::fromPixelsY(rect.height()));
    for (int column = 0; column < list.columnCount(); ++column)
        placement.Columns << float(list.columnWidthTwips(column));
    placement.SortKey = qint16(list.SortKey());
    placement.SortOrder = list.SortOrder();
    return placement;
}

WindowGeometry VisibleGeometry(const WindowPlacement& placement, QSize minimum) {
    const QList<QScreen*> screens = QGuiApplication::screens();
    QRect desktop;
    for (const QScreen* screen : screens)
        desktop |= screen->availableGeometry();
    QSize size = QSize(Twips::toPixelsX(placement.Width), Twips::toPixelsY(placement.Height))
                     .expandedTo(minimum);
    if (!desktop.isEmpty())
        size = size.boundedTo(desktop.size().expandedTo(minimum));

    const QRect rect(QPoint(Twips::toPixelsX(placement.Left), Twips::toPixelsY(placement.Top)),
                     size);
    const QSize grip(qMin(size.width(), 64), qMin(size.height(), 32));
    for (const QScreen* screen : screens) {
        const QRect seen = rect & screen->availableGeometry();
        if (seen.width() >= grip.width() && seen.height() >= grip.height())
            return {size, rect.topLeft()};
    }
    return {size, std::nullopt};
}

void KeepValuesRead(WindowPlacement& now, const WindowPlacement& read) {
    const auto keep = [](float& value, float valueRead, int (*toPixels)(double)) {
        if (toPixels(valueRead) == toPixels(value))
            value = valueRead;
    };
    keep(now.Left, read.Left, Twips::toPixelsX);
    keep(now.Top, read.Top, Twips::toPixelsY);
    keep(now.Width, read.Width, Twips::toPixelsX);
    keep(now.Height, read.Height, Twips::toPixelsY);
    for (qsizetype c = 0; c < qMin(now.Columns.size(), read.Columns.size()); ++c)
        keep(now.Columns[c], read.Columns[c], Twips::toPixelsX);
}

void SetHeightIfValid(QWidget* control, int height) {
    if (height >= 0)
        control->resize(control->width(), height);
}

void SetWidthIfValid(QWidget* control, int width) {
    if (width >= 0)
        control->resize(width, control->height());
}

} // namespace Placement
