#pragma once

#include <QDialog>
#include <QFont>
#include <QPoint>
#include <QSize>

class QColor;
class QKeyEvent;
class QLabel;
class QPushButton;
class QString;
class QWidget;

namespace morvi::ui {

// Base of the program's modal dialogs. Enter belongs to the focused control:
// Enter in an entry field commits that field and must not press a button
// behind the user's back; a focused button still takes Enter itself. Escape
// closes the dialog as its closing button does.
class FormDialog : public QDialog {
    Q_OBJECT
public:
    // Fixed-size dialogs: a title and a close button, nothing to maximise.
    explicit FormDialog(QWidget *parent = nullptr)
        : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint |
                              Qt::MSWindowsFixedSizeDialogHint)
    {
    }

protected:
    void keyPressEvent(QKeyEvent *event) override;
    // The button whose click Escape repeats.
    void setEscapeButton(QPushButton *button) { escapeButton_ = button; }
    // Escape clicks the escape button as the mouse does: the button takes the
    // focus first, so that an entry still being typed is committed.
    virtual void escapePressed();

private:
    QPushButton *escapeButton_ = nullptr;
};

// The client area of a fixed dialog whose design gives its outer size: the
// design's frame is 4 pixels on each side and its title bar 23 pixels high.
constexpr QSize clientSize(int outerWidth, int outerHeight) { return {outerWidth - 8, outerHeight - 31}; }

// The window designs name the classic Windows fonts; this maps them to their
// metric twins where those are missing, so texts fit as designed.
void installDesignFonts();

// Names a new control and hands it on, so that it is built in one expression.
template <typename W> W *named(W *w, const QString &name)
{
    w->setObjectName(name);
    return w;
}

// A font of the given family at a size in pixels, as the window designs give it.
QFont pixelFont(const QString &family, int pixels, bool bold = false);

void setBackground(QWidget *w, const QColor &colour);
void setTextColour(QWidget *w, const QColor &colour);
// Font (family, pixel size, weight) and text colour in one step.
void styleText(QWidget *w, const QString &family, int pixels, bool bold, const QColor &colour);

// A caption label sized to its text, with its top-left corner at pos.
QLabel *addLabel(QWidget *parent, const char *name, const QString &text, QPoint pos, const QFont &font,
                 const QColor &colour);

} // namespace morvi::ui
