#include "key_panel.h"

#include <QMouseEvent>

namespace morvi::ui {

KeyPanel::KeyPanel(QWidget *parent, int keyIndex) : CaptionPanel(parent, 3), keyIndex_(keyIndex)
{
    // Taking the focus on a click commits an address still being typed before the key changes.
    setFocusPolicy(Qt::ClickFocus);
}

void KeyPanel::mouseDoubleClickEvent(QMouseEvent *event)
{
    QWidget *under = childAt(event->position().toPoint());
    if (event->button() == Qt::LeftButton && (under == nullptr || under == keyLabel_) && onDoubleClick) {
        onDoubleClick(keyIndex_);
        return;
    }
    CaptionPanel::mouseDoubleClickEvent(event);
}

void KeyPanel::mousePressEvent(QMouseEvent *event)
{
    if (event->button() == Qt::RightButton && childAt(event->position().toPoint()) == nullptr && onRightPress) {
        onRightPress(keyIndex_);
        return;
    }
    CaptionPanel::mousePressEvent(event);
}

} // namespace morvi::ui
