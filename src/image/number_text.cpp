#include "number_text.h"

#include <algorithm>
#include <charconv>
#include <limits>

namespace morvi {

std::int64_t exp2(std::int32_t wert)
{
    if (wert <= 0) return 1;
    if (wert >= 63) return std::numeric_limits<std::int64_t>::max();
    return std::int64_t{1} << wert;
}

std::string fillString(int digits, char fill, std::int64_t data)
{
    std::string text = std::to_string(data);
    if (static_cast<int>(text.size()) < digits) text.insert(0, static_cast<std::size_t>(digits) - text.size(), fill);
    return text;
}

std::string setString(int digits, std::int64_t data) { return fillString(digits, ' ', data); }

void split64(ConfigImage &image, std::int64_t eingang, int Ezelle)
{
    std::int64_t v = std::clamp<std::int64_t>(eingang, 0, maxFieldAddress);
    for (int i = addressBytes - 1; i >= 0; --i) {
        image[Ezelle + i] = static_cast<std::uint8_t>(v & 0xFF);
        v >>= 8;
    }
}

std::int64_t readAddress(const ConfigImage &image, int Ezelle)
{
    std::int64_t v = 0;
    for (int i = 0; i < addressBytes; ++i)
        v = v * 256 + image[Ezelle + i];
    return v;
}

std::string setLongString(const ConfigImage &image, int Ezelle, std::int64_t maxAddress)
{
    return setString(13, std::min(readAddress(image, Ezelle), maxAddress));
}

std::optional<std::int64_t> parseDecimal(std::string_view text)
{
    std::size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || text[i] == '\t'))
        ++i;
    text.remove_prefix(i);
    // from_chars takes a minus but no plus.
    if (!text.empty() && text.front() == '+') {
        text.remove_prefix(1);
        if (!text.empty() && text.front() == '-') return std::nullopt;
    }
    if (text.empty()) return std::nullopt;
    std::int64_t value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size()) return std::nullopt;
    return value;
}

std::int64_t checkin(std::int64_t max, std::string_view text, Reporter &reporter)
{
    std::int64_t value = 0;
    if (const auto parsed = parseDecimal(text)) {
        value = *parsed;
    } else {
        reporter.beep();
    }
    if (value > max) {
        reporter.beep();
        value = max;
    }
    if (value < 0) {
        reporter.beep();
        value = 0;
    }
    return value;
}

} // namespace morvi
