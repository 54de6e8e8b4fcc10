// A stand-in for the USB adapter library: a table of plugged-in devices kept
// in memory, every call recorded with its arguments, failures on demand.
#include "fake_ftd2xx.h"

#include "d2xx_api.h"

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <deque>
#include <map>
#include <string>
#include <type_traits>
#include <vector>

using namespace morvi::d2xx;

namespace {

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
};

State &state()
{
    static State s;
    return s;
}

std::string hex(std::uint32_t value)
{
    char text[16];
    std::snprintf(text, sizeof text, "0x%X", value);
    return text;
}

// Records the call; returns the failure set for it, if any.
FT_STATUS enter(const char *name, const std::string &args)
{
    State &s = state();
    const std::string line = args.empty() ? std::string(name) : std::string(name) + " " + args;
    s.calls.push_back(line);
    for (const auto &[key, status] : s.failures)
        if (line == key || line.starts_with(key + " ")) return status;
    return FT_OK;
}

std::string handleText(FT_HANDLE handle) { return "#" + std::to_string(reinterpret_cast<std::uintptr_t>(handle)); }

// The device behind an open handle, or the status for a bad one.
FT_STATUS device(FT_HANDLE handle, Device **found)
{
    State &s = state();
    const auto it = s.handles.find(reinterpret_cast<std::uintptr_t>(handle));
    if (it == s.handles.end()) return FT_INVALID_HANDLE;
    for (Device &d : s.devices)
        if (d.serial == it->second) {
            *found = &d;
            return FT_OK;
        }
    return FT_IO_ERROR;
}

Clock::duration byteTime(int baud)
{
    return std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(10.0 / baud));
}

// The bytes the adapter has received by now.
std::size_t readyCount()
{
    const Clock::time_point now = Clock::now();
    const auto &rx = state().rx;
    return static_cast<std::size_t>(
        std::count_if(rx.begin(), rx.end(), [&](const Incoming &in) { return in.ready <= now; }));
}

void answerWith(std::uint8_t byte, Clock::time_point complete)
{
    Transmitter &t = state().transmitter;
    Clock::time_point ready = complete + t.delay;
    if (t.baud > 0) ready = t.inbound = std::max(t.inbound, ready) + byteTime(t.baud);
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
}

// The transmitter's side of the wire: requests are picked out of the stream.
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

} // namespace

extern "C" {

FT_STATUS FT_ListDevices(void *arg1, void *arg2, std::uint32_t flags)
{
    State &s = state();
    if (flags & FT_LIST_NUMBER_ONLY) {
        const FT_STATUS failure = enter("FT_ListDevices", "number " + hex(flags) + (arg2 ? " arg2" : " null"));
        if (failure != FT_OK) return failure;
        if (!arg1) return FT_INVALID_PARAMETER;
        *static_cast<std::uint32_t *>(arg1) = static_cast<std::uint32_t>(s.devices.size());
        return FT_OK;
    }
    const auto index = reinterpret_cast<std::uintptr_t>(arg1);
    const FT_STATUS failure = enter("FT_ListDevices", "index " + std::to_string(index) + " " + hex(flags));
    if (failure != FT_OK) return failure;
    if (!(flags & FT_LIST_BY_INDEX) || !(flags & FT_OPEN_BY_SERIAL_NUMBER) || !arg2) return FT_INVALID_PARAMETER;
    if (index >= s.devices.size()) return FT_DEVICE_NOT_FOUND;
    const std::string &serial = s.devices[index].serial;
    const std::size_t n = std::min<std::size_t>(serial.size(), serialNumberBufferSize - 1);
    std::memcpy(arg2, serial.data(), n);
    static_cast<char *>(arg2)[n] = '\0';
    return FT_OK;
}

FT_STATUS FT_OpenEx(void *arg, std::uint32_t flags, FT_HANDLE *handle)
{
    const std::string serial = arg ? static_cast<const char *>(arg) : "";
    const FT_STATUS failure = enter("FT_OpenEx", serial + " " + std::to_string(flags));
    if (failure != FT_OK) return failure;
    if (flags != FT_OPEN_BY_SERIAL_NUMBER || !handle) return FT_INVALID_PARAMETER;
    State &s = state();
    for (Device &d : s.devices) {
        if (d.serial != serial) continue;
        if (d.open) return FT_DEVICE_NOT_OPENED;
        d.open = true;
        const std::uintptr_t id = s.nextHandle++;
        s.handles[id] = serial;
        *handle = reinterpret_cast<FT_HANDLE>(id);
        return FT_OK;
    }
    return FT_DEVICE_NOT_FOUND;
}

FT_STATUS FT_Close(FT_HANDLE handle)
{
    const FT_STATUS failure = enter("FT_Close", handleText(handle));
    if (failure != FT_OK) return failure;
    State &s = state();
    const auto it = s.handles.find(reinterpret_cast<std::uintptr_t>(handle));
    if (it == s.handles.end()) return FT_INVALID_HANDLE;
    for (Device &d : s.devices)
        if (d.serial == it->second) d.open = false;
    s.handles.erase(it);
    return FT_OK;
}

FT_STATUS FT_Read(FT_HANDLE handle, void *buffer, std::uint32_t toRead, std::uint32_t *read)
{
    const FT_STATUS failure = enter("FT_Read", handleText(handle) + " " + std::to_string(toRead));
    if (read) *read = 0;
    if (failure != FT_OK) return failure;
    Device *d = nullptr;
    if (const FT_STATUS status = device(handle, &d); status != FT_OK) return status;
    if (!buffer || !read) return FT_INVALID_PARAMETER;
    State &s = state();
    const std::size_t ready = readyCount();
    std::uint32_t n = 0;
    for (; n < toRead && n < ready; ++n) {
        static_cast<std::uint8_t *>(buffer)[n] = s.rx.front().byte;
        s.rx.pop_front();
    }
    *read = n;
    return FT_OK;
}

FT_STATUS FT_Write(FT_HANDLE handle, void *buffer, std::uint32_t toWrite, std::uint32_t *written)
{
    const FT_STATUS failure = enter("FT_Write", handleText(handle) + " " + std::to_string(toWrite));
    if (written) *written = 0;
    if (failure != FT_OK) return failure;
    Device *d = nullptr;
    if (const FT_STATUS status = device(handle, &d); status != FT_OK) return status;
    if (!buffer || !written) return FT_INVALID_PARAMETER;
    const auto *bytes = static_cast<const std::uint8_t *>(buffer);
    state().tx.insert(state().tx.end(), bytes, bytes + toWrite);
    if (state().transmitter.attached) hear(bytes, toWrite);
    *written = toWrite;
    return FT_OK;
}

// The calls that only set something up: recorded, then checked against the handle.
FT_STATUS FT_SetBaudRate(FT_HANDLE handle, std::uint32_t baudRate)
{
    const FT_STATUS failure = enter("FT_SetBaudRate", handleText(handle) + " " + std::to_string(baudRate));
    Device *d = nullptr;
    return failure != FT_OK ? failure : device(handle, &d);
}

FT_STATUS FT_SetDataCharacteristics(FT_HANDLE handle, std::uint8_t wordLength, std::uint8_t stopBits,
                                    std::uint8_t parity)
{
    const FT_STATUS failure =
        enter("FT_SetDataCharacteristics", handleText(handle) + " " + std::to_string(wordLength) + " " +
                                               std::to_string(stopBits) + " " + std::to_string(parity));
    Device *d = nullptr;
    return failure != FT_OK ? failure : device(handle, &d);
}

FT_STATUS FT_SetFlowControl(FT_HANDLE handle, std::uint16_t flowControl, std::uint8_t xon, std::uint8_t xoff)
{
    const FT_STATUS failure = enter("FT_SetFlowControl", handleText(handle) + " " + std::to_string(flowControl) + " " +
                                                             hex(xon) + " " + hex(xoff));
    Device *d = nullptr;
    return failure != FT_OK ? failure : device(handle, &d);
}

FT_STATUS FT_Purge(FT_HANDLE handle, std::uint32_t mask)
{
    const FT_STATUS failure = enter("FT_Purge", handleText(handle) + " " + std::to_string(mask));
    if (failure != FT_OK) return failure;
    Device *d = nullptr;
    if (const FT_STATUS status = device(handle, &d); status != FT_OK) return status;
    // What is still on its way arrives after the purge.
    if (mask & FT_PURGE_RX)
        state().rx.erase(state().rx.begin(), state().rx.begin() + static_cast<std::ptrdiff_t>(readyCount()));
    return FT_OK;
}

FT_STATUS FT_SetTimeouts(FT_HANDLE handle, std::uint32_t readTimeout, std::uint32_t writeTimeout)
{
    const FT_STATUS failure = enter("FT_SetTimeouts", handleText(handle) + " " + std::to_string(readTimeout) + " " +
                                                          std::to_string(writeTimeout));
    Device *d = nullptr;
    return failure != FT_OK ? failure : device(handle, &d);
}

FT_STATUS FT_GetQueueStatus(FT_HANDLE handle, std::uint32_t *rxBytes)
{
    const FT_STATUS failure = enter("FT_GetQueueStatus", handleText(handle));
    if (failure != FT_OK) return failure;
    Device *d = nullptr;
    if (const FT_STATUS status = device(handle, &d); status != FT_OK) return status;
    if (!rxBytes) return FT_INVALID_PARAMETER;
    *rxBytes = static_cast<std::uint32_t>(readyCount());
    return FT_OK;
}

FT_STATUS FT_GetStatus(FT_HANDLE handle, std::uint32_t *rxBytes, std::uint32_t *txBytes, std::uint32_t *eventStatus)
{
    const FT_STATUS failure = enter("FT_GetStatus", handleText(handle));
    if (failure != FT_OK) return failure;
    Device *d = nullptr;
    if (const FT_STATUS status = device(handle, &d); status != FT_OK) return status;
    if (!rxBytes || !txBytes || !eventStatus) return FT_INVALID_PARAMETER;
    *rxBytes = static_cast<std::uint32_t>(readyCount());
    *txBytes = 0;
    *eventStatus = 0;
    return FT_OK;
}

void fake_ftd2xx_reset() { state() = State{}; }

void fake_ftd2xx_add_device(const char *serialNumber) { state().devices.push_back({serialNumber, false}); }

int fake_ftd2xx_remove_device(const char *serialNumber)
{
    auto &devices = state().devices;
    const auto it =
        std::find_if(devices.begin(), devices.end(), [&](const Device &d) { return d.serial == serialNumber; });
    if (it == devices.end()) return 0;
    devices.erase(it);
    return 1;
}

void fake_ftd2xx_fail(const char *call, std::uint32_t status)
{
    if (status == FT_OK)
        state().failures.erase(call);
    else
        state().failures[call] = status;
}

int fake_ftd2xx_call_count() { return static_cast<int>(state().calls.size()); }

const char *fake_ftd2xx_call(int index)
{
    const auto &calls = state().calls;
    return index >= 0 && index < static_cast<int>(calls.size()) ? calls[static_cast<std::size_t>(index)].c_str() : "";
}

void fake_ftd2xx_clear_calls() { state().calls.clear(); }

void fake_ftd2xx_feed(const std::uint8_t *bytes, std::uint32_t count)
{
    const Clock::time_point now = Clock::now();
    for (std::uint32_t i = 0; i < count; ++i)
        state().rx.push_back({now, bytes[i]});
}

std::uint32_t fake_ftd2xx_written(std::uint8_t *out, std::uint32_t max)
{
    const auto &tx = state().tx;
    if (out) std::copy_n(tx.begin(), std::min<std::size_t>(max, tx.size()), out);
    return static_cast<std::uint32_t>(tx.size());
}

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

// The entry points must match what the wrapper calls through.
static_assert(std::is_same_v<decltype(&FT_ListDevices), FT_ListDevices_t>);
static_assert(std::is_same_v<decltype(&FT_OpenEx), FT_OpenEx_t>);
static_assert(std::is_same_v<decltype(&FT_Close), FT_Close_t>);
static_assert(std::is_same_v<decltype(&FT_Read), FT_Read_t>);
static_assert(std::is_same_v<decltype(&FT_Write), FT_Write_t>);
static_assert(std::is_same_v<decltype(&FT_SetBaudRate), FT_SetBaudRate_t>);
static_assert(std::is_same_v<decltype(&FT_SetDataCharacteristics), FT_SetDataCharacteristics_t>);
static_assert(std::is_same_v<decltype(&FT_SetFlowControl), FT_SetFlowControl_t>);
static_assert(std::is_same_v<decltype(&FT_Purge), FT_Purge_t>);
static_assert(std::is_same_v<decltype(&FT_SetTimeouts), FT_SetTimeouts_t>);
static_assert(std::is_same_v<decltype(&FT_GetQueueStatus), FT_GetQueueStatus_t>);
static_assert(std::is_same_v<decltype(&FT_GetStatus), FT_GetStatus_t>);
