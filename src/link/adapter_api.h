#pragma once

// The twelve library calls D2XXUnit makes, whichever library answers them:
// the vendor's own, or libftdi1 behind the same calls. Each keeps the vendor
// library's arguments, results and statuses; an empty entry fails as if the
// library were missing.

#include "d2xx_api.h"

#include <QString>
#include <cstdint>
#include <functional>

namespace morvi::link {

struct AdapterApi {
    using FT_STATUS = d2xx::FT_STATUS;
    using FT_HANDLE = d2xx::FT_HANDLE;

    std::function<FT_STATUS(void *arg1, void *arg2, std::uint32_t flags)> listDevices;
    std::function<FT_STATUS(void *arg, std::uint32_t flags, FT_HANDLE *handle)> openEx;
    std::function<FT_STATUS(FT_HANDLE handle)> close;
    std::function<FT_STATUS(FT_HANDLE handle, void *buffer, std::uint32_t toRead, std::uint32_t *read)> read;
    std::function<FT_STATUS(FT_HANDLE handle, void *buffer, std::uint32_t toWrite, std::uint32_t *written)> write;
    std::function<FT_STATUS(FT_HANDLE handle, std::uint32_t baudRate)> setBaudRate;
    std::function<FT_STATUS(FT_HANDLE handle, std::uint8_t wordLength, std::uint8_t stopBits, std::uint8_t parity)>
        setDataCharacteristics;
    std::function<FT_STATUS(FT_HANDLE handle, std::uint16_t flowControl, std::uint8_t xon, std::uint8_t xoff)>
        setFlowControl;
    std::function<FT_STATUS(FT_HANDLE handle, std::uint32_t mask)> purge;
    std::function<FT_STATUS(FT_HANDLE handle, std::uint32_t readTimeout, std::uint32_t writeTimeout)> setTimeouts;
    std::function<FT_STATUS(FT_HANDLE handle, std::uint32_t *rxBytes)> getQueueStatus;
    std::function<FT_STATUS(FT_HANDLE handle, std::uint32_t *rxBytes, std::uint32_t *txBytes,
                            std::uint32_t *eventStatus)>
        getStatus;
};

// A line for the info window about the adapter (a device that cannot be
// opened, and why). The backends say each thing once, not at every search.
using AdapterNotice = std::function<void(const QString &text)>;

} // namespace morvi::link
