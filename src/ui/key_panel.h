#pragma once

#include "caption_panel.h"

#include <functional>

namespace morvi::ui {

// One key of the 4x4 matrix. A double-click on the panel or on its key label
// and a right press on the panel's own surface are passed on; presses on the
// number tag or the address field are not.
class KeyPanel : public CaptionPanel {
    Q_OBJECT
public:
    KeyPanel(QWidget *parent, int keyIndex);

    int keyIndex() const { return keyIndex_; }
    void setKeyLabel(QWidget *label) { keyLabel_ = label; }
    std::function<void(int)> onDoubleClick;
    std::function<void(int)> onRightPress;

protected:
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;

private:
    int keyIndex_;
    QWidget *keyLabel_ = nullptr;
};

} // namespace morvi::ui
