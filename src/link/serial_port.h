#pragma once

#include <QString>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <span>

namespace morvi::link {

// What the link needs of a serial port. Every operation reports failure by
// its result; the caller decides what to tell the user.
class SerialPort {
public:
    enum Buffer { input = 1, output = 2, both = input | output };
    // Raised on the user-interface thread once per received byte that is still
    // waiting, with the number of bytes waiting.
    using ReceiveHandler = std::function<void(int waiting)>;

    virtual ~SerialPort() = default;

    // Setting the current name does nothing; a port open under another name
    // is closed and opened again under the new one.
    virtual bool setName(const QString &name) = 0;
    virtual QString name() const = 0;
    // 9600 baud, 8N1, no flow control, DTR and RTS off. Opening an open port does nothing.
    virtual bool open() = 0;
    // Closing a closed port does nothing.
    virtual bool close() = 0;
    virtual bool isOpen() const = 0;
    // Discards received bytes not yet read and/or bytes not yet sent.
    virtual bool clear(Buffer which) = 0;
    // Bytes leave in the order of the calls, but a send returns before its
    // byte has left the wire.
    virtual bool send(std::uint8_t byte) = 0;
    // Waits until every byte handed to send has left the wire.
    virtual bool drain() = 0;
    // Up to buffer.size() bytes, waiting at most timeoutMs for them. Gives the
    // number read, or -1 when the port failed or is closed.
    virtual int readFor(std::span<std::uint8_t> buffer, int timeoutMs) = 0;
    // The same with the line's read time-out: 100 ms per byte plus 1000 ms.
    int read(std::span<std::uint8_t> buffer) { return readFor(buffer, readTimeout(buffer.size())); }
    static int readTimeout(std::size_t count) { return 100 * static_cast<int>(count) + 1000; }
    virtual void setReceiveHandler(ReceiveHandler handler) = 0;
    // The device a port name stands for, to show it; empty when unknown.
    virtual QString device(const QString & /*name*/) const { return {}; }
    // Why the last open failed, as a line for the info window; empty when
    // the last open succeeded or the reason is unknown.
    virtual QString openFailure() const { return {}; }
};

} // namespace morvi::link
