#include "Placement.h"

#include "SortedList.h"
#include "Twips.h"

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

void SetHeightIfValid(QWidget* control, int height) {
    if (height >= 0)
        control->resize(control->width(), height);
}

void SetWidthIfValid(QWidget* control, int width) {
    if (width >= 0)
        control->resize(width, control->height());
}

} // namespace Placement
