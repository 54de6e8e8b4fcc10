#pragma once

#include "adapter_library.h"

#include <QLibrary>
#include <cstdint>
#include <deque>
#include <map>
#include <memory>
#include <string>

struct ftdi_context;
struct libusb_device;

namespace morvi::link {

// The USB adapter through Debian's libftdi1, loaded at run time, behind the
// same calls as the vendor library. Devices are found by serial number among
// the FTDI devices on the bus; opening one takes it from the kernel's serial
// driver (given back when it is closed). libftdi1 has no receive-queue count,
// so every open device keeps a read-ahead buffer: the queue is what that
// buffer holds after everything the chip has was pulled into it.
class FtdiLibrary final : public AdapterLibrary {
public:
    // The chip sends received bytes on after at most this long (default 16 ms).
    static constexpr unsigned char latencyMs = 1;
    // A USB read that the chip leaves unanswered gives up after this long.
    static constexpr int usbReadTimeoutMs = 100;
    // What a USB transfer needs besides the bytes' time on the line: a few 1-ms frames.
    static constexpr std::uint32_t usbWriteSlackMs = 20;
    // Bytes the read-ahead buffer holds at most; the chip keeps the rest.
    static constexpr std::size_t readAheadLimit = 65536;

    // Null when the library lacks a call this backend needs (libftdi1 before 1.5).
    static std::unique_ptr<FtdiLibrary> create(std::unique_ptr<QLibrary> library, const AdapterNotice &notice);
    ~FtdiLibrary() override;
    Kind kind() const override { return Kind::libftdi1; }

    struct Calls;

private:
    struct Device {
        ftdi_context *context = nullptr;
        std::string serial;
        std::deque<std::uint8_t> ahead;
        std::uint32_t baudRate = 9600;
        std::uint32_t readTimeoutMs = 0;
        std::uint32_t writeTimeoutMs = 0;
    };
    using FT_STATUS = d2xx::FT_STATUS;
    using FT_HANDLE = d2xx::FT_HANDLE;

    FtdiLibrary(std::unique_ptr<QLibrary> library, std::unique_ptr<Calls> calls, const AdapterNotice &notice);
    void bind();

    FT_STATUS listDevices(void *arg1, void *arg2, std::uint32_t flags);
    FT_STATUS openEx(void *arg, std::uint32_t flags, FT_HANDLE *handle);
    FT_STATUS close(FT_HANDLE handle);
    FT_STATUS read(FT_HANDLE handle, void *buffer, std::uint32_t toRead, std::uint32_t *done);
    FT_STATUS write(FT_HANDLE handle, void *buffer, std::uint32_t toWrite, std::uint32_t *done);
    FT_STATUS setBaudRate(FT_HANDLE handle, std::uint32_t baudRate);
    FT_STATUS setDataCharacteristics(FT_HANDLE handle, std::uint8_t wordLength, std::uint8_t stopBits,
                                     std::uint8_t parity);
    FT_STATUS setFlowControl(FT_HANDLE handle, std::uint16_t flowControl, std::uint8_t xon, std::uint8_t xoff);
    FT_STATUS purge(FT_HANDLE handle, std::uint32_t mask);
    FT_STATUS setTimeouts(FT_HANDLE handle, std::uint32_t readTimeout, std::uint32_t writeTimeout);
    FT_STATUS getQueueStatus(FT_HANDLE handle, std::uint32_t *rxBytes);
    FT_STATUS getStatus(FT_HANDLE handle, std::uint32_t *rxBytes, std::uint32_t *txBytes, std::uint32_t *eventStatus);

    Device *device(FT_HANDLE handle);
    ftdi_context *searchContext();
    // The serial number of a listed device, or libftdi1's negative error.
    int readSerial(libusb_device *dev, char *buffer, int size);
    // Moves what the chip has received into the read-ahead buffer; false when the device failed.
    bool pull(Device &d);

    std::unique_ptr<QLibrary> library_;
    std::unique_ptr<Calls> calls_;
    OnceNotices notices_;
    ftdi_context *search_ = nullptr;
    std::map<FT_HANDLE, std::unique_ptr<Device>> devices_;
};

} // namespace morvi::link
