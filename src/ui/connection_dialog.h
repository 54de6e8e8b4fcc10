#pragma once

#include <QDialog>

class QPlainTextEdit;

namespace morvi::ui {

// "Verbindung prüfen": the connection check's report as text, to read and to
// copy into a support request. Escape closes it.
class TFVerbindung : public QDialog {
    Q_OBJECT
public:
    explicit TFVerbindung(const QString &report, QWidget *parent = nullptr);

    void KopierenClick();

private:
    QPlainTextEdit *report_;
};

} // namespace morvi::ui
