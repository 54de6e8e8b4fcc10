#include "info_window.h"

#include <QScrollBar>
#include <QTextCursor>

namespace morvi::ui {

QString longTimeOfDay(const QTime &time, const QLocale &locale)
{
    // The long format may name a time zone ("t"); the info window shows only the time.
    QString format;
    bool quoted = false;
    for (QChar c : locale.timeFormat(QLocale::LongFormat)) {
        if (c == '\'') quoted = !quoted;
        if (quoted || c != 't') format += c;
    }
    return locale.toString(time, format.trimmed());
}

InfoWindow::InfoWindow(QWidget *parent) : QTextEdit(parent)
{
    setReadOnly(true);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setFocusPolicy(Qt::ClickFocus);
    setUndoRedoEnabled(false);
    AddColoredString(QString(27, ' ') + QStringLiteral("Info-Fenster\n"), palette().color(QPalette::Text));
}

void InfoWindow::showinfo(const std::string &inhalt, Rgb farbe, int option)
{
    const std::string now = longTimeOfDay(QTime::currentTime(), QLocale()).toStdString();
    for (const InfoRun &run : infoRuns(inhalt, farbe, option, now))
        AddColoredString(QString::fromStdString(run.text), toQColor(run.colour));
    SetCaretToEnd(true);
}

void InfoWindow::AddColoredString(const QString &text, const QColor &colour)
{
    QTextCursor end(document());
    end.movePosition(QTextCursor::End);
    QTextCharFormat format;
    format.setForeground(colour);
    end.insertText(text, format);
}

void InfoWindow::SetCaretToEnd(bool scroll)
{
    QTextCursor caret = textCursor();
    caret.movePosition(QTextCursor::End);
    setTextCursor(caret);
    if (scroll) {
        ensureCursorVisible();
        verticalScrollBar()->setValue(verticalScrollBar()->maximum());
    }
}

} // namespace morvi::ui
