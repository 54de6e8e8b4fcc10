#include "config_summary.h"

#include "number_text.h"
#include "parameter_rules.h"
#include "presets.h"

#include <algorithm>

namespace morvi {

namespace {

std::string trimmed(const std::string &text)
{
    const auto first = text.find_first_not_of(' ');
    if (first == std::string::npos) return {};
    return text.substr(first, text.find_last_not_of(' ') - first + 1);
}

std::string onOff(bool on) { return on ? "ja" : "nein"; }

std::string typeName(int type)
{
    switch (type) {
    case 0: return "normal";
    case 1: return "normal (RS232)";
    case 2: return "Parallelbetrieb";
    case 3: return "normal mit HighPower-Sendemodul";
    default: return "unbekannt (" + std::to_string(type) + ")";
    }
}

} // namespace

const char *classLegend(KeyClass keyClass)
{
    switch (keyClass) {
    case KeyClass::FixedFunction: return "Funktionstaste mit Festadresse";
    case KeyClass::Digit: return "Zifferntaste";
    case KeyClass::GroupFunction: return "Funktionstaste (gruppenabhängig)";
    case KeyClass::GroupSelect: return "Gruppen-Wahltaste";
    case KeyClass::Disabled: break;
    }
    return "Taste deaktiviert";
}

std::vector<SummaryLine> summarize(const Editor &editor)
{
    Editor shown = editor;
    shown.updateMaxAddress();
    const ConfigImage &image = shown.image;
    std::vector<SummaryLine> lines;
    const auto field = [&](Field f, const char *label, const std::string &unit = {}) {
        lines.push_back({fieldName(f), label, trimmed(fieldText(shown, f)) + unit});
    };
    const auto flag = [&](FlagBox b, const char *label) {
        lines.push_back({flagBoxName(b), label, onOff(flagOf(image, b))});
    };

    lines.push_back({"typ", "Typ", typeName(image[offset::transmitterType])});
    lines.push_back(
        {"firmware", "Firmware",
         std::to_string(image[offset::firmwareMajor]) + "." + fillString(2, '0', image[offset::firmwareMinor])});
    for (int key = 1; key <= keyCount; ++key) {
        const KeyClass keyClass = shownClass(shown.keyClassFlags[static_cast<std::size_t>(key - 1)]);
        lines.push_back({"taste" + std::to_string(key), "Taste " + std::to_string(key),
                         std::string(classLegend(keyClass)) + ", Adresse " + trimmed(keyAddressText(shown, key))});
    }
    field(Field::codelength, "Codierlänge", " Bit");
    field(Field::BlitzTime, "LED-Blitzdauer bei Gruppentaste", " ms");
    field(Field::minAnz, "min-TX-Anzahl", " x");
    lines.push_back({"maxAnz", "max-TX-Anz",
                     image[offset::maxSendCount] == 0 ? "(Dauersendung erlaubt)"
                                                      : trimmed(fieldText(shown, Field::maxAnz)) + " x"});
    field(Field::TastMess, "min-Drückdauer", " ms");
    flag(FlagBox::press, "gleichzeitiges Drücken (gelbe und blaue Taste)");
    flag(FlagBox::CBclear, "clear bei Gruppentaste \"0\"");
    field(Field::minTasten, "min-Tasten");
    field(Field::maxTasten, flagOf(image, FlagBox::CBvorwahl) ? "Vorwahlstellen max" : "max-Tasten");
    lines.push_back({"TastenTimeout", "Tasten-Timeout", trimmed(timeoutText(image)) + " sec"});
    flag(FlagBox::CBvorwahl, "Ziffernvorwahl speichern");
    flag(FlagBox::CBziffernmode, "letzte Taste muss 'blaue' Funktionstaste sein");
    field(Field::Grundadresse, "Grundadresse (bei Parallelbetrieb)");
    flag(FlagBox::CBzyk, "zykl. Sendung");
    field(Field::Intervall, "Intervallpause", " x 0.1s");
    flag(FlagBox::CBchecksumme, "mit Checksumme");
    field(Field::checkanz, "Bitanzahl");
    flag(FlagBox::CBself, "Selbst-Haltezeit");
    field(Field::timerself, "für die Zeitdauer", " sec");
    field(Field::SelfTaste, "simulierte Taste Nr.");
    flag(FlagBox::CBbatt, "mit BatterieTest");
    field(Field::Battschwelle, "Schwellenwert");
    flag(FlagBox::CBnoref, "kein ReferenzBit");
    flag(FlagBox::CBpraeambel, "mit Präambel");
    field(Field::BitLength, "Bit-Length");
    field(Field::PrAnzahl, "Anzahl");
    field(Field::StringPause, "String-Pause");
    field(Field::PrLength, "Pulslänge (Präambel)");
    flag(FlagBox::CBpostambel, "mit Postambel");
    field(Field::PostP, "Abstand");
    field(Field::PostL, "Pulslänge (Postambel)");
    return lines;
}

std::vector<SummaryChange> compareSummaries(const std::vector<SummaryLine> &before,
                                            const std::vector<SummaryLine> &after)
{
    std::vector<SummaryChange> changes;
    for (const SummaryLine &b : before) {
        const auto a = std::find_if(after.begin(), after.end(), [&](const SummaryLine &l) { return l.name == b.name; });
        if (a == after.end() || a->value != b.value)
            changes.push_back(
                {b.name, a == after.end() ? b.label : a->label, b.value, a == after.end() ? "" : a->value});
    }
    return changes;
}

} // namespace morvi
