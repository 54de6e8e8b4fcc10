#pragma once

#include "adapter_api.h"
#include "d2xx_api.h"

#include <QString>
#include <QStringList>
#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

namespace morvi::link {

class AdapterLibrary;

// Thin wrapper around the USB adapter library: one device at a time, its
// handle and buffers, and the error report of a failed call. The library is
// loaded on first use, the vendor's own or else libftdi1 behind the same
// calls; when none is there or an entry point is missing, the call fails with
// FT_DEVICE_NOT_FOUND, so a machine without a library simply never finds an
// adapter.
class D2XXUnit {
public:
    using FT_STATUS = d2xx::FT_STATUS;
    using FT_HANDLE = d2xx::FT_HANDLE;
    // Shows the text of a failed call in a modal box with an OK button.
    using ErrorDialog = std::function<void(const QString &text)>;

    static constexpr std::size_t ioBufferSize = 65536;
    static constexpr std::size_t openBufferLength = 49;
    static constexpr FT_STATUS missingStatus = d2xx::FT_DEVICE_NOT_FOUND;

    // The vendor library under its plain or versioned names, else libftdi1.
    D2XXUnit();
    // Only this library, as QLibrary takes it: libftdi1 when it exports
    // ftdi_new, the vendor library otherwise.
    explicit D2XXUnit(QString libraryPath);
    // The first of these that loads.
    explicit D2XXUnit(QStringList libraries);
    ~D2XXUnit();
    D2XXUnit(const D2XXUnit &) = delete;
    D2XXUnit &operator=(const D2XXUnit &) = delete;

    // Forgets the current library; the next call loads the new one.
    void setLibraryPath(const QString &libraryPath);
    // The library loaded, or the first one to try before loading.
    QString libraryPath() const;
    // Loads the library if not tried yet; false when it is missing.
    bool load();
    // Whether the loaded library is libftdi1.
    bool usesLibftdi() const;

    // Without a dialog set, failed calls go to the Qt warning log.
    void setErrorDialog(ErrorDialog dialog) { errorDialog_ = std::move(dialog); }
    // Lines for the info window, such as an adapter that cannot be opened and why.
    void setNotice(AdapterNotice notice) { notice_ = std::move(notice); }
    // The text the error dialog shows for a failed operation.
    static QString errorText(const QString &operation, FT_STATUS status);
    static QString statusText(FT_STATUS status);

    // The operations; each returns the library's status, except Read and Write.
    FT_STATUS GetFTDeviceCount();
    FT_STATUS GetFTDeviceSerialNo(std::uint32_t index);
    FT_STATUS Open_USB_Device_By_Serial_Number(const std::string &serial);
    // Closes the device and forgets its handle, whatever the library says:
    // a handle once closed is never passed again.
    FT_STATUS Close_USB_Device();
    // Closes another handle of this library, leaving the current one.
    FT_STATUS Close_USB_Device(FT_HANDLE other);
    // Bytes read into inBuffer / written from outBuffer; the status goes to ioStatus.
    std::uint32_t Read_USB_Device_Buffer(std::uint32_t count);
    std::uint32_t Write_USB_Device_Buffer(std::uint32_t count);
    FT_STATUS Set_USB_Device_BaudRate();
    FT_STATUS Set_USB_Device_DataCharacteristics();
    FT_STATUS Set_USB_Device_FlowControl();
    FT_STATUS Purge_USB_Device_In();
    FT_STATUS Purge_USB_Device_Out();
    FT_STATUS Set_USB_Device_TimeOuts(std::uint32_t readTimeoutMs, std::uint32_t writeTimeoutMs);
    FT_STATUS Get_USB_Device_QueueStatus();
    FT_STATUS Get_USB_Device_Status();

    // Wrapper state, read and set by the callers as parameters and results.
    FT_HANDLE handle = nullptr;
    bool errorReport = true;
    FT_STATUS ioStatus = d2xx::FT_OK;
    std::uint32_t baudRate = 9600;
    std::uint8_t wordLength = d2xx::FT_BITS_8;
    std::uint8_t stopBits = d2xx::FT_STOP_BITS_1;
    std::uint8_t parity = d2xx::FT_PARITY_NONE;
    std::uint16_t flowControl = d2xx::FT_FLOW_NONE;
    std::uint8_t xon = 0x11;
    std::uint8_t xoff = 0x13;
    std::uint32_t deviceCount = 0;
    std::array<char, d2xx::serialNumberBufferSize> serialNumber{};
    std::uint32_t rxQueue = 0;
    std::uint32_t txQueue = 0;
    std::uint32_t eventStatus = 0;
    // Large, so kept off the stack of whoever owns the wrapper.
    std::unique_ptr<std::array<std::uint8_t, ioBufferSize>> inBuffer;
    std::unique_ptr<std::array<std::uint8_t, ioBufferSize>> outBuffer;
    std::array<char, openBufferLength + 1> openBuffer{};

    // The serial number in the buffer, up to its terminator.
    std::string serialNumberText() const;

private:
    // Entry points, empty while the library or the symbol is missing.
    using Api = AdapterApi;
    const Api &api();
    FT_STATUS report(const char *operation, FT_STATUS status);

    QStringList libraries_;
    bool tried_ = false;
    std::unique_ptr<AdapterLibrary> loaded_;
    Api api_;
    AdapterNotice notice_;
    ErrorDialog errorDialog_;
};

} // namespace morvi::link
