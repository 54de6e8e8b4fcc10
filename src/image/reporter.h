#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace morvi {

// Colours as 0xRRGGBB.
using Rgb = std::uint32_t;
namespace colour {
inline constexpr Rgb black = 0x000000;  // neutral notices
inline constexpr Rgb green = 0x008000;  // success
inline constexpr Rgb red = 0xFF0000;    // errors, cancellations, warnings
inline constexpr Rgb purple = 0x800080; // use the programming adapter
inline constexpr Rgb blue = 0x0000FF;   // firmware label of a compatible transmitter
} // namespace colour

// Option bits of a report.
namespace option {
inline constexpr int timeStamp = 1;  // a time-stamp line before the text
inline constexpr int blankAfter = 2; // an empty line after the text
inline constexpr int block = timeStamp | blankAfter;
} // namespace option

enum class TraceList { tm, mem1 };

// The one way from the core to the window: reports, beeps, trace lines and
// the firmware label. The window implements it; tests record it.
class Reporter {
public:
    virtual ~Reporter() = default;
    virtual void showinfo(const std::string &inhalt, Rgb farbe, int option) = 0;
    virtual void beep() = 0;
    virtual void trace(TraceList list, const std::string &line) = 0;
    virtual void showFirmware(const std::string &text, Rgb farbe) = 0;
};

// The two hidden diagnostic lists; each starts with its own name.
struct TraceLists {
    std::vector<std::string> tm{"tm"};
    std::vector<std::string> mem1{"mem1"};

    void append(TraceList list, const std::string &line) { (list == TraceList::tm ? tm : mem1).push_back(line); }
};

// One piece of text appended to the info window in one colour.
struct InfoRun {
    std::string text;
    Rgb colour;
    friend bool operator==(const InfoRun &, const InfoRun &) = default;
};

// What a report appends, in order; only the two low option bits count.
// timeOfDay is the current time in the user's long time format.
std::vector<InfoRun> infoRuns(const std::string &inhalt, Rgb farbe, int option, const std::string &timeOfDay);

} // namespace morvi
