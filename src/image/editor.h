#pragma once

#include "config_image.h"
#include "key_class.h"
#include "reporter.h"

#include <cstdint>

namespace morvi {

struct FirmwareVersion {
    std::uint8_t major = 2;
    std::uint8_t minor = 20;
    friend bool operator==(const FirmwareVersion &, const FirmwareVersion &) = default;
};

// The states of the two main-window boxes that completion reads.
struct SendBoxes {
    bool cyclicSend = false; // CBzyk
    bool sendLimit = false;  // maxBegrenzung
};

// What the window must still do after readEDATA has derived the key classes.
struct DerivedState {
    bool sendLimitOn = false;  // check maxBegrenzung and show maxAnz
    bool normalPreset = false; // an unknown type got the Normal preset: caption and refresh
};

// The one configuration image with the editor state kept beside it.
class Editor {
public:
    ConfigImage image;
    KeyClassFlags keyClassFlags{};
    FirmwareVersion knownFirmware{};
    // Largest key address for the current code length; see updateMaxAddress.
    std::int64_t maxAddress = 0;

    void resetImage();
    void makeEDATA(const SendBoxes &boxes, Reporter &reporter);
    DerivedState readEDATA();
    std::uint8_t calculatechecksum(Reporter &reporter) const;
    bool checkfirmware(Reporter &reporter);

    // Recomputes maxAddress from the code length. A length above 40 bits can
    // only come from a read or loaded image; it is treated as 40, the most a
    // 5-byte address field holds.
    void updateMaxAddress();

    // Unsaved edits. The configuration counts as changed when its image or key
    // classes differ from the copy taken by markUnchanged (after a load, save,
    // read or programming). The bytes stamped by the refresh or completed for
    // a transfer (checksum, software and firmware versions) do not count.
    void markUnchanged();
    bool changed() const;

private:
    ConfigImage unchangedImage_;
    KeyClassFlags unchangedFlags_{};
};

// Warns when cyclic sending is on without a maximum send count.
void cyclicSendWarning(const SendBoxes &boxes, Reporter &reporter);

// The checks of an image just read from a transmitter, with their reports.
struct ReadImageCheck {
    bool checksumOk = false;
    bool firmwareOk = false;
};
ReadImageCheck checkReadImage(Editor &editor, Reporter &reporter);

} // namespace morvi
