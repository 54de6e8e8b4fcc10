#include "caption_panel.h"

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

void CaptionPanel::setColour(const QColor &colour)
{
    QPalette p = palette();
    p.setColor(QPalette::Window, colour);
    setPalette(p);
}

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

void styleText(QWidget *w, const QString &family, int pixelSize, bool bold, const QColor &colour)
{
    QFont f(family);
    f.setPixelSize(pixelSize);
    f.setBold(bold);
    w->setFont(f);
    QPalette p = w->palette();
    p.setColor(QPalette::WindowText, colour);
    p.setColor(QPalette::Text, colour);
    p.setColor(QPalette::ButtonText, colour);
    w->setPalette(p);
}

} // namespace morvi::ui
