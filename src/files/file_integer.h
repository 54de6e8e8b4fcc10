#pragma once

#include <QStringView>

#include <cstdint>
#include <optional>

namespace morvi::files {

// The one integer rule of both text files: leading blanks, an optional sign,
// then decimal digits, or hexadecimal digits after "$", "x" or "0x" in either
// letter case. Nothing may follow the digits, not even a blank. Decimal
// numbers must fit a signed 32-bit integer; hexadecimal ones may use all 32
// bits and are taken as their two's complement ("$FFFFFFFF" is -1).
std::optional<std::int32_t> parseFileInteger(QStringView text);

} // namespace morvi::files
