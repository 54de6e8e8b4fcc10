#include "recording_reporter.h"

namespace morvi::test {

void RecordingReporter::showFirmware(const std::string &text, Rgb farbe)
{
    firmwareText = text;
    firmwareColour = farbe;
}

void RecordingReporter::clear() { *this = RecordingReporter{}; }

} // namespace morvi::test
