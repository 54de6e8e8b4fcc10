#pragma once

#include "dialog_parts.h"
#include "parameter_rules.h"

#include <functional>
#include <vector>

class QCheckBox;
class QFrame;
class QLineEdit;
class QPushButton;

namespace morvi {
class Editor;
class Reporter;
} // namespace morvi

namespace morvi::ui {

// "Sender - Systemparameter": the radio protocol timing of the transmitter.
// Every entry and box click goes straight into the image; the dialog refreshes
// only itself and has no cancel.
class TFsystem : public FormDialog {
    Q_OBJECT
public:
    // factoryPreset runs the type menu handler of the type stored in byte 123,
    // message and main-window refresh included.
    TFsystem(Editor &editor, Reporter &reporter, std::function<void()> factoryPreset, QWidget *parent = nullptr);

    // Sets every control from the image.
    void showsystem();

    void ButtonWerkClick();
    void Button1Click();

protected:
    void showEvent(QShowEvent *event) override;

private:
    struct Entry {
        Field field;
        QLineEdit *edit;
    };
    struct Box {
        FlagBox flag;
        QCheckBox *box;
    };

    void FormShow();
    void commit(const Entry &entry);
    void boxClick(const Box &box);
    QLineEdit *addEdit(QWidget *parent, Field field, QPoint pos, const QString &hint);
    QCheckBox *addBox(QWidget *parent, FlagBox flag, const QString &caption, QPoint pos, const QString &hint);

    Editor &editor_;
    Reporter &reporter_;
    std::function<void()> factoryPreset_;
    std::vector<Entry> entries_;
    std::vector<Box> boxes_;
};

} // namespace morvi::ui
