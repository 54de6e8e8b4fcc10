#include "class_style.h"

#include <QApplication>
#include <QPalette>

namespace morvi::ui {

ClassStyle classStyle(KeyClass c)
{
    switch (c) {
    case KeyClass::FixedFunction:
        return {QColor(0x80, 0xFF, 0x80), QStringLiteral(" FestAdr."), QString(),
                QStringLiteral("Funktionstaste mit Festadresse"), QStringLiteral("Funktionstaste (Festadresse)")};
    case KeyClass::Digit:
        return {QColor(0xFE, 0xC8, 0x76), QStringLiteral("Zifferntaste"), QString(), QStringLiteral("Zifferntaste"),
                QStringLiteral("Zifferntaste")};
    case KeyClass::GroupFunction:
        return {QColor(0x80, 0xFF, 0xFF), QStringLiteral(" Funktion"), QString(),
                QStringLiteral("Funktionstaste (gruppenabhängig)"), QStringLiteral("Funktionstaste (gruppenabhängig)")};
    case KeyClass::GroupSelect:
        return {QColor(0xFF, 0xFF, 0x80), QStringLiteral(" Gruppe"), QString(), QStringLiteral("Gruppen-Wahltaste"),
                QStringLiteral("Gruppen-Wahltaste")};
    case KeyClass::Disabled: break;
    }
    // The platform's own button face.
    return {QApplication::palette().color(QPalette::Button), QString(), QStringLiteral("- off -"),
            QStringLiteral("Taste deaktiviert"), QStringLiteral("Taste ist deaktiviert")};
}

} // namespace morvi::ui
