#pragma once

#include "persistence/Settings.h"

#include <QPoint>
#include <QSize>

#include <optional>

class QWidget;
class SortedList;

/** Saved window placement and the margin layout, as the main and the detail window share them. */
namespace Placement {

/** 0 normal, 1 minimised, 2 maximised. */
qint16 stateNumber(const QWidget& window);
Qt::WindowStates stateFlags(qint16 number);

/**
 * The window's current placement in twips: its state, its normal-state rectangle inside the
 * frame (the frame of a hidden window is not known yet), the list's column widths and sort.
 */
WindowPlacement current(const QWidget& window, const SortedList& list);

/** Where a window goes for a saved normal-state rectangle. */
struct WindowGeometry {
    QSize size;
    std::optional<QPoint> position; ///< none: the window system places the window
};

/**
 * The saved rectangle (twips) made usable: at least minimum in size and no larger than the
 * screens together, and its position only when a part of the window big enough to grab lies
 * on a screen. A window saved at 0 by 0 or a billion twips to the left must still be seen.
 */
WindowGeometry visibleGeometry(const WindowPlacement& placement, QSize minimum);

/**
 * What unload writes of a placement: the values now, except that one which still gives the
 * window's pixels keeps the value start-up read. Twips do not survive the trip through whole
 * pixels (1000 comes back as 1005), and a store whose window was not moved must keep its text.
 * A value that start-up had to change to make the window visible no longer gives its pixels,
 * so the visible one is written.
 */
void keepValuesRead(WindowPlacement& now, const WindowPlacement& read);

/** Sets a size only where it is not negative: a window smaller than a margin skips the step. */
void setHeightIfValid(QWidget* control, int height);
void setWidthIfValid(QWidget* control, int width);

} // namespace Placement
