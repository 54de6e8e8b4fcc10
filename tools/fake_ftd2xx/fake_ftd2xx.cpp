// A stand-in for the USB adapter library: a table of plugged-in devices kept
// in memory, every call recorded with its arguments, failures on demand.
#include "fake_ftd2xx.h"
#include "fake_state.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <type_traits>

using namespace morvi::d2xx;

namespace morvi::fake {
namespace {

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

} // namespace
} // namespace morvi::fake

using namespace morvi::fake;

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
        s.latency = std::chrono::milliseconds(defaultLatencyMs);
        s.latencyEpoch = Clock::now();
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

// The chip takes 1 to 255 ms (the vendor library documents 2 as the least).
FT_STATUS FT_SetLatencyTimer(FT_HANDLE handle, std::uint8_t latency)
{
    const FT_STATUS failure = enter("FT_SetLatencyTimer", handleText(handle) + " " + std::to_string(latency));
    if (failure != FT_OK) return failure;
    Device *d = nullptr;
    if (const FT_STATUS status = device(handle, &d); status != FT_OK) return status;
    if (latency < 1) return FT_INVALID_PARAMETER;
    state().latency = std::chrono::milliseconds(latency);
    return FT_OK;
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
static_assert(std::is_same_v<decltype(&FT_SetLatencyTimer), FT_SetLatencyTimer_t>);
