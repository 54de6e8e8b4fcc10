#include "pie_gauge.h"

#include <QPainter>
#include <algorithm>

namespace morvi::ui {

PieGauge::PieGauge(QWidget *parent) : QWidget(parent) {}

void PieGauge::setProgress(int percent)
{
    percent_ = std::clamp(percent, 0, 100);
    update();
}

void PieGauge::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF circle = QRectF(rect()).adjusted(1, 1, -1, -1);
    painter.setPen(Qt::black);
    painter.setBrush(Qt::white);
    painter.drawEllipse(circle);
    painter.setBrush(QColor(0x00, 0x80, 0x00));
    // Qt counts angles in sixteenths of a degree, counter-clockwise from three o'clock.
    painter.drawPie(circle, 90 * 16, -percent_ * 360 * 16 / 100);
}

} // namespace morvi::ui
