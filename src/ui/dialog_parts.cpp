#include "dialog_parts.h"

#include <QKeyEvent>
#include <QLabel>
#include <QPalette>
#include <QPushButton>

namespace morvi::ui {

namespace {
// The classic grey of disabled text.
const QColor disabledText(0x80, 0x80, 0x80);
} // namespace

void FormDialog::keyPressEvent(QKeyEvent *event)
{
    switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter: event->ignore(); return;
    case Qt::Key_Escape:
        if (event->modifiers() == Qt::NoModifier) {
            escapePressed();
            return;
        }
        event->ignore();
        return;
    default: QDialog::keyPressEvent(event);
    }
}

void FormDialog::escapePressed()
{
    if (escapeButton_ == nullptr) return;
    escapeButton_->setFocus(Qt::OtherFocusReason);
    escapeButton_->click();
}

void installDesignFonts()
{
    QFont::insertSubstitution(QStringLiteral("MS Sans Serif"), QStringLiteral("Liberation Sans"));
    QFont::insertSubstitution(QStringLiteral("Arial"), QStringLiteral("Liberation Sans"));
    QFont::insertSubstitution(QStringLiteral("Courier New"), QStringLiteral("Liberation Mono"));
}

QFont pixelFont(const QString &family, int pixels, bool bold)
{
    QFont font(family);
    font.setPixelSize(pixels);
    font.setBold(bold);
    return font;
}

void setBackground(QWidget *w, const QColor &colour)
{
    QPalette palette = w->palette();
    palette.setColor(QPalette::Window, colour);
    w->setPalette(palette);
    w->setAutoFillBackground(true);
}

void setTextColour(QWidget *w, const QColor &colour)
{
    QPalette palette = w->palette();
    for (auto role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText}) {
        palette.setColor(QPalette::Active, role, colour);
        palette.setColor(QPalette::Inactive, role, colour);
        // A disabled control must look disabled, whatever its own colour.
        palette.setColor(QPalette::Disabled, role, disabledText);
    }
    w->setPalette(palette);
}

void styleText(QWidget *w, const QString &family, int pixels, bool bold, const QColor &colour)
{
    w->setFont(pixelFont(family, pixels, bold));
    setTextColour(w, colour);
}

QLabel *addLabel(QWidget *parent, const char *name, const QString &text, QPoint pos, const QFont &font,
                 const QColor &colour)
{
    auto *label = new QLabel(text, parent);
    label->setObjectName(QString::fromLatin1(name));
    label->setFont(font);
    setTextColour(label, colour);
    label->move(pos);
    label->adjustSize();
    return label;
}

} // namespace morvi::ui
