#pragma once

#include "dialog_parts.h"

class QLineEdit;
class QPushButton;

namespace morvi {
class Reporter;
}

namespace morvi::ui {

// The caption of the menu item Mwaitstates for the current value.
QString waitstatesCaption(int waitstates);

// "RS232-waitstates": edits the main window's waitstates value (0..20). The
// value changes as soon as the field is left or Enter is released in it; the
// main window refreshes itself after the dialog has closed.
class TFwaitstates : public FormDialog {
    Q_OBJECT
public:
    static constexpr int maxWaitstates = 20;

    TFwaitstates(int &waitstates, Reporter &reporter, QWidget *parent = nullptr);

    void OKButtonClick();

protected:
    void showEvent(QShowEvent *event) override;

private:
    void FormShow();
    void fillField();
    void ewaitExit();

    int &waitstates_;
    Reporter &reporter_;
    QLineEdit *ewait_;
    QPushButton *okButton_;
};

} // namespace morvi::ui
