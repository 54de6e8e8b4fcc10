#pragma once

#include "editor.h"

#include <string>
#include <vector>

namespace morvi {

// One line of a configuration as a technician reads it: a field by its
// caption with the value the window shows, or a key by its class and address.
struct SummaryLine {
    std::string name;  // stable name for scripts: the control's object name, or "taste1".."taste16"
    std::string label; // the window's caption
    std::string value; // as the window shows it, without padding
    friend bool operator==(const SummaryLine &, const SummaryLine &) = default;
};

// The configuration of an editor whose key classes were derived (readEDATA).
std::vector<SummaryLine> summarize(const Editor &editor);

// A line that differs between two summaries.
struct SummaryChange {
    std::string name;
    std::string label;
    std::string before;
    std::string after;
};
std::vector<SummaryChange> compareSummaries(const std::vector<SummaryLine> &before,
                                            const std::vector<SummaryLine> &after);

// The legend's name of a key class ("Zifferntaste", "Taste deaktiviert", ...).
const char *classLegend(KeyClass keyClass);

} // namespace morvi
