#pragma once

#include "port_resolver.h"
#include "serial_port.h"

#include <QByteArray>
#include <QObject>
#include <QSerialPort>

namespace morvi::link {

// The serial port on top of QSerialPort. QSerialPort may hand over several
// bytes at once; they are queued here and announced one at a time, so the
// receiver can keep reading exactly one byte per announcement.
class QtSerialPort : public QObject, public SerialPort {
    Q_OBJECT
public:
    explicit QtSerialPort(PortResolver resolver = {}, QObject *parent = nullptr);
    ~QtSerialPort() override;

    // Takes effect at the next open.
    void setResolver(const PortResolver &resolver) { resolver_ = resolver; }
    const PortResolver &resolver() const { return resolver_; }

    bool setName(const QString &name) override;
    QString name() const override { return name_; }
    bool open() override;
    bool close() override;
    bool isOpen() const override { return port_.isOpen(); }
    bool clear(Buffer which) override;
    bool send(std::uint8_t byte) override;
    bool drain() override;
    int readFor(std::span<std::uint8_t> buffer, int timeoutMs) override;
    void setReceiveHandler(ReceiveHandler handler) override { handler_ = std::move(handler); }
    QString device(const QString &name) const override { return resolver_.device(name); }
    QString openFailure() const override { return openFailure_; }

private:
    void takeArrived();
    void announce();
    void announceLater();

    QSerialPort port_;
    PortResolver resolver_;
    QString name_ = QStringLiteral("COM1");
    QByteArray received_;
    // Arrived bytes not yet announced; never more than are waiting.
    qsizetype unannounced_ = 0;
    bool announcing_ = false;
    bool reading_ = false;
    ReceiveHandler handler_;
    QString openFailure_;
};

} // namespace morvi::link
