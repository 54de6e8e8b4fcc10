#include "screen_fit.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

#include <algorithm>
#include <cstdint>

namespace morvi::ui {

namespace {
// One axis: start and length of the window and of the area, in 64 bits since a
// position from the settings file may lie anywhere in the 32-bit range.
std::int64_t fit(std::int64_t start, std::int64_t length, std::int64_t areaStart, std::int64_t areaLength)
{
    if (length >= areaLength) return areaStart;
    return std::clamp(start, areaStart, areaStart + areaLength - length);
}

bool holds(const QRect &area, std::int64_t x, std::int64_t y)
{
    return x >= area.x() && y >= area.y() && x < std::int64_t{area.x()} + area.width() &&
           y < std::int64_t{area.y()} + area.height();
}
} // namespace

QPoint keepOnScreen(QPoint pos, QSize size, const QList<QRect> &screens)
{
    if (screens.isEmpty()) return pos;
    const std::int64_t centreX = std::int64_t{pos.x()} + size.width() / 2;
    const std::int64_t centreY = std::int64_t{pos.y()} + size.height() / 2;
    const auto it =
        std::find_if(screens.begin(), screens.end(), [&](const QRect &area) { return holds(area, centreX, centreY); });
    const QRect area = it != screens.end() ? *it : screens.first();
    return {static_cast<int>(fit(pos.x(), size.width(), area.x(), area.width())),
            static_cast<int>(fit(pos.y(), size.height(), area.y(), area.height()))};
}

QList<QRect> availableScreenAreas()
{
    QList<QRect> areas;
    if (const QScreen *primary = QGuiApplication::primaryScreen()) areas << primary->availableGeometry();
    for (const QScreen *screen : QGuiApplication::screens())
        if (screen != QGuiApplication::primaryScreen()) areas << screen->availableGeometry();
    return areas;
}

QSize outerSize(const QWidget &window, const QWidget &reference)
{
    if (window.isVisible()) return window.frameGeometry().size();
    return window.size() + reference.frameGeometry().size() - reference.geometry().size();
}

} // namespace morvi::ui
