#include "qserial_port.h"

#include "port_failure.h"
#include "serial_latency.h"

#include <QDeadlineTimer>
#include <QMetaObject>
#include <algorithm>

#if defined(Q_OS_UNIX)
#include <termios.h>
#elif defined(Q_OS_WIN)
#include <windows.h>
#endif

namespace morvi::link {

QtSerialPort::QtSerialPort(PortResolver resolver, QObject *parent) : QObject(parent), resolver_(std::move(resolver))
{
    connect(&port_, &QSerialPort::readyRead, this, [this] {
        takeArrived();
        announce();
    });
}

QtSerialPort::~QtSerialPort() { close(); }

bool QtSerialPort::setName(const QString &name)
{
    if (name == name_) return true;
    name_ = name;
    if (!isOpen()) return true;
    return close() && open();
}

bool QtSerialPort::open()
{
    if (isOpen()) return true;
    openFailure_.clear();
    const QString device = resolver_.device(name_);
    if (device.isEmpty()) {
        openFailure_ = openFailureText(name_, device, QSerialPort::DeviceNotFoundError);
        return false;
    }
    port_.setPortName(device);
    port_.setBaudRate(QSerialPort::Baud9600);
    port_.setDataBits(QSerialPort::Data8);
    port_.setParity(QSerialPort::NoParity);
    port_.setStopBits(QSerialPort::OneStop);
    port_.setFlowControl(QSerialPort::NoFlowControl);
    received_.clear();
    unannounced_ = 0;
    if (!port_.open(QIODevice::ReadWrite)) {
        openFailure_ = openFailureText(name_, device, port_.error());
        return false;
    }
    // Both lines stay off. A device without modem lines (a pseudo-terminal)
    // has nothing to hold off and refuses; only other errors count.
    const auto refused = [this](bool done) { return !done && port_.error() != QSerialPort::UnsupportedOperationError; };
    if (refused(port_.setDataTerminalReady(false)) || refused(port_.setRequestToSend(false))) {
        port_.close();
        openFailure_ = openFailureText(name_, device, QSerialPort::UnknownError);
        return false;
    }
    port_.clearError();
#if defined(Q_OS_UNIX)
    // Where the converter allows it, answers are not held back for its latency timer.
    requestLowLatency(static_cast<int>(port_.handle()));
#endif
    return true;
}

bool QtSerialPort::close()
{
    received_.clear();
    unannounced_ = 0;
    if (!isOpen()) return true;
    port_.clearError();
    port_.close();
    return port_.error() == QSerialPort::NoError;
}

bool QtSerialPort::clear(Buffer which)
{
    if (which & input) {
        received_.clear();
        unannounced_ = 0;
    }
    if (!isOpen()) return false;
    QSerialPort::Directions directions;
    if (which & input) directions |= QSerialPort::Input;
    if (which & output) directions |= QSerialPort::Output;
    return port_.clear(directions);
}

bool QtSerialPort::send(std::uint8_t byte)
{
    if (!isOpen()) return false;
    const char c = static_cast<char>(byte);
    if (port_.write(&c, 1) != 1) return false;
    // Hand the byte to the system now rather than at the next event-loop turn.
    port_.flush();
    return port_.error() == QSerialPort::NoError;
}

bool QtSerialPort::drain()
{
    if (!isOpen()) return false;
    // First out of Qt's buffer into the system's, then off the wire.
    while (port_.bytesToWrite() > 0)
        if (!port_.waitForBytesWritten(readTimeout(static_cast<std::size_t>(port_.bytesToWrite())))) return false;
#if defined(Q_OS_UNIX)
    return ::tcdrain(static_cast<int>(port_.handle())) == 0;
#elif defined(Q_OS_WIN)
    return ::FlushFileBuffers(port_.handle()) != 0;
#else
    return true;
#endif
}

int QtSerialPort::readFor(std::span<std::uint8_t> buffer, int timeoutMs)
{
    if (!isOpen()) return -1;
    const auto wanted = static_cast<qsizetype>(buffer.size());
    if (received_.size() < wanted) {
        QDeadlineTimer deadline(std::max(timeoutMs, 0), Qt::PreciseTimer);
        port_.clearError();
        reading_ = true;
        while (received_.size() < wanted && isOpen() && !deadline.hasExpired()) {
            takeArrived();
            if (received_.size() >= wanted) break;
            if (!port_.waitForReadyRead(static_cast<int>(deadline.remainingTime()))) {
                if (port_.error() != QSerialPort::TimeoutError) break;
            }
        }
        takeArrived();
        reading_ = false;
        if (!isOpen() || (port_.error() != QSerialPort::NoError && port_.error() != QSerialPort::TimeoutError)) {
            port_.clearError();
            return -1;
        }
        port_.clearError();
    }
    const auto count = std::min(wanted, received_.size());
    std::copy_n(received_.constData(), count, reinterpret_cast<char *>(buffer.data()));
    received_.remove(0, count);
    unannounced_ = std::min(unannounced_, received_.size());
    announceLater();
    return static_cast<int>(count);
}

void QtSerialPort::takeArrived()
{
    const QByteArray bytes = port_.readAll();
    received_.append(bytes);
    unannounced_ += bytes.size();
}

void QtSerialPort::announce()
{
    if (announcing_ || reading_) return;
    announcing_ = true;
    // The handler may read, clear or close; a byte it discarded is not announced.
    while (handler_ && unannounced_ > 0 && !received_.isEmpty()) {
        --unannounced_;
        handler_(static_cast<int>(received_.size()));
    }
    unannounced_ = std::min(unannounced_, received_.size());
    announcing_ = false;
}

void QtSerialPort::announceLater()
{
    if (unannounced_ > 0 && !announcing_)
        QMetaObject::invokeMethod(this, &QtSerialPort::announce, Qt::QueuedConnection);
}

} // namespace morvi::link
