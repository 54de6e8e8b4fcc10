#include "file_integer.h"

namespace morvi::files {

namespace {

int digitValue(QChar c, int base)
{
    const char16_t u = c.unicode();
    int value = 16;
    if (u >= u'0' && u <= u'9')
        value = u - u'0';
    else if (u >= u'a' && u <= u'f')
        value = u - u'a' + 10;
    else if (u >= u'A' && u <= u'F')
        value = u - u'A' + 10;
    return value < base ? value : -1;
}

} // namespace

std::optional<std::int32_t> parseFileInteger(QStringView text)
{
    qsizetype i = 0;
    while (i < text.size() && text[i] == u' ')
        ++i;

    bool negative = false;
    if (i < text.size() && (text[i] == u'+' || text[i] == u'-')) negative = text[i++] == u'-';

    int base = 10;
    const QStringView rest = text.mid(i);
    if (rest.startsWith(u'$') || rest.startsWith(u'x', Qt::CaseInsensitive)) {
        base = 16;
        i += 1;
    } else if (rest.startsWith(u"0x", Qt::CaseInsensitive)) {
        base = 16;
        i += 2;
    }

    if (i == text.size()) return std::nullopt;
    // Decimal stops at 2^31 (reached only by the most negative number), hex at 2^32 - 1.
    const std::uint64_t limit = base == 16 ? 0xFFFFFFFFu : (negative ? 0x80000000u : 0x7FFFFFFFu);
    std::uint64_t magnitude = 0;
    for (; i < text.size(); ++i) {
        const int digit = digitValue(text[i], base);
        if (digit < 0) return std::nullopt;
        magnitude = magnitude * static_cast<unsigned>(base) + static_cast<unsigned>(digit);
        if (magnitude > limit) return std::nullopt;
    }
    const auto bits = static_cast<std::uint32_t>(negative ? 0u - magnitude : magnitude);
    return static_cast<std::int32_t>(bits);
}

} // namespace morvi::files
