// The transmitter behind the fake adapter: requests picked out of what the
// program writes, answers queued with their arrival time, and the faults the
// tests ask for.
#include "fake_ftd2xx.h"
#include "fake_state.h"

#include <algorithm>

namespace morvi::fake {

State &state()
{
    static State s;
    return s;
}

namespace {

// How far a "late" byte trails the answer before it: two byte times at 9600 baud.
constexpr auto lateBy = std::chrono::milliseconds(2);

Clock::duration byteTime(int baud)
{
    return std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(10.0 / baud));
}

} // namespace

std::size_t readyCount()
{
    const Clock::time_point now = Clock::now();
    const auto &rx = state().rx;
    return static_cast<std::size_t>(
        std::count_if(rx.begin(), rx.end(), [&](const Incoming &in) { return in.ready <= now; }));
}

namespace {

// A paced transmitter's answer waits in the chip until its latency timer runs out.
Clock::time_point heldBack(Clock::time_point ready)
{
    const State &s = state();
    const Clock::duration since = ready - s.latencyEpoch;
    const auto ticks = (since + s.latency - Clock::duration(1)) / s.latency;
    return s.latencyEpoch + ticks * s.latency;
}

void answerWith(std::uint8_t byte, Clock::time_point complete)
{
    Transmitter &t = state().transmitter;
    Clock::time_point ready = complete + t.delay;
    if (t.baud > 0) ready = heldBack(t.inbound = std::max(t.inbound, ready) + byteTime(t.baud));
    auto &rx = state().rx;
    if (!rx.empty()) ready = std::max(ready, rx.back().ready);
    rx.push_back({ready, byte});
}

// One complete request reaches the transmitter.
void request(bool write, std::uint8_t address, std::uint8_t data, Clock::time_point complete)
{
    State &s = state();
    Transmitter &t = s.transmitter;
    const int n = t.requests++;
    if (t.silentFrom >= 0 && n >= t.silentFrom) return;
    const std::size_t cell = address % t.memory.size();
    std::uint8_t echo = data;
    if (write) {
        if (const auto it = t.stuck.find(static_cast<int>(cell)); it != t.stuck.end())
            t.memory[cell] = it->second;
        else if (const auto fade = t.fading.find(static_cast<int>(cell)); fade != t.fading.end())
            t.memory[cell] = fade->second;
        else
            t.memory[cell] = data;
        if (t.fading.count(static_cast<int>(cell)) == 0) echo = t.memory[cell];
        t.wroteLast = cell == 125;
    } else if (t.lagArmed) {
        // The read-back after a whole write phase trails; a read phase that starts over does not.
        if (t.wroteLast) {
            t.lagging = true;
            t.pending = t.lagFirst;
        } else if (cell == 0) {
            t.lagging = false;
        }
        t.wroteLast = false;
    }
    std::uint8_t answer = write ? echo : t.memory[cell];
    if (!write && t.lagging) std::swap(answer, t.pending);
    if (const auto it = t.corrupt.find(n); it != t.corrupt.end()) answer = it->second;
    answerWith(answer, complete);
    if (const auto it = t.extra.find(n); it != t.extra.end()) answerWith(it->second, complete);
    if (const auto it = t.late.find(n); it != t.late.end()) answerWith(it->second, complete + lateBy);
}

} // namespace

void hear(const std::uint8_t *bytes, std::uint32_t count)
{
    Transmitter &t = state().transmitter;
    const Clock::time_point now = Clock::now();
    Clock::time_point arrival = now;
    if (t.baud > 0) arrival = t.outbound = std::max(t.outbound, now);
    for (std::uint32_t i = 0; i < count; ++i) {
        if (t.baud > 0) arrival = t.outbound = t.outbound + byteTime(t.baud);
        const std::uint8_t b = bytes[i];
        switch (t.expect) {
        case Transmitter::Expect::command:
            if (b == 0xD0) t.expect = Transmitter::Expect::readAddress;
            if (b == 0xD5) t.expect = Transmitter::Expect::writeAddress;
            break;
        case Transmitter::Expect::readAddress:
            t.expect = Transmitter::Expect::command;
            request(false, b, 0, arrival);
            break;
        case Transmitter::Expect::writeAddress:
            t.address = b;
            t.expect = Transmitter::Expect::writeData;
            break;
        case Transmitter::Expect::writeData:
            t.expect = Transmitter::Expect::command;
            request(true, t.address, b, arrival);
            break;
        }
    }
}

} // namespace morvi::fake

using namespace morvi::fake;

extern "C" {

void fake_ftd2xx_tx_attach(const std::uint8_t *memory)
{
    Transmitter &t = state().transmitter;
    t = Transmitter{};
    if (!memory) return;
    t.attached = true;
    std::copy_n(memory, t.memory.size(), t.memory.begin());
}

void fake_ftd2xx_tx_memory(std::uint8_t *out)
{
    const auto &memory = state().transmitter.memory;
    std::copy(memory.begin(), memory.end(), out);
}

int fake_ftd2xx_tx_requests() { return state().transmitter.requests; }

void fake_ftd2xx_tx_timing(int delayMs, int baud)
{
    Transmitter &t = state().transmitter;
    t.delay = std::chrono::milliseconds(std::max(delayMs, 0));
    t.baud = std::max(baud, 0);
}

void fake_ftd2xx_tx_fault(const char *kind, int n, std::uint8_t value)
{
    Transmitter &t = state().transmitter;
    const std::string k = kind ? kind : "";
    if (k == "silent")
        t.silentFrom = n;
    else if (k == "corrupt")
        t.corrupt[n] = value;
    else if (k == "extra")
        t.extra[n] = value;
    else if (k == "late")
        t.late[n] = value;
    else if (k == "stuck") {
        t.stuck[n] = value;
        t.memory[static_cast<std::size_t>(n) % t.memory.size()] = value;
    } else if (k == "fade") {
        t.fading[n] = value;
    } else if (k == "lag") {
        t.lagArmed = true;
        t.lagFirst = value;
    }
}

} // extern "C"
