#include "parameter_rules.h"

#include "number_text.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <string>

namespace morvi {

namespace {

// n / d rounded to the nearest integer, halves to the even neighbour (n, d > 0).
std::int64_t roundHalfEven(std::int64_t n, std::int64_t d)
{
    const std::int64_t q = n / d;
    const std::int64_t twiceRest = 2 * (n % d);
    if (twiceRest > d || (twiceRest == d && q % 2 != 0)) return q + 1;
    return q;
}

std::uint8_t byteOf(std::int64_t v) { return static_cast<std::uint8_t>(v); }

void storeByte(ConfigImage &image, int index, std::int64_t v) { image[index] = byteOf(v); }

constexpr std::int64_t limitIsMaxAddress = -1;

struct Rule {
    Field field;
    const char *name;
    int length; // characters accepted and shown
    std::int64_t limit;
    void (*store)(Editor &, std::int64_t);
    std::int64_t (*shown)(const Editor &);
};

template <int Offset> void plainStore(Editor &e, std::int64_t v) { storeByte(e.image, Offset, v); }
template <int Offset> std::int64_t plainShown(const Editor &e) { return e.image[Offset]; }

const std::array<Rule, 19> rules{{
    {Field::codelength, "codelength", 3, maxCodeBits, plainStore<offset::codeBits>, plainShown<offset::codeBits>},
    {Field::Grundadresse, "Grundadresse", addressMaxLength, limitIsMaxAddress,
     [](Editor &e, std::int64_t v) { split64(e.image, v, offset::baseAddress); },
     [](const Editor &e) { return std::min(readAddress(e.image, offset::baseAddress), e.maxAddress); }},
    {Field::BlitzTime, "BlitzTime", 3, 120,
     [](Editor &e, std::int64_t v) { storeByte(e.image, offset::ledFlashTime, v * 2); },
     [](const Editor &e) { return roundHalfEven(e.image[offset::ledFlashTime], 2); }},
    {Field::minAnz, "minAnz", 3, 250,
     [](Editor &e, std::int64_t v) { storeByte(e.image, offset::minSendCount, std::max<std::int64_t>(v, 1) - 1); },
     [](const Editor &e) { return std::int64_t{e.image[offset::minSendCount]} + 1; }},
    // Stored plus one in one byte where 0 means no limit, so at most 254.
    {Field::maxAnz, "maxAnz", 3, 254,
     [](Editor &e, std::int64_t v) {
         if (v != 0) storeByte(e.image, offset::maxSendCount, v + 1);
     },
     [](const Editor &e) { return std::int64_t{e.image[offset::maxSendCount]} - 1; }},
    {Field::TastMess, "TastMess", 3, 252,
     [](Editor &e, std::int64_t v) {
         storeByte(e.image, offset::minPressTime, roundHalfEven(std::max<std::int64_t>(v, 4), 4) * 4);
     },
     plainShown<offset::minPressTime>},
    {Field::minTasten, "minTasten", 3, 255,
     [](Editor &e, std::int64_t v) {
         storeByte(e.image, offset::minDigits, std::max<std::int64_t>(v, 1));
         if (e.image[offset::maxDigits] < e.image[offset::minDigits])
             e.image[offset::maxDigits] = e.image[offset::minDigits];
     },
     plainShown<offset::minDigits>},
    {Field::maxTasten, "maxTasten", 3, 13,
     [](Editor &e, std::int64_t v) { storeByte(e.image, offset::maxDigits, std::max<std::int64_t>(v, 1)); },
     plainShown<offset::maxDigits>},
    {Field::Intervall, "Intervall", 5, 65535,
     [](Editor &e, std::int64_t v) { e.image.setWord(offset::cycleInterval, static_cast<int>(v)); },
     [](const Editor &e) { return std::int64_t{e.image.word(offset::cycleInterval)}; }},
    {Field::checkanz, "checkanz", 1, 8,
     [](Editor &e, std::int64_t v) { storeByte(e.image, offset::txChecksumBits, std::max<std::int64_t>(v, 1)); },
     plainShown<offset::txChecksumBits>},
    {Field::timerself, "timerself", 3, 255, plainStore<offset::selfHoldTime>, plainShown<offset::selfHoldTime>},
    {Field::SelfTaste, "SelfTaste", 2, keyCount, plainStore<offset::selfKey>,
     [](const Editor &e) { return std::clamp<std::int64_t>(e.image[offset::selfKey], 1, keyCount); }},
    {Field::Battschwelle, "Battschwelle", 2, 15,
     [](Editor &e, std::int64_t v) {
         auto &b = e.image[offset::extraFlags];
         b = byteOf((b & extrabit::lowNibble) | (v << extrabit::batteryThresholdShift));
     },
     [](const Editor &e) { return std::int64_t{e.image[offset::extraFlags] >> extrabit::batteryThresholdShift}; }},
    {Field::BitLength, "BitLength", 3, 255, plainStore<offset::bitThirdTime>, plainShown<offset::bitThirdTime>},
    {Field::StringPause, "StringPause", 3, 255, plainStore<offset::interStringPause>,
     plainShown<offset::interStringPause>},
    {Field::PrAnzahl, "PrAnzahl", 3, 255, plainStore<offset::preambleCount>, plainShown<offset::preambleCount>},
    {Field::PrLength, "PrLength", 3, 255, plainStore<offset::preamblePulse>, plainShown<offset::preamblePulse>},
    {Field::PostP, "PostP", 3, 255, plainStore<offset::postambleGap>, plainShown<offset::postambleGap>},
    {Field::PostL, "PostL", 3, 255, plainStore<offset::postambleLength>, plainShown<offset::postambleLength>},
}};

const Rule &ruleOf(Field field) { return rules[static_cast<std::size_t>(field)]; }

struct FlagBit {
    FlagBox box;
    const char *name;
    int offset;
    std::uint8_t mask;
};

constexpr std::array<FlagBit, 11> flagBits{{
    {FlagBox::CBziffernmode, "CBziffernmode", offset::modeFlags, modebit::digitsNeedBlue},
    {FlagBox::CBvorwahl, "CBvorwahl", offset::modeFlags, modebit::storePrefix},
    {FlagBox::CBclear, "CBclear", offset::modeFlags, modebit::clearOnGroupZero},
    {FlagBox::CBzyk, "CBzyk", offset::modeFlags, modebit::cyclicSend},
    {FlagBox::CBpraeambel, "CBpraeambel", offset::modeFlags, modebit::withPreamble},
    {FlagBox::CBnoref, "CBnoref", offset::modeFlags, modebit::noReferenceBit},
    {FlagBox::CBpostambel, "CBpostambel", offset::modeFlags, modebit::withPostamble},
    {FlagBox::CBchecksumme, "CBchecksumme", offset::modeFlags, modebit::withTxChecksum},
    {FlagBox::press, "press", offset::extraFlags, extrabit::simultaneousPress},
    {FlagBox::CBself, "CBself", offset::extraFlags, extrabit::selfHold},
    {FlagBox::CBbatt, "CBbatt", offset::extraFlags, extrabit::batteryTest},
}};

const FlagBit &flagBitOf(FlagBox box) { return flagBits[static_cast<std::size_t>(box)]; }

// Seconds with one optional decimal part, after either separator.
std::optional<double> parseSeconds(std::string_view text, char localeSeparator)
{
    const auto first = text.find_first_not_of(" \t");
    if (first == std::string_view::npos) return std::nullopt;
    const auto last = text.find_last_not_of(" \t");
    std::string number(text.substr(first, last - first + 1));

    // from_chars takes a minus but no plus.
    if (number[0] == '+') number.erase(0, 1);
    std::size_t i = (!number.empty() && number[0] == '-') ? 1 : 0;
    bool digits = false;
    bool separator = false;
    for (; i < number.size(); ++i) {
        char &c = number[i];
        if (c >= '0' && c <= '9') {
            digits = true;
        } else if ((c == ',' || c == localeSeparator) && !separator) {
            separator = true;
            c = '.';
        } else {
            return std::nullopt;
        }
    }
    if (!digits) return std::nullopt;
    double value = 0;
    const auto [end, error] = std::from_chars(number.data(), number.data() + number.size(), value);
    if (error != std::errc() || end != number.data() + number.size()) return std::nullopt;
    return value;
}

} // namespace

std::optional<Field> fieldNamed(std::string_view objectName)
{
    for (const Rule &r : rules)
        if (objectName == r.name) return r.field;
    return std::nullopt;
}

const char *fieldName(Field field) { return ruleOf(field).name; }
int fieldMaxLength(Field field) { return ruleOf(field).length; }
bool isSystemField(Field field) { return field >= Field::BitLength; }

void commitField(Editor &editor, Field field, std::string_view text, Reporter &reporter)
{
    const Rule &rule = ruleOf(field);
    const std::int64_t limit = rule.limit == limitIsMaxAddress ? editor.maxAddress : rule.limit;
    rule.store(editor, checkin(limit, text, reporter));
}

std::string fieldText(const Editor &editor, Field field)
{
    const Rule &rule = ruleOf(field);
    return setString(rule.length, rule.shown(editor));
}

void commitKeyAddress(Editor &editor, int key, std::string_view text, Reporter &reporter)
{
    split64(editor.image, checkin(editor.maxAddress, text, reporter), keyAddressOffset(key));
}

std::string keyAddressText(const Editor &editor, int key)
{
    return setLongString(editor.image, keyAddressOffset(key), editor.maxAddress);
}

std::string maxAddressText(const Editor &editor) { return "max. " + std::to_string(editor.maxAddress); }

std::optional<std::string> commitTimeout(Editor &editor, std::string_view text, char localeSeparator,
                                         Reporter &reporter)
{
    const auto seconds = parseSeconds(text, localeSeparator);
    if (!seconds) return std::nullopt;
    // Far beyond any byte value: clamp so the tenths stay a 64-bit number.
    const double tenths = std::clamp(std::nearbyint(*seconds * 10), -1e18, 1e18);
    std::string tenthsText = std::to_string(static_cast<std::int64_t>(tenths));
    storeByte(editor.image, offset::digitTimeout, checkin(255, tenthsText, reporter));
    return tenthsText;
}

std::string timeoutText(const ConfigImage &image)
{
    const int tenths = image[offset::digitTimeout];
    std::string text = tenths < 10 ? " 0" + std::to_string(tenths) : setString(3, tenths);
    text.insert(2, ",");
    return text;
}

std::string intervalMinutesText(int tenths)
{
    const int minutes = tenths / 600;
    const int hundredths = (tenths % 600) * 100 / 600;
    return "= ca. " + std::to_string(minutes) + "." + fillString(2, '0', hundredths) + " min";
}

std::optional<FlagBox> flagBoxNamed(std::string_view objectName)
{
    for (const FlagBit &f : flagBits)
        if (objectName == f.name) return f.box;
    return std::nullopt;
}

const char *flagBoxName(FlagBox box) { return flagBitOf(box).name; }
bool flagOf(const ConfigImage &image, FlagBox box) { return image.bit(flagBitOf(box).offset, flagBitOf(box).mask); }
void setFlag(ConfigImage &image, FlagBox box, bool on) { image.setBit(flagBitOf(box).offset, flagBitOf(box).mask, on); }

void checkSendLimit(ConfigImage &image, bool checked)
{
    // 11 stored means a maximum of 10 sendings.
    if (checked && image[offset::maxSendCount] == 0) image[offset::maxSendCount] = 11;
}

void applyDigitCountRule(ConfigImage &image, bool prefixBoxChecked, Reporter &reporter)
{
    auto &minDigits = image[offset::minDigits];
    auto &maxDigits = image[offset::maxDigits];
    if (prefixBoxChecked && minDigits >= maxDigits) {
        // The prefix must have more digits than the minimum; at 255 only the minimum can give way.
        if (minDigits == 255) {
            minDigits = 254;
            reporter.beep();
        }
        maxDigits = static_cast<std::uint8_t>(minDigits + 1);
    }
    if (maxDigits < minDigits) {
        minDigits = maxDigits;
        reporter.beep();
    }
}

void stampVersion(ConfigImage &image)
{
    image[offset::softwareMajor] = softwareVersionMajor;
    image[offset::softwareMinor] = softwareVersionMinor;
}

std::string versionText() { return std::to_string(softwareVersionMajor) + "." + std::to_string(softwareVersionMinor); }

} // namespace morvi
