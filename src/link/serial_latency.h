#pragma once

namespace morvi::link {

// Asks the driver of an open serial device to pass received bytes on at once.
// USB-serial converters otherwise hold small reads back for their latency
// timer (16 ms on the common chips), which every request of the byte-by-byte
// exchange would wait for. False where the device has no such mode (a
// pseudo-terminal, an onboard port); nothing changes then.
bool requestLowLatency(int fd);

} // namespace morvi::link
