#pragma once

#include <QList>
#include <QPoint>
#include <QRect>
#include <QSize>

class QWidget;

namespace morvi::ui {

// Where a window whose outer frame has size at pos goes so that it lies wholly inside
// the available area of the screen it opens on: the screen that holds the
// frame's centre, else the first (primary) one. The window moves in by no more
// than it must; along a side where it is larger than the area it goes to the
// area's top-left corner.
QPoint keepOnScreen(QPoint pos, QSize size, const QList<QRect> &screens);

// The available areas of the system's screens, the primary screen first.
QList<QRect> availableScreenAreas();

// The outer size a top-level window has or will have: a window not yet shown
// is given the frame margins of reference, which is.
QSize outerSize(const QWidget &window, const QWidget &reference);

} // namespace morvi::ui
