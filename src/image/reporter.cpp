#include "reporter.h"

namespace morvi {

std::vector<InfoRun> infoRuns(const std::string &inhalt, Rgb farbe, int opt, const std::string &timeOfDay)
{
    std::vector<InfoRun> runs;
    if (opt & option::timeStamp) runs.push_back({" -" + timeOfDay + "-\n", farbe});
    runs.push_back({inhalt + "\n", farbe});
    if (opt & option::blankAfter) runs.push_back({"\n", farbe});
    return runs;
}

} // namespace morvi
