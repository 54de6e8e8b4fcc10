#pragma once

// The fake adapter's state, shared by its entry points and the transmitter
// model behind it.
#include "d2xx_api.h"

#include <array>
#include <chrono>
#include <cstdint>
#include <deque>
#include <map>
#include <string>
#include <vector>

namespace morvi::fake {

using d2xx::FT_STATUS;

// The chip's latency timer until the program sets it.
inline constexpr int defaultLatencyMs = 16;

using Clock = std::chrono::steady_clock;

// A byte on its way from the transmitter; the adapter has it from ready on.
struct Incoming {
    Clock::time_point ready;
    std::uint8_t byte;
};

struct Device {
    std::string serial;
    bool open = false;
};

// What sits behind the adapter when a test attaches a transmitter.
struct Transmitter {
    bool attached = false;
    std::array<std::uint8_t, 128> memory{};
    enum class Expect { command, readAddress, writeAddress, writeData } expect = Expect::command;
    std::uint8_t address = 0;
    int requests = 0;
    int silentFrom = -1;
    std::map<int, std::uint8_t> corrupt;
    std::map<int, std::uint8_t> extra;
    std::map<int, std::uint8_t> late;
    std::map<int, std::uint8_t> stuck;
    std::map<int, std::uint8_t> fading;
    bool lagArmed = false;
    std::uint8_t lagFirst = 0;
    bool wroteLast = false; // address 125 written, no read since
    bool lagging = false;
    std::uint8_t pending = 0;
    // Timing: each answer comes delay after its request is complete; with a
    // baud rate every byte takes its wire time in both directions.
    Clock::duration delay{};
    int baud = 0;
    Clock::time_point outbound{};
    Clock::time_point inbound{};
};

struct State {
    std::vector<Device> devices; // index order; pulled devices are removed
    std::map<std::uintptr_t, std::string> handles;
    std::uintptr_t nextHandle = 1;
    std::map<std::string, FT_STATUS> failures;
    std::vector<std::string> calls;
    std::deque<Incoming> rx;
    std::vector<std::uint8_t> tx;
    Transmitter transmitter;
    // The chip's latency timer: while the transmitter is paced, a received
    // byte reaches the host only when the timer next runs out, counted from
    // the device's open.
    Clock::duration latency = std::chrono::milliseconds(defaultLatencyMs);
    Clock::time_point latencyEpoch = Clock::now();
};

State &state();
// The bytes the adapter has received by now.
std::size_t readyCount();
// The transmitter's side of the wire: requests are picked out of the stream.
void hear(const std::uint8_t *bytes, std::uint32_t count);

} // namespace morvi::fake
