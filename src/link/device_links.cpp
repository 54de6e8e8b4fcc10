#include "device_links.h"

namespace morvi::link {

DeviceLinks::DeviceLinks(Editor &editor, Reporter &reporter, TransferHost &host, std::unique_ptr<SerialLink> serial,
                         const QString &adapterLibrary, ProgrammingRecorder *recorder)
    : serial_(serial ? std::move(serial) : std::make_unique<SerialLink>())
{
    serial_->setReporter(&reporter);
    transfer_ = std::make_unique<Transfer>(editor, reporter, *serial_, host);
    transfer_->setRecorder(recorder);
    usb_ = adapterLibrary.isEmpty() ? std::make_unique<UsbLink>(reporter)
                                    : std::make_unique<UsbLink>(reporter, std::make_unique<D2XXUnit>(adapterLibrary));
    exchange_ = std::make_unique<UsbExchange>(*transfer_, *usb_);
}

DeviceLinks::~DeviceLinks()
{
    exchange_.reset();
    usb_.reset();
    transfer_.reset();
    serial_->port().close();
}

} // namespace morvi::link
