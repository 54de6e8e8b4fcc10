#pragma once

#include "config_image.h"

#include <string>

namespace morvi {

enum class TransmitterType : std::uint8_t { Normal = 0, Rs232 = 1, Parallel = 2, NormalHighPower = 3 };

// The factory protocol values of a selectable type and how the window names it.
struct Preset {
    TransmitterType type;
    std::uint8_t interStringPause;
    std::uint8_t bitThirdTime;
    bool withPreamble;
    std::uint8_t preambleCount;
    std::uint8_t preamblePulse;
    const char *menuCaption; // caption of the type menu
    const char *infoLine;    // reported when chosen through the menu
};

// The preset of Normal, Parallel or NormalHighPower.
const Preset &presetOf(TransmitterType type);

// Writes the preset's bytes and bits; every other byte stays as it is.
void applyPreset(ConfigImage &image, TransmitterType type);

// Refresh rule: the retired RS232 type becomes Normal, keeping its own protocol bytes.
void retireRs232Type(ConfigImage &image);

} // namespace morvi
