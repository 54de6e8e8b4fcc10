#include "serial_link.h"

#include "qserial_port.h"

namespace morvi::link {

SerialLink::SerialLink(QObject *parent) : SerialLink(std::make_unique<PortMap>(), parent) {}

SerialLink::SerialLink(std::unique_ptr<PortMap> map, QObject *parent)
    : SerialLink(std::make_unique<QtSerialPort>(map->resolve()), parent)
{
    portMap_ = std::move(map);
    mappedPort_ = static_cast<QtSerialPort *>(port_.get());
}

SerialLink::SerialLink(std::unique_ptr<SerialPort> port, QObject *parent) : QObject(parent), port_(std::move(port))
{
    timercloseport_.setSingleShot(true);
    timercloseport_.setInterval(closeDelayMs);
    connect(&timercloseport_, &QTimer::timeout, this, &SerialLink::timercloseportTimer);
}

SerialLink::~SerialLink() = default;

bool SerialLink::portItemEnabled(int n) const { return n >= 1 && n <= portCount && itemEnabled_[n - 1]; }

void SerialLink::MKommunikationClick()
{
    // Closing the port now would cut the transfer off half way.
    if (inTransfer_) return;
    const QString selected = port_->name();
    for (int n = 1; n <= portCount; ++n) {
        // Each step only if the one before succeeded; one failure marks the port.
        const bool usable =
            port_->close() && port_->setName(PortResolver::portName(n)) && port_->open() && port_->close();
        itemEnabled_[n - 1] = usable;
        comavailable_[n - 1] = usable;
    }
    port_->close();
    port_->setName(selected);
}

bool SerialLink::comok(const QString &portName) const
{
    const int n = PortResolver::portNumber(portName);
    return n == 0 || comavailable_[n - 1];
}

void SerialLink::refreshPorts()
{
    if (mappedPort_) mappedPort_->setResolver(portMap_->resolve());
}

QString SerialLink::portTip(int n) const
{
    const QString device = port_->device(PortResolver::portName(n));
    return PortResolver::portName(n) + QStringLiteral(": ") +
           (device.isEmpty() ? QStringLiteral("kein Gerät zugeordnet") : device);
}

bool SerialLink::setupport(const QString &auswahl)
{
    refreshPorts();
    if (!port_->setName(auswahl) || !port_->close() || !port_->open() || !port_->clear(SerialPort::both)) {
        // Said before the caller's error line: which device, and why.
        const QString why = port_->openFailure();
        if (reporter_ && !why.isEmpty()) reporter_->showinfo(why.toStdString(), colour::red, 0);
        return false;
    }
    if (bytepos_ != nullptr) *bytepos_ = 0;
    return true;
}

void SerialLink::timercloseportTimer()
{
    timercloseport_.stop();
    // A port that fails to close is left to the next open.
    [[maybe_unused]] const bool closed = port_->close();
    if (stopUsbPoll_) stopUsbPoll_();
}

void SerialLink::portChosen(int n, Reporter &reporter)
{
    if (n < 1 || n > portCount) return;
    const QString name = PortResolver::portName(n);
    port_->setName(name);
    reporter.showinfo("gewählter COM-Port: " + name.toStdString(), colour::black, option::block);
}

} // namespace morvi::link
