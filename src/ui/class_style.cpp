#include "class_style.h"

#include "config_summary.h"

#include <QApplication>
#include <QPalette>

namespace morvi::ui {

namespace {
QString legend(KeyClass c) { return QString::fromUtf8(classLegend(c)); }
} // namespace

ClassStyle classStyle(KeyClass c)
{
    switch (c) {
    case KeyClass::FixedFunction:
        return {QColor(0x80, 0xFF, 0x80), QStringLiteral(" FestAdr."), QString(), legend(c),
                QStringLiteral("Funktionstaste (Festadresse)")};
    case KeyClass::Digit:
        return {QColor(0xFE, 0xC8, 0x76), QStringLiteral("Zifferntaste"), QString(), legend(c),
                QStringLiteral("Zifferntaste")};
    case KeyClass::GroupFunction:
        return {QColor(0x80, 0xFF, 0xFF), QStringLiteral(" Funktion"), QString(), legend(c),
                QStringLiteral("Funktionstaste (gruppenabhängig)")};
    case KeyClass::GroupSelect:
        return {QColor(0xFF, 0xFF, 0x80), QStringLiteral(" Gruppe"), QString(), legend(c),
                QStringLiteral("Gruppen-Wahltaste")};
    case KeyClass::Disabled: break;
    }
    // The platform's own button face.
    return {QApplication::palette().color(QPalette::Button), QString(), QStringLiteral("- off -"), legend(c),
            QStringLiteral("Taste ist deaktiviert")};
}

} // namespace morvi::ui
