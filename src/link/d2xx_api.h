#pragma once

// The C entry points of the USB adapter library as the program calls them,
// and the constants it passes. The library is only ever reached through
// D2XXUnit, which loads it at run time; the fake library used by the tests
// is built against this same header so both sides agree on every value.

#include <cstdint>

namespace morvi::d2xx {

using FT_STATUS = std::uint32_t;
using FT_HANDLE = void *;

// Statuses; anything else non-zero is an unnamed failure.
enum : FT_STATUS {
    FT_OK = 0,
    FT_INVALID_HANDLE = 1,
    FT_DEVICE_NOT_FOUND = 2,
    FT_DEVICE_NOT_OPENED = 3,
    FT_IO_ERROR = 4,
    FT_INSUFFICIENT_RESOURCES = 5,
    FT_INVALID_PARAMETER = 6,
    FT_INVALID_BAUD_RATE = 7,
    FT_DEVICE_NOT_OPENED_FOR_ERASE = 8,
    FT_DEVICE_NOT_OPENED_FOR_WRITE = 9,
    FT_FAILED_TO_WRITE_DEVICE = 10,
    FT_EEPROM_READ_FAILED = 11,
    FT_EEPROM_WRITE_FAILED = 12,
    FT_EEPROM_ERASE_FAILED = 13,
    FT_EEPROM_NOT_PRESENT = 14,
    FT_EEPROM_NOT_PROGRAMMED = 15,
    FT_INVALID_ARGS = 16,
    FT_OTHER_ERROR = 17,
};

// FT_ListDevices flags. With FT_LIST_NUMBER_ONLY the first argument points at
// a 32-bit count; with FT_LIST_BY_INDEX the first argument is the index itself
// and the second a buffer of at least serialNumberBufferSize bytes.
inline constexpr std::uint32_t FT_LIST_NUMBER_ONLY = 0x80000000u;
inline constexpr std::uint32_t FT_LIST_BY_INDEX = 0x40000000u;
// FT_OpenEx flag; also selects the serial number in FT_ListDevices.
inline constexpr std::uint32_t FT_OPEN_BY_SERIAL_NUMBER = 1;

// Room for a serial number and its terminator; the library never writes more.
inline constexpr std::uint32_t serialNumberBufferSize = 64;

inline constexpr std::uint32_t FT_PURGE_RX = 1;
inline constexpr std::uint32_t FT_PURGE_TX = 2;

inline constexpr std::uint8_t FT_BITS_8 = 8;
inline constexpr std::uint8_t FT_STOP_BITS_1 = 0;
inline constexpr std::uint8_t FT_PARITY_NONE = 0;
inline constexpr std::uint16_t FT_FLOW_NONE = 0;

using FT_ListDevices_t = FT_STATUS (*)(void *arg1, void *arg2, std::uint32_t flags);
using FT_OpenEx_t = FT_STATUS (*)(void *arg, std::uint32_t flags, FT_HANDLE *handle);
using FT_Close_t = FT_STATUS (*)(FT_HANDLE handle);
using FT_Read_t = FT_STATUS (*)(FT_HANDLE handle, void *buffer, std::uint32_t toRead, std::uint32_t *read);
using FT_Write_t = FT_STATUS (*)(FT_HANDLE handle, void *buffer, std::uint32_t toWrite, std::uint32_t *written);
using FT_SetBaudRate_t = FT_STATUS (*)(FT_HANDLE handle, std::uint32_t baudRate);
using FT_SetDataCharacteristics_t = FT_STATUS (*)(FT_HANDLE handle, std::uint8_t wordLength, std::uint8_t stopBits,
                                                  std::uint8_t parity);
using FT_SetFlowControl_t = FT_STATUS (*)(FT_HANDLE handle, std::uint16_t flowControl, std::uint8_t xon,
                                          std::uint8_t xoff);
using FT_Purge_t = FT_STATUS (*)(FT_HANDLE handle, std::uint32_t mask);
using FT_SetTimeouts_t = FT_STATUS (*)(FT_HANDLE handle, std::uint32_t readTimeout, std::uint32_t writeTimeout);
using FT_GetQueueStatus_t = FT_STATUS (*)(FT_HANDLE handle, std::uint32_t *rxBytes);
using FT_SetLatencyTimer_t = FT_STATUS (*)(FT_HANDLE handle, std::uint8_t latency);
using FT_GetStatus_t = FT_STATUS (*)(FT_HANDLE handle, std::uint32_t *rxBytes, std::uint32_t *txBytes,
                                     std::uint32_t *eventStatus);

} // namespace morvi::d2xx
