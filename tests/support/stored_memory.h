#pragma once

#include "editor.h"
#include "recording_reporter.h"

#include <algorithm>
#include <array>
#include <cstdint>

namespace morvi::test {

// The memory of a transmitter that was programmed with editor's
// configuration: completed as a programming run completes it, with its checksum.
inline std::array<std::uint8_t, imageSize> storedMemory(Editor editor)
{
    RecordingReporter quiet;
    editor.makeEDATA({}, quiet);
    editor.image[offset::imageChecksum] = editor.calculatechecksum(quiet);
    std::array<std::uint8_t, imageSize> memory{};
    std::copy(editor.image.bytes().begin(), editor.image.bytes().end(), memory.begin());
    return memory;
}

} // namespace morvi::test
