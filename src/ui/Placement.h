#pragma once

#include "persistence/Settings.h"

#include <QtGlobal>

class QWidget;
class SortedList;

/** Saved window placement and the margin layout, as the main and the detail window share them. */
namespace Placement {

/** 0 normal, 1 minimised, 2 maximised. */
qint16 StateNumber(const QWidget& window);
Qt::WindowStates StateFlags(qint16 number);

/**
 * The window's current placement in twips: its state, its normal-state rectangle inside the
 * frame (the frame of a hidden window is not known yet), the list's column widths and sort.
 */
WindowPlacement Current(const QWidget& window, const SortedList& list);

/** Sets a size only where it is not negative: a window smaller than a margin skips the step. */
void SetHeightIfValid(QWidget* control, int height);
void SetWidthIfValid(QWidget* control, int width);

} // namespace Placement
