#pragma once

#include "dialog_parts.h"
#include "editor.h"

#include <array>
#include <functional>

class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;

namespace morvi::ui {

// The key configuration dialog: class and address of one key. It keeps no
// state of its own; its first paint after opening loads it from the editor.
class TFTkonfig : public FormDialog {
    Q_OBJECT
public:
    // onClose runs when the dialog closes; the main window refreshes there.
    TFTkonfig(Editor &editor, Reporter &reporter, std::function<void()> onClose, QWidget *parent);

    void setSelectedKey(int keyIndex) { selectedKey_ = keyIndex; }
    void FormShow();

protected:
    void showEvent(QShowEvent *event) override;
    void paintEvent(QPaintEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    void done(int result) override;
    // Escape closes without applying: the key gets back the class and address it had at opening.
    void escapePressed() override;

private:
    void classClick(KeyClass c);
    void adresseExit();
    void FormClose();

    Editor &editor_;
    Reporter &reporter_;
    std::function<void()> onClose_;
    int selectedKey_ = 0;
    bool loadPending_ = false;
    // The key as it was when the dialog opened.
    KeyMembership openedFlags_{};
    std::array<std::uint8_t, addressBytes> openedAddress_{};
    QLineEdit *adresse_ = nullptr;
    QLabel *indexnr_ = nullptr;
    QPushButton *button1_ = nullptr;
    // RB1, RBZ, RB2, RB3, RB4 with their classes.
    std::array<std::pair<QRadioButton *, KeyClass>, 5> radios_{};
};

} // namespace morvi::ui
