#include "usb_link.h"

#include <algorithm>

namespace morvi::link {

UsbLink::UsbLink(Reporter &reporter, QObject *parent) : UsbLink(reporter, std::make_unique<D2XXUnit>(), parent) {}

UsbLink::UsbLink(Reporter &reporter, std::unique_ptr<D2XXUnit> unit, QObject *parent)
    : QObject(parent), reporter_(reporter), unit_(std::move(unit))
{
    timerUSBsearch_.setObjectName(QStringLiteral("timerUSBsearch"));
    timerUSBsearch_.setInterval(searchIntervalMs);
    connect(&timerUSBsearch_, &QTimer::timeout, this, &UsbLink::timerUSBsearchTimer);
    // What keeps an adapter from opening is said once, not hidden behind the retries.
    unit_->setNotice(
        [this](const QString &text) { reporter_.showinfo(text.toStdString(), colour::red, option::block); });
}

UsbLink::~UsbLink()
{
    if (usbmode_) unit_->Close_USB_Device();
}

void UsbLink::arm(bool usbmode) { timerUSBsearch_.start(usbmode ? checkIntervalMs : searchIntervalMs); }

void UsbLink::refresh()
{
    if (refresh_) refresh_();
}

void UsbLink::OpenFTDI()
{
    usbmode_ = false;
    unit_->errorReport = false;
    // A failed count leaves the previous one; the loop trusts whatever is there.
    unit_->GetFTDeviceCount();
    for (std::uint32_t index = 0; index < unit_->deviceCount; ++index) {
        try {
            // Once an adapter is open its name stays: the found message must name it, not the generic text.
            if (unit_->GetFTDeviceSerialNo(index) == d2xx::FT_OK && !usbmode_)
                displayName_ = QStringLiteral("USB-Adapter gefunden");
            const std::string serial = unit_->serialNumberText();
            const QString candidate = QString::fromLatin1(
                serial.data(), static_cast<qsizetype>(std::min<std::size_t>(serial.size(), nameLength)));
            if (candidate.size() < makerPrefix.size()) continue;
            const QString prefix = candidate.left(makerPrefix.size());
            if (prefix != adapterprefix_ && prefix != makerPrefix) continue;
            // The last adapter opened is kept; an earlier one is closed, not leaked.
            const D2XXUnit::FT_HANDLE earlier = usbmode_ ? unit_->handle : nullptr;
            if (unit_->Open_USB_Device_By_Serial_Number(serial) != d2xx::FT_OK) {
                unit_->handle = earlier;
                continue;
            }
            if (earlier != nullptr) unit_->Close_USB_Device(earlier);
            displayName_ = candidate;
            // The adapter's line to the transmitter; the statuses are not looked at.
            unit_->baudRate = 9600;
            unit_->Set_USB_Device_BaudRate();
            unit_->wordLength = d2xx::FT_BITS_8;
            unit_->stopBits = d2xx::FT_STOP_BITS_1;
            unit_->parity = d2xx::FT_PARITY_NONE;
            unit_->Set_USB_Device_DataCharacteristics();
            unit_->flowControl = d2xx::FT_FLOW_NONE;
            unit_->xon = 0x11;
            unit_->xoff = 0x13;
            unit_->Set_USB_Device_FlowControl();
            unit_->Set_USB_Device_TimeOuts(1, 1);
            usbmode_ = true;
            refresh();
        } catch (...) {
            // Ends the work on this device only.
        }
    }
}

void UsbLink::checkPresence()
{
    unit_->errorReport = false;
    if (unit_->Get_USB_Device_Status() == d2xx::FT_OK) return;
    usbmode_ = false;
    const std::string name = displayName_.toStdString();
    reporter_.showinfo("! USB-Adapter " + name + " nicht mehr gefunden !", colour::red, option::timeStamp);
    reporter_.showinfo("RS232-Kommunikation wieder aktiviert !", colour::green, 0);
    timerUSBsearch_.stop();
    unit_->Close_USB_Device();
    emit adapterLost();
    refresh();
}

void UsbLink::search()
{
    OpenFTDI();
    if (!usbmode_) return;
    reporter_.beep();
    reporter_.showinfo("USB-Adapter " + displayName_.toStdString() + " gefunden", colour::green, option::timeStamp);
    reporter_.showinfo("! RS232-Kommunikation deaktiviert !", colour::red, 0);
    reporter_.showinfo("Zur Programmierung Aktivieradapter verwenden", colour::purple, option::blankAfter);
    timerUSBsearch_.stop();
    refresh();
}

void UsbLink::timerUSBsearchTimer()
{
    try {
        if (usbmode_)
            checkPresence();
        else
            search();
    } catch (...) {
        // Swallowed: the timer keeps its setting and the next tick tries again.
    }
}

} // namespace morvi::link
