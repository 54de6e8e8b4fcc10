#pragma once

#include "config_image.h"

#include <array>

namespace morvi {

enum class KeyClass { Disabled, FixedFunction, Digit, GroupFunction, GroupSelect };

// The editor's form of the four key masks: one membership flag per class and
// key. Flags derived from an image may put one key into several classes.
// Disabled has no flag of its own: a key is Disabled while it is in no class.
class KeyMembership {
public:
    bool has(KeyClass c) const;
    void set(KeyClass c, bool on);
    bool any() const;
    friend bool operator==(const KeyMembership &, const KeyMembership &) = default;

private:
    std::array<bool, 4> flags_{};
};

using KeyClassFlags = std::array<KeyMembership, keyCount>;

// The class a key is shown as: the first it belongs to in the order
// FixedFunction, GroupFunction, Digit, GroupSelect.
KeyClass shownClass(const KeyMembership &m);

// The class the editing operations see: the first of FixedFunction, Digit,
// GroupFunction, GroupSelect (not the order the matrix shows).
KeyClass editedClass(const KeyMembership &m);
// Leaves exactly the one flag of c set (none for Disabled).
void setOnlyClass(KeyMembership &m, KeyClass c);
// The double-click step: grey, green, orange, blue, yellow, grey.
void cycleClass(KeyMembership &m);

// Each class with a mask and the offset of its two mask bytes.
struct KeyMask {
    KeyClass keyClass;
    int offset;
};
inline constexpr std::array<KeyMask, 4> keyMasks{{
    {KeyClass::GroupFunction, offset::groupKeyMask},
    {KeyClass::Digit, offset::digitKeyMask},
    {KeyClass::FixedFunction, offset::fixedKeyMask},
    {KeyClass::GroupSelect, offset::groupSelectMask},
}};

// Mask byte and bit weight of key 1..16: key 1 is 128 of the first byte,
// key 16 is 1 of the second.
constexpr int maskByteOf(int key) { return (key - 1) / 8; }
constexpr std::uint8_t maskWeightOf(int key) { return static_cast<std::uint8_t>(0x80 >> ((key - 1) % 8)); }

} // namespace morvi
