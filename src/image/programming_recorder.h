#pragma once

#include "config_image.h"

#include <cstdint>
#include <string>
#include <vector>

namespace morvi {

// How a transfer ended; a programming run's record names it.
struct ProgrammingOutcome {
    enum class Kind {
        success,
        verifyDifferences, // addresses whose read-back differed
        checksumError,     // a plain read whose image checksum does not match
        timeout,           // no answer at byte bytepos (also a link lost mid-run)
        firmwareRefused,
        linkError,    // the link refused a phase
        abandoned,    // a new start or the end of the program cut the run off
        backupFailed, // stopped before the first write
    };
    Kind kind = Kind::success;
    int bytepos = 0;
    std::vector<int> addresses;
};

// Keeps a record of every programming run: a backup of the transmitter's
// memory before anything is written, and how the run ended.
class ProgrammingRecorder {
public:
    virtual ~ProgrammingRecorder() = default;
    // The transmitter's memory as just read, once its firmware is accepted and
    // before the first write; false stops the run with nothing written.
    virtual bool backupBeforeWrite(const ConfigImage &memory, const std::string &linkName) = 0;
    // Once per run that got as far as asking the transmitter; checksum is the
    // image checksum (byte 122) being written.
    virtual void programmingEnded(const std::string &linkName, std::uint8_t checksum,
                                  const ProgrammingOutcome &outcome) = 0;
};

} // namespace morvi
