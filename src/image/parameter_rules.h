#pragma once

#include "editor.h"

#include <optional>
#include <string>
#include <string_view>

namespace morvi {

// The numeric entry fields of the main window and of the system parameters
// dialog, named like their controls. Key address fields c1..c16 and the
// decimal time-out field have rules of their own below.
enum class Field {
    codelength,
    Grundadresse,
    BlitzTime,
    minAnz,
    maxAnz,
    TastMess,
    minTasten,
    maxTasten,
    Intervall,
    checkanz,
    timerself,
    SelfTaste,
    Battschwelle,
    BitLength,
    StringPause,
    PrAnzahl,
    PrLength,
    PostP,
    PostL,
};

std::optional<Field> fieldNamed(std::string_view objectName);
const char *fieldName(Field field);
// How many characters the field accepts.
int fieldMaxLength(Field field);
// Whether committing the field refreshes only the system parameters dialog.
bool isSystemField(Field field);

// Accepted entry to image bytes: checkin with the field's limit, then its rule.
void commitField(Editor &editor, Field field, std::string_view text, Reporter &reporter);
// Image bytes back to the field's text.
std::string fieldText(const Editor &editor, Field field);

// Key address fields c1..c16 (key 1..16).
void commitKeyAddress(Editor &editor, int key, std::string_view text, Reporter &reporter);
std::string keyAddressText(const Editor &editor, int key);
inline constexpr int addressMaxLength = 13;
// "max. " and the largest address, for the label under the code length.
std::string maxAddressText(const Editor &editor);

// The decimal seconds of the digit time-out. Accepts the comma as well as the
// locale's own decimal separator. A text that is no number gives nullopt and
// changes nothing; otherwise the rounded tenths are stored through checkin and
// their text is returned, for the field to show until the refresh.
std::optional<std::string> commitTimeout(Editor &editor, std::string_view text, char localeSeparator,
                                         Reporter &reporter);
// Byte 4 as seconds with one decimal and always a comma: " 2,5", "25,5".
std::string timeoutText(const ConfigImage &image);
inline constexpr int timeoutMaxLength = 4;

// The minutes text of the cyclic interval, "= ca. 1.00 min".
std::string intervalMinutesText(int tenths);

// The check boxes tied to one image bit.
enum class FlagBox {
    CBziffernmode,
    CBvorwahl,
    CBclear,
    CBzyk,
    CBpraeambel,
    CBnoref,
    CBpostambel,
    CBchecksumme,
    press,
    CBself,
    CBbatt
};

std::optional<FlagBox> flagBoxNamed(std::string_view objectName);
const char *flagBoxName(FlagBox box);
bool flagOf(const ConfigImage &image, FlagBox box);
void setFlag(ConfigImage &image, FlagBox box, bool on);

// Checking the send-limit box gives a maximum of 10 sendings if none was set.
void checkSendLimit(ConfigImage &image, bool checked);

// Refresh rule on the digit counts (bytes 5 and 6). prefixBoxChecked is the
// state CBvorwahl has when the refresh reaches this step.
void applyDigitCountRule(ConfigImage &image, bool prefixBoxChecked, Reporter &reporter);

// Refresh rule: the version of this editor goes into bytes 124/125.
void stampVersion(ConfigImage &image);
std::string versionText();

} // namespace morvi
