#pragma once

#include "transfer.h"
#include "usb_link.h"

#include <QObject>
#include <QTimer>
#include <array>
#include <cstdint>

namespace morvi::link {

// Reading and programming through the USB adapter. All requests of a phase
// are laid out at once and leave in 64-byte blocks; after each block the
// receive queue is polled, and 150 ms after the first answer byte everything
// waiting is fed into the same phase steps the serial link uses. There is no
// response time-out: a silent transmitter leaves the transfer in its phase.
class UsbExchange : public QObject {
    Q_OBJECT
public:
    static constexpr int blockSize = 64;
    static constexpr int blockLeadZeros = 16;
    static constexpr int bufferCapacity = 1024;
    static constexpr int blockDelayMs = 200;
    static constexpr int pollIntervalMs = 1;
    static constexpr int evaluationDelayMs = 150;
    static constexpr int readAnswersPerBlock = 16;
    static constexpr int writeAnswersPerBlock = 8;

    // Installs itself as the transfer's USB hooks and as the serial link's
    // poll stop, so that "Auslesen" and "Programmieren" run here while the
    // adapter is in use and timercloseport ends the polling.
    UsbExchange(Transfer &transfer, UsbLink &usb, QObject *parent = nullptr);
    ~UsbExchange() override;

    // The USB start of a plain read or (already confirmed) programming run.
    void start(Transfer::Run run);
    // USBtimerTimer: sends the next block.
    void USBtimerTimer();
    void polltimerTimer();
    void eTimerTimer();
    void stopPoll() { polltimer_.stop(); }

    QTimer &USBtimer() { return USBtimer_; }
    QTimer &polltimer() { return polltimer_; }
    QTimer &eTimer() { return eTimer_; }

    const std::array<std::uint8_t, bufferCapacity> &msgbuffer() const { return msgbuffer_; }
    int bytecount() const { return bytecount_; }
    int blocks() const { return blocks_; }
    int blockcount() const { return blockcount_; }
    int msganz() const { return msganz_; }
    int msgcount() const { return msgcount_; }

private:
    enum class Phase { read, write, verify };
    // Lays out a phase's requests; false when the adapter refused the purges.
    bool buildBuffer(Phase phase, bool trace);
    void USBfill();
    // One answer byte; true when it recorded an error.
    bool takeByte(std::uint8_t byte);
    bool readCompletion();
    bool verifyCompletion();

    Transfer &transfer_;
    UsbLink &usb_;

    std::array<std::uint8_t, bufferCapacity> msgbuffer_{};
    int bytecount_ = 0;
    int blocks_ = 0;
    int blockcount_ = 0;
    int msganz_ = 0;
    int msgcount_ = 0;

    QTimer USBtimer_;
    QTimer polltimer_;
    QTimer eTimer_;
};

} // namespace morvi::link
