#include "key_panel.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>

namespace morvi::ui {

KeyPanel::KeyPanel(QWidget *parent, int keyIndex) : CaptionPanel(parent, 3), keyIndex_(keyIndex)
{
    // Taking the focus on a click commits an address still being typed before
    // the key changes. The first key is the matrix's Tab stop until another is focused.
    setFocusPolicy(keyIndex == 0 ? Qt::StrongFocus : Qt::ClickFocus);
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

KeyPanel *KeyPanel::neighbour(int rowStep, int columnStep) const
{
    const int row = keyIndex_ / columns + rowStep;
    const int column = keyIndex_ % columns + columnStep;
    if (row < 0 || column < 0 || column >= columns) return nullptr;
    for (KeyPanel *key : parentWidget()->findChildren<KeyPanel *>(Qt::FindDirectChildrenOnly))
        if (key->keyIndex() == row * columns + column) return key;
    return nullptr;
}

void KeyPanel::keyPressEvent(QKeyEvent *event)
{
    // Keys the address field passes on (its Enter among them) are not the panel's.
    if (!hasFocus()) {
        CaptionPanel::keyPressEvent(event);
        return;
    }
    const auto mods = event->modifiers() & ~Qt::KeypadModifier;
    KeyPanel *next = nullptr;
    switch (event->key()) {
    case Qt::Key_Left: next = neighbour(0, -1); break;
    case Qt::Key_Right: next = neighbour(0, 1); break;
    case Qt::Key_Up: next = neighbour(-1, 0); break;
    case Qt::Key_Down: next = neighbour(1, 0); break;
    case Qt::Key_Space:
    case Qt::Key_Return:
    case Qt::Key_Enter:
        if (mods == Qt::NoModifier && onDoubleClick) {
            if (!event->isAutoRepeat()) onDoubleClick(keyIndex_);
            return;
        }
        break;
    case Qt::Key_Menu:
    case Qt::Key_F10:
        if ((event->key() == Qt::Key_Menu || mods == Qt::ShiftModifier) && onRightPress) {
            onRightPress(keyIndex_);
            return;
        }
        break;
    default: break;
    }
    if (next != nullptr) {
        next->setFocus(Qt::OtherFocusReason);
        return;
    }
    CaptionPanel::keyPressEvent(event);
}

void KeyPanel::contextMenuEvent(QContextMenuEvent *event)
{
    // The Menu key and the right button are handled above; there is no menu.
    event->accept();
}

void KeyPanel::focusInEvent(QFocusEvent *event)
{
    for (KeyPanel *key : parentWidget()->findChildren<KeyPanel *>(Qt::FindDirectChildrenOnly))
        key->setFocusPolicy(key == this ? Qt::StrongFocus : Qt::ClickFocus);
    update();
    CaptionPanel::focusInEvent(event);
}

void KeyPanel::focusOutEvent(QFocusEvent *event)
{
    update();
    CaptionPanel::focusOutEvent(event);
}

void KeyPanel::paintEvent(QPaintEvent *event)
{
    CaptionPanel::paintEvent(event);
    if (!hasFocus()) return;
    // A dark frame in place of the bevel: the class colour stays wholly visible.
    QPainter painter(this);
    painter.setPen(QPen(QColor(0x00, 0x00, 0x80), 3));
    painter.drawRect(QRectF(rect()).adjusted(1.5, 1.5, -1.5, -1.5));
}

} // namespace morvi::ui
