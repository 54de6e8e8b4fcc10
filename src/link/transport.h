#pragma once

#include <cstdint>
#include <string>

namespace morvi::link {

enum class Run { plainRead, programming };
enum class Phase { read, write, verify };

// One way to the transmitter. Transfer owns the phases, the completions, the
// response time-out and what the editor holds afterwards; a transport only
// carries the requests of a phase and hands every answer back to
// Transfer::answer. The serial link sends one request at a time, the USB
// adapter a whole phase in blocks.
class Transport {
public:
    // Where the links differ in what their answers mean.
    struct Quirks {
        // A write answer must equal the byte sent; a wrong one stops the run.
        bool checksEcho = true;
        // The verify answer for address i is stored at position i + verifyLag.
        int verifyLag = 0;
        // The verify writes one "add[" line per address to tm.
        bool traceVerify = true;
        // A rejected firmware moves the focus to "Auslesen".
        bool focusOnRejectedFirmware = true;
    };

    virtual ~Transport() = default;

    virtual Quirks quirks() const = 0;
    // The link's name in the backup and the programming log; empty for the serial port's own name.
    virtual std::string linkName() const { return {}; }
    // Whether this link carries the next transfer.
    virtual bool available() const = 0;
    // Makes the link ready for a run; false once it has said why it cannot.
    virtual bool open() = 0;
    // Sends the run's lead-in and the first request(s) of its read phase;
    // false once it has said why it cannot.
    virtual bool begin(Run run) = 0;
    // The write or the verify phase of a programming run begins at address 0.
    virtual bool beginPhase(Phase phase) = 0;
    // After an answer was taken: the request for address (one-at-a-time links).
    virtual void next(Phase phase, std::uint8_t address, std::uint8_t data) = 0;
    // The read phase has all its answers.
    virtual void readDone() {}
    // Stops everything the link keeps running for a transfer.
    virtual void stop() = 0;
};

} // namespace morvi::link
