#pragma once

#include "serial_link.h"
#include "transfer.h"
#include "usb_exchange.h"
#include "usb_link.h"

#include <QString>
#include <memory>

namespace morvi::link {

// The device link as the window and morvi-cli both use it: the serial link,
// the transfer over it, the USB adapter link and the adapter's exchange, wired
// once. Whatever is handed in (editor, reporter, host, recorder) must outlive
// this: the transfer records a run cut off by the end in its destructor.
// The parts go in reverse order: the exchange, the adapter link (closing an
// open adapter), the transfer, and last the serial link, whose port is closed.
class DeviceLinks {
public:
    // serial: the system's COM1..COM4 when empty; adapterLibrary: the
    // system's adapter library when empty. recorder may be null.
    DeviceLinks(Editor &editor, Reporter &reporter, TransferHost &host, std::unique_ptr<SerialLink> serial,
                const QString &adapterLibrary, ProgrammingRecorder *recorder);
    ~DeviceLinks();
    DeviceLinks(const DeviceLinks &) = delete;
    DeviceLinks &operator=(const DeviceLinks &) = delete;

    SerialLink &serial() { return *serial_; }
    Transfer &transfer() { return *transfer_; }
    UsbLink &usb() { return *usb_; }
    UsbExchange &exchange() { return *exchange_; }

private:
    std::unique_ptr<SerialLink> serial_;
    std::unique_ptr<Transfer> transfer_;
    std::unique_ptr<UsbLink> usb_;
    std::unique_ptr<UsbExchange> exchange_;
};

} // namespace morvi::link
