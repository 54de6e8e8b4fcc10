#pragma once

// Control side of the fake adapter library. Tests load the library through
// D2XXUnit and reach these functions through QLibrary::resolve on the same
// file, so both share the one in-memory device table.

#include <cstdint>

extern "C" {

// Forgets every device, handle, failure, recorded call and byte.
void fake_ftd2xx_reset();
// Plugs in / pulls out a device; an open handle to a pulled device fails with FT_IO_ERROR.
void fake_ftd2xx_add_device(const char *serialNumber);
int fake_ftd2xx_remove_device(const char *serialNumber);
// From now on every call whose recorded line is call or starts with call and
// a space returns status without doing anything: "FT_Purge" fails both
// purges, "FT_Purge #1 1" only the receive purge of handle 1. Status 0 lifts
// the failure.
void fake_ftd2xx_fail(const char *call, std::uint32_t status);
// Every entry-point call, as "name arg arg ...", oldest first.
int fake_ftd2xx_call_count();
const char *fake_ftd2xx_call(int index);
void fake_ftd2xx_clear_calls();
// Bytes the device has received from the transmitter, for FT_Read and FT_GetQueueStatus.
void fake_ftd2xx_feed(const std::uint8_t *bytes, std::uint32_t count);
// Copies up to max bytes of everything FT_Write sent; returns how many there are in all.
std::uint32_t fake_ftd2xx_written(std::uint8_t *out, std::uint32_t max);

// A transmitter behind the adapter. While attached, every byte FT_Write sends
// is parsed for read requests (0xD0 address) and write requests (0xD5 address
// data); zero bytes between requests are ignored. Each request is answered at
// once by one byte queued for FT_Read: the memory byte at the address, after a
// write the byte now stored. memory holds 128 bytes; null detaches.
void fake_ftd2xx_tx_attach(const std::uint8_t *memory);
// Copies the transmitter's 128 memory bytes.
void fake_ftd2xx_tx_memory(std::uint8_t *out);
// Requests parsed since attaching.
int fake_ftd2xx_tx_requests();
// Deterministic faults; n counts requests from 0 since attaching:
// "silent"  from request n on nothing is heard or answered;
// "corrupt" request n is answered with value (the memory is not changed);
// "extra"   request n's answer is followed by one more byte, value;
// "late"    request n's answer is followed 2 ms later by one more byte, value;
// "stuck"   address n ignores writes and keeps value;
// "fade"    address n echoes what is written, then holds value;
// "lag"     from the first read after the write of address 125 on, every read
//           answer trails by one request, the first of them being value,
//           until a read of address 0 starts a read phase anew (n unused).
void fake_ftd2xx_tx_fault(const char *kind, int n, std::uint8_t value);
// Each answer reaches the adapter delayMs after its request is complete;
// with a baud rate (9600 for the transmitter's line) every byte also takes its
// wire time in both directions. Until then FT_GetQueueStatus does not count it,
// FT_Read does not return it and FT_Purge does not remove it. A paced
// answer also waits in the chip until its latency timer next runs out (16 ms
// from the open until FT_SetLatencyTimer sets it lower).
void fake_ftd2xx_tx_timing(int delayMs, int baud);
}

using fake_ftd2xx_reset_t = void (*)();
using fake_ftd2xx_add_device_t = void (*)(const char *);
using fake_ftd2xx_remove_device_t = int (*)(const char *);
using fake_ftd2xx_fail_t = void (*)(const char *, std::uint32_t);
using fake_ftd2xx_call_count_t = int (*)();
using fake_ftd2xx_call_t = const char *(*)(int);
using fake_ftd2xx_clear_calls_t = void (*)();
using fake_ftd2xx_feed_t = void (*)(const std::uint8_t *, std::uint32_t);
using fake_ftd2xx_written_t = std::uint32_t (*)(std::uint8_t *, std::uint32_t);
using fake_ftd2xx_tx_attach_t = void (*)(const std::uint8_t *);
using fake_ftd2xx_tx_memory_t = void (*)(std::uint8_t *);
using fake_ftd2xx_tx_requests_t = int (*)();
using fake_ftd2xx_tx_fault_t = void (*)(const char *, int, std::uint8_t);
using fake_ftd2xx_tx_timing_t = void (*)(int, int);
