#include "key_class.h"

namespace morvi {

namespace {
int flagIndex(KeyClass c) { return static_cast<int>(c) - 1; }
} // namespace

bool KeyMembership::has(KeyClass c) const
{
    if (c == KeyClass::Disabled) return !any();
    return flags_[static_cast<std::size_t>(flagIndex(c))];
}

void KeyMembership::set(KeyClass c, bool on)
{
    if (c == KeyClass::Disabled) {
        if (on) flags_.fill(false);
        return;
    }
    flags_[static_cast<std::size_t>(flagIndex(c))] = on;
}

bool KeyMembership::any() const
{
    for (bool f : flags_)
        if (f) return true;
    return false;
}

KeyClass shownClass(const KeyMembership &m)
{
    for (KeyClass c : {KeyClass::FixedFunction, KeyClass::GroupFunction, KeyClass::Digit, KeyClass::GroupSelect})
        if (m.has(c)) return c;
    return KeyClass::Disabled;
}

KeyClass editedClass(const KeyMembership &m)
{
    for (KeyClass c : {KeyClass::FixedFunction, KeyClass::Digit, KeyClass::GroupFunction, KeyClass::GroupSelect})
        if (m.has(c)) return c;
    return KeyClass::Disabled;
}

void setOnlyClass(KeyMembership &m, KeyClass c)
{
    m.set(KeyClass::Disabled, true);
    m.set(c, true);
}

void cycleClass(KeyMembership &m)
{
    switch (editedClass(m)) {
    case KeyClass::Disabled: setOnlyClass(m, KeyClass::FixedFunction); break;
    case KeyClass::FixedFunction: setOnlyClass(m, KeyClass::Digit); break;
    case KeyClass::Digit: setOnlyClass(m, KeyClass::GroupFunction); break;
    case KeyClass::GroupFunction: setOnlyClass(m, KeyClass::GroupSelect); break;
    case KeyClass::GroupSelect: setOnlyClass(m, KeyClass::Disabled); break;
    }
}

} // namespace morvi
