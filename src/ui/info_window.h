#pragma once

#include "reporter.h"

#include <QColor>
#include <QLocale>
#include <QTextEdit>
#include <QTime>

namespace morvi::ui {

// The time of day in the locale's long time format, without a time zone.
QString longTimeOfDay(const QTime &time, const QLocale &locale);

inline QColor toQColor(Rgb rgb) { return QColor::fromRgb(static_cast<QRgb>(rgb)); }

// The info window: a read-only rich-text box that only grows at its end,
// whatever the user has selected, and always shows its newest line.
class InfoWindow : public QTextEdit {
    Q_OBJECT
public:
    explicit InfoWindow(QWidget *parent);

    void showinfo(const std::string &inhalt, Rgb farbe, int option);
    void AddColoredString(const QString &text, const QColor &colour);
    void SetCaretToEnd(bool scroll);
};

} // namespace morvi::ui
