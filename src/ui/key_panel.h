#pragma once

#include "caption_panel.h"

#include <functional>

namespace morvi::ui {

// One key of the 4x4 matrix. A double-click on the panel or on its key label
// and a right press on the panel's own surface are passed on; presses on the
// number tag or the address field are not.
//
// From the keyboard the matrix is one Tab stop, the key focused last: the
// arrow keys move between the keys, Space or Enter acts as a double-click and
// the Menu key or Shift+F10 as a right press.
class KeyPanel : public CaptionPanel {
    Q_OBJECT
public:
    KeyPanel(QWidget *parent, int keyIndex);

    int keyIndex() const { return keyIndex_; }
    void setKeyLabel(QWidget *label) { keyLabel_ = label; }
    std::function<void(int)> onDoubleClick;
    std::function<void(int)> onRightPress;

    static constexpr int columns = 4;

protected:
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void contextMenuEvent(QContextMenuEvent *event) override;
    void focusInEvent(QFocusEvent *event) override;
    void focusOutEvent(QFocusEvent *event) override;
    void paintEvent(QPaintEvent *event) override;

private:
    KeyPanel *neighbour(int rowStep, int columnStep) const;

    int keyIndex_;
    QWidget *keyLabel_ = nullptr;
};

} // namespace morvi::ui
