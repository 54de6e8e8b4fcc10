#include "caption_panel.h"

#include "dialog_parts.h"

#include <QPainter>

namespace morvi::ui {

CaptionPanel::CaptionPanel(QWidget *parent, int bevel) : QFrame(parent)
{
    setAutoFillBackground(true);
    if (bevel > 0) {
        setFrameStyle(QFrame::Panel | QFrame::Raised);
        setLineWidth(bevel);
    } else {
        setFrameStyle(QFrame::NoFrame);
    }
}

void CaptionPanel::setCaption(const QString &caption)
{
    if (caption_ == caption) return;
    caption_ = caption;
    update();
}

void CaptionPanel::setColour(const QColor &colour) { setBackground(this, colour); }

QColor CaptionPanel::colour() const { return palette().color(QPalette::Window); }

void CaptionPanel::paintEvent(QPaintEvent *event)
{
    QFrame::paintEvent(event);
    if (caption_.isEmpty()) return;
    QPainter painter(this);
    painter.setFont(font());
    painter.setPen(palette().color(QPalette::WindowText));
    painter.drawText(contentsRect(), Qt::AlignCenter, caption_);
}

} // namespace morvi::ui
