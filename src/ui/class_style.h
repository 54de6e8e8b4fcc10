#pragma once

#include "key_class.h"

#include <QColor>
#include <QString>

namespace morvi::ui {

// How the window presents a key class: panel colour, key label text, panel
// caption, the legend strip and the radio button of the key dialog.
struct ClassStyle {
    QColor colour;
    QString labelText;
    QString caption;
    QString legend;
    QString radioText;
};

ClassStyle classStyle(KeyClass c);

inline const QString clearCaption = QStringLiteral("! clear !");

} // namespace morvi::ui
