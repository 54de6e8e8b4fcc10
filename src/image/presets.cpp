#include "presets.h"

#include <array>
#include <stdexcept>

namespace morvi {

namespace {
constexpr std::array<Preset, 3> presets{{
    {TransmitterType::Normal, 20, 25, false, 0, 0, "&Typ (momentan: normal)", "Sender-Konfiguration (normal)"},
    {TransmitterType::NormalHighPower, 2, 20, true, 2, 150, "&Typ (momentan: normal mit HighPower-Sendemodul)",
     "Sender-Konfiguration (normal mit HighPower-Sendemodul)"},
    {TransmitterType::Parallel, 20, 25, false, 0, 0, "&Typ (momentan: Parallelbetrieb)",
     "Sender-Konfiguration (Parallelbetrieb)"},
}};
} // namespace

const Preset &presetOf(TransmitterType type)
{
    for (const Preset &p : presets)
        if (p.type == type) return p;
    throw std::invalid_argument("no preset for this transmitter type");
}

void applyPreset(ConfigImage &image, TransmitterType type)
{
    const Preset &p = presetOf(type);
    image[offset::interStringPause] = p.interStringPause;
    image[offset::bitThirdTime] = p.bitThirdTime;
    image[offset::transmitterType] = static_cast<std::uint8_t>(p.type);
    image[offset::rs232OncePerPress] = 0;
    image.setBit(offset::modeFlags, modebit::noReferenceBit, false);
    image.setBit(offset::modeFlags, modebit::withPreamble, p.withPreamble);
    image.setBit(offset::modeFlags, modebit::withPostamble, false);
    image[offset::preambleCount] = p.preambleCount;
    image[offset::preamblePulse] = p.preamblePulse;
    image[offset::postambleGap] = 0;
    image[offset::postambleLength] = 0;
}

void retireRs232Type(ConfigImage &image)
{
    if (image[offset::transmitterType] == static_cast<std::uint8_t>(TransmitterType::Rs232))
        image[offset::transmitterType] = static_cast<std::uint8_t>(TransmitterType::Normal);
}

} // namespace morvi
