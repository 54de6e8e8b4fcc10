#pragma once

#include "serial_link.h"
#include "transport.h"

#include <QDeadlineTimer>
#include <QObject>
#include <QTimer>
#include <cstdint>

namespace morvi::link {

class Transfer;

// The transfers over the serial link, one request at a time: each answer
// that is taken sends the next request. A run opens with the 25-byte
// preamble, the verify with the 100-byte gap; both must have left the wire
// before the input is cleared. An answer still owed to an abandoned request
// is waited for, at most until its time-out, so that it cannot pass for the
// first answer of the next run.
class SerialTransport : public QObject, public Transport {
    Q_OBJECT
public:
    // Takes over the port's receive handler.
    SerialTransport(Transfer &transfer, SerialLink &link);
    ~SerialTransport() override;

    Quirks quirks() const override { return {}; }
    bool available() const override { return true; }
    bool open() override;
    bool begin(Run run) override;
    bool beginPhase(Phase phase) override;
    void next(Phase phase, std::uint8_t address, std::uint8_t data) override;
    void stop() override;

    // Milliseconds of pause before each request; none or 0 sends at once.
    void setWaitstates(const int *waitstates) { waitstates_ = waitstates; }
    // One request: 0x00 0x00 0x00 befehl addr, and data for the write command.
    // Nothing goes out while the USB adapter is in use.
    void transmit(std::uint8_t befehl, std::uint8_t addr, std::uint8_t data = 0);
    // Sends the request transmit stored, once the waitstates pause is over.
    void timerwaitstateTimer();
    // The answer step, once per received byte.
    void RS232RxChar();
    QTimer &timerwaitstate() { return timerwaitstate_; }

private:
    struct Request {
        std::uint8_t befehl = 0;
        std::uint8_t addr = 0;
        std::uint8_t data = 0;
    };

    void settleAbandoned();
    void sendZeros(int count);
    void clearAfterLeadIn();

    Transfer &transfer_;
    SerialLink &link_;
    const int *waitstates_ = nullptr;
    Request request_;
    // Until when the answer to the last request sent may still come.
    QDeadlineTimer owed_;
    QTimer timerwaitstate_;
};

} // namespace morvi::link
