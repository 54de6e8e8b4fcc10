#pragma once

#include "config_image.h"
#include "reporter.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace morvi {

// 2 to the power wert; 1 for wert <= 0. Saturates at the largest 64-bit value
// instead of overflowing.
std::int64_t exp2(std::int32_t wert);

// data in decimal, with fill characters in front until it is digits long.
std::string fillString(int digits, char fill, std::int64_t data);
std::string setString(int digits, std::int64_t data);

// The largest value a 5-byte address field holds.
inline constexpr std::int64_t maxFieldAddress = (std::int64_t{1} << 40) - 1;

// Stores eingang as a 40-bit big-endian field at Ezelle. Values outside the
// field's range are clamped so that nothing spills into the next field.
void split64(ConfigImage &image, std::int64_t eingang, int Ezelle);
std::int64_t readAddress(const ConfigImage &image, int Ezelle);
// The address at Ezelle as 13 right-aligned characters, never above maxAddress.
std::string setLongString(const ConfigImage &image, int Ezelle, std::int64_t maxAddress);

// A decimal integer of up to 64 bits with optional leading blanks and sign.
std::optional<std::int64_t> parseDecimal(std::string_view text);

// Parses an entry and clamps it to 0..max; every correction beeps once.
std::int64_t checkin(std::int64_t max, std::string_view text, Reporter &reporter);

} // namespace morvi
