#include "editor.h"

#include "number_text.h"
#include "presets.h"

#include <algorithm>

namespace morvi {

namespace {
constexpr int firstCompatibleFirmware = 2 * 256 + 2; // 2.02
constexpr int lastCompatibleFirmware = 2 * 256 + 59; // 2.59
} // namespace

void Editor::resetImage()
{
    image.clear();
    image[offset::codeBits] = 40;
    image[offset::minSendCount] = 2;
    image[offset::ledFlashTime] = 60;
    image[offset::minPressTime] = 40;
    image[offset::minDigits] = 1;
    image[offset::maxDigits] = 4;
    image[offset::modeFlags] = modebit::digitsNeedBlue;
    image[offset::digitTimeout] = 25;
}

void cyclicSendWarning(const SendBoxes &boxes, Reporter &reporter)
{
    if (!boxes.cyclicSend || boxes.sendLimit) return;
    reporter.showinfo(
        "ACHTUNG!!!: wenn \"zykl. Sendung\" aktiviert ist, dann muss auch \"max-TX-Anz\" eingestellt sein!\"",
        colour::red, option::block);
    reporter.beep();
}

void Editor::makeEDATA(const SendBoxes &boxes, Reporter &reporter)
{
    cyclicSendWarning(boxes, reporter);
    for (const KeyMask &mask : keyMasks)
        image[mask.offset] = image[mask.offset + 1] = 0;

    if (!boxes.sendLimit) {
        image[offset::maxSendCount] = 0;
    } else {
        const int minimum = image[offset::minSendCount] + 1;
        const int maximum = image[offset::maxSendCount] - 1;
        // A loaded minimum of 255 or 256 sendings cannot be matched in one byte; 255 is the nearest.
        if (minimum > maximum)
            image[offset::maxSendCount] = static_cast<std::uint8_t>(std::min(image[offset::minSendCount] + 2, 255));
    }

    for (const KeyMask &mask : keyMasks)
        for (int key = 1; key <= keyCount; ++key)
            if (keyClassFlags[key - 1].has(mask.keyClass)) image[mask.offset + maskByteOf(key)] |= maskWeightOf(key);

    image[offset::firmwareMajor] = knownFirmware.major;
    image[offset::firmwareMinor] = knownFirmware.minor;
}

DerivedState Editor::readEDATA()
{
    keyClassFlags = {};
    for (const KeyMask &mask : keyMasks)
        for (int key = 1; key <= keyCount; ++key)
            if (image[mask.offset + maskByteOf(key)] & maskWeightOf(key))
                keyClassFlags[key - 1].set(mask.keyClass, true);

    DerivedState derived;
    derived.sendLimitOn = image[offset::maxSendCount] != 0;
    if (image[offset::transmitterType] > static_cast<int>(TransmitterType::NormalHighPower)) {
        applyPreset(image, TransmitterType::Normal);
        derived.normalPreset = true;
    }
    return derived;
}

std::uint8_t Editor::calculatechecksum(Reporter &reporter) const
{
    unsigned sum = 0;
    for (int i = 0; i < imageSize; ++i) {
        const bool uncounted = i == offset::reserved114 || (i >= offset::reserved117 && i <= offset::imageChecksum) ||
                               i == offset::firmwareMajor || i == offset::firmwareMinor;
        if (!uncounted) sum += image[i];
    }
    const auto checksum = static_cast<std::uint8_t>(sum & 0xFF);
    reporter.trace(TraceList::mem1, "checksumme: " + std::to_string(checksum));
    return checksum;
}

bool Editor::checkfirmware(Reporter &reporter)
{
    const int major = image[offset::firmwareMajor];
    const int minor = image[offset::firmwareMinor];
    const int v = major * 256 + minor;
    const bool compatible = v <= lastCompatibleFirmware && (v >= firstCompatibleFirmware || v == 0);

    const Rgb shown = compatible ? colour::blue : colour::red;
    reporter.showFirmware(std::to_string(major) + "." + fillString(2, '0', minor), shown);
    if (compatible) knownFirmware = {static_cast<std::uint8_t>(major), static_cast<std::uint8_t>(minor)};

    reporter.trace(TraceList::mem1, "vor firmware: " + std::to_string(image[offset::softwareMinor]));
    reporter.trace(TraceList::mem1, "firmwareH: " + std::to_string(major));
    reporter.trace(TraceList::mem1, "firmwareL: " + std::to_string(minor));
    return compatible;
}

void Editor::updateMaxAddress() { maxAddress = exp2(std::min<int>(image[offset::codeBits], maxCodeBits)) - 1; }

ReadImageCheck checkReadImage(Editor &editor, Reporter &reporter)
{
    ReadImageCheck check;
    const std::uint8_t computed = editor.calculatechecksum(reporter);
    const std::uint8_t stored = editor.image[offset::imageChecksum];
    check.checksumOk = computed == stored;
    if (check.checksumOk) {
        reporter.showinfo("Daten erfolgreich gelesen", colour::green, option::block);
    } else {
        reporter.showinfo("EEPROM checksum Fehler -  ist:" + std::to_string(stored) +
                              "  soll:" + std::to_string(computed),
                          colour::red, option::block);
    }
    check.firmwareOk = editor.checkfirmware(reporter);
    if (!check.firmwareOk)
        reporter.showinfo("Geräte-Firmware und Software passen nicht zusammen!", colour::red, option::block);
    return check;
}

void Editor::markUnchanged()
{
    unchangedImage_ = image;
    unchangedFlags_ = keyClassFlags;
}

bool Editor::changed() const
{
    if (keyClassFlags != unchangedFlags_) return true;
    for (int i = 0; i < imageSize; ++i) {
        const bool stamped = i == offset::imageChecksum || i >= offset::softwareMajor;
        if (!stamped && image[i] != unchangedImage_[i]) return true;
    }
    return false;
}

} // namespace morvi
