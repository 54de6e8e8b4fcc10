#pragma once

#include "dialog_parts.h"

class QFrame;
class QLabel;
class QPlainTextEdit;

namespace morvi {
class Reporter;
}

namespace morvi::ui {

// "Hilfe zur Sender-Konfiguration": the manual, the maker's contact block and
// a panel that opens the maker's web page on a double-click.
class Thelpform : public FormDialog {
    Q_OBJECT
public:
    // The reporter sounds the beep before the web page is opened.
    explicit Thelpform(Reporter &reporter, QWidget *parent = nullptr);

    // Puts the maker's contact data into the seven contact labels; part of the
    // delayed start-up, before the window is first shown.
    void fillContacts();

    void closebuttonClick();
    void homepageDblClick();

private:
    Reporter &reporter_;
    QLabel *firma_;
    QLabel *strasse_;
    QLabel *ort_;
    QLabel *tel_;
    QLabel *fax_;
    QLabel *email_;
    QLabel *url_;
};

} // namespace morvi::ui
