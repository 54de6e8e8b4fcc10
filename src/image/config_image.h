#pragma once

#include <array>
#include <cstdint>

namespace morvi {

// The transmitter's 128-byte configuration block, byte for byte as it sits in
// the transmitter's memory. Multi-byte numbers are big-endian.
inline constexpr int imageSize = 128;
// Bytes 126 and 127 carry the firmware version and are never programmed.
inline constexpr int programmedBytes = 126;
inline constexpr int keyCount = 16;
inline constexpr int addressBytes = 5;
inline constexpr int maxCodeBits = 40;

namespace offset {
inline constexpr int reserved0 = 0;
inline constexpr int modeFlags = 1;
inline constexpr int digitKeyMask = 2;
inline constexpr int digitTimeout = 4;
inline constexpr int minDigits = 5;
inline constexpr int maxDigits = 6;
inline constexpr int selfKey = 7;
inline constexpr int cycleInterval = 8;
inline constexpr int keyAddress = 10;
inline constexpr int baseAddress = 90;
inline constexpr int codeBits = 95;
inline constexpr int extraFlags = 96;
inline constexpr int postambleGap = 97;
inline constexpr int postambleLength = 98;
inline constexpr int txChecksumBits = 99;
inline constexpr int interStringPause = 100;
inline constexpr int bitThirdTime = 101;
inline constexpr int minSendCount = 102;
inline constexpr int selfHoldTime = 103;
inline constexpr int fixedKeyMask = 104;
inline constexpr int groupKeyMask = 106;
inline constexpr int groupSelectMask = 108;
inline constexpr int ledFlashTime = 110;
inline constexpr int maxSendCount = 111;
inline constexpr int minPressTime = 112;
inline constexpr int rs232OncePerPress = 113;
inline constexpr int reserved114 = 114;
inline constexpr int preambleCount = 115;
inline constexpr int preamblePulse = 116;
inline constexpr int reserved117 = 117;
inline constexpr int reserved117End = 121;
inline constexpr int imageChecksum = 122;
inline constexpr int transmitterType = 123;
inline constexpr int softwareMajor = 124;
inline constexpr int softwareMinor = 125;
inline constexpr int firmwareMajor = 126;
inline constexpr int firmwareMinor = 127;
} // namespace offset

// Bits of modeFlags (byte 1).
namespace modebit {
inline constexpr std::uint8_t digitsNeedBlue = 0x01;
inline constexpr std::uint8_t storePrefix = 0x02;
inline constexpr std::uint8_t clearOnGroupZero = 0x04;
inline constexpr std::uint8_t cyclicSend = 0x08;
inline constexpr std::uint8_t withPreamble = 0x10;
inline constexpr std::uint8_t noReferenceBit = 0x20;
inline constexpr std::uint8_t withPostamble = 0x40;
inline constexpr std::uint8_t withTxChecksum = 0x80;
} // namespace modebit

// Bits of extraFlags (byte 96); bit 3 is carried but never touched.
namespace extrabit {
inline constexpr std::uint8_t simultaneousPress = 0x01;
inline constexpr std::uint8_t selfHold = 0x02;
inline constexpr std::uint8_t batteryTest = 0x04;
inline constexpr std::uint8_t lowNibble = 0x0F;
inline constexpr int batteryThresholdShift = 4;
} // namespace extrabit

// The version of this editor, stamped into bytes 124/125 by every refresh.
inline constexpr std::uint8_t softwareVersionMajor = 3;
inline constexpr std::uint8_t softwareVersionMinor = 34;

// Cells the transmitter keeps to itself: what it reads back there is no fault.
constexpr bool keptByTransmitter(int address)
{
    return address == offset::reserved114 || (address >= offset::reserved117 && address <= offset::reserved117End);
}

// Offset of the 5-byte address field of key 1..16.
constexpr int keyAddressOffset(int key) { return offset::keyAddress + addressBytes * (key - 1); }

class ConfigImage {
public:
    std::uint8_t &operator[](int index) { return bytes_.at(static_cast<std::size_t>(index)); }
    std::uint8_t operator[](int index) const { return bytes_.at(static_cast<std::size_t>(index)); }

    bool bit(int index, std::uint8_t mask) const { return ((*this)[index] & mask) != 0; }
    void setBit(int index, std::uint8_t mask, bool on);

    int word(int index) const { return (*this)[index] * 256 + (*this)[index + 1]; }
    void setWord(int index, int value);

    void clear() { bytes_.fill(0); }
    const std::array<std::uint8_t, imageSize> &bytes() const { return bytes_; }
    std::array<std::uint8_t, imageSize> &bytes() { return bytes_; }

    friend bool operator==(const ConfigImage &, const ConfigImage &) = default;

private:
    std::array<std::uint8_t, imageSize> bytes_{};
};

} // namespace morvi
