#include "config_image.h"

namespace morvi {

void ConfigImage::setBit(int index, std::uint8_t mask, bool on)
{
    auto &b = (*this)[index];
    b = static_cast<std::uint8_t>(on ? (b | mask) : (b & ~mask));
}

void ConfigImage::setWord(int index, int value)
{
    (*this)[index] = static_cast<std::uint8_t>((value >> 8) & 0xFF);
    (*this)[index + 1] = static_cast<std::uint8_t>(value & 0xFF);
}

} // namespace morvi
