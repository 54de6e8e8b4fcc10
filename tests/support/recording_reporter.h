#pragma once

#include "reporter.h"

#include <string>
#include <vector>

namespace morvi::test {

struct Report {
    std::string text;
    Rgb colour;
    int option;
    friend bool operator==(const Report &, const Report &) = default;
};

// Records everything the core tells the window.
class RecordingReporter : public Reporter {
public:
    std::vector<Report> reports;
    int beeps = 0;
    TraceLists traces;
    std::string firmwareText;
    Rgb firmwareColour = 0;

    void showinfo(const std::string &inhalt, Rgb farbe, int opt) override { reports.push_back({inhalt, farbe, opt}); }
    void beep() override { ++beeps; }
    void trace(TraceList list, const std::string &line) override { traces.append(list, line); }
    void showFirmware(const std::string &text, Rgb farbe) override;

    void clear();
};

} // namespace morvi::test
