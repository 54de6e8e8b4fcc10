#pragma once

#include "transfer.h"
#include "transport.h"
#include "usb_link.h"

#include <QObject>
#include <QTimer>
#include <array>
#include <cstdint>
#include <string>

namespace morvi::link {

// The transfers through the USB adapter. All requests of a phase are laid
// out at once and leave in 64-byte blocks; after each block the receive queue
// is polled, and 150 ms after the first answer byte everything waiting is fed
// into the transfer's phases. A block whose first answer does not come within
// the response time-out ends the transfer as the serial time-out does, and so
// does a phase whose last block left answers missing.
//
// The fast exchange ("schnelle USB-Übertragung") sends the same bytes and
// counts the same answers, but paces itself by them: once a block's requests
// all have their answers, a short settle time for a late byte (such as the
// acknowledgement after the last write), then the evaluation and at once the
// next block. The fixed delays stay the longest it waits.
class UsbExchange : public QObject, public Transport {
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
    // A block is 80 bytes, 83 ms on the wire at 9600 baud, and its first
    // answer is due after 20 of them. Six whole blocks' time is as patient
    // as the serial link is with a single request.
    static constexpr int responseTimeoutMs = 500;
    // A few byte times at 9600 baud: room for a byte that trails the block's answers.
    static constexpr int settleMs = 4;

    // Becomes the transfer's adapter transport and the serial link's poll
    // stop, so that timercloseport ends the polling.
    UsbExchange(Transfer &transfer, UsbLink &usb, QObject *parent = nullptr);
    ~UsbExchange() override;

    Quirks quirks() const override;
    std::string linkName() const override { return fast_ ? "USB schnell" : "USB"; }
    bool available() const override { return usb_.usbmode(); }
    bool open() override { return true; }
    bool begin(Run run) override;
    bool beginPhase(Phase phase) override;
    // Every request of a phase is already in its blocks.
    void next(Phase, std::uint8_t, std::uint8_t) override {}
    void readDone() override;
    void stop() override;

    // USBtimerTimer: sends the next block.
    void USBtimerTimer();
    void polltimerTimer();
    void eTimerTimer();
    void stopPoll() { polltimer_.stop(); }

    // Chooses the fast exchange for the transfers started from now on.
    void setFast(bool fast) { fast_ = fast; }
    bool fast() const { return fast_; }

    QTimer &USBtimer() { return USBtimer_; }
    QTimer &polltimer() { return polltimer_; }
    QTimer &eTimer() { return eTimer_; }
    QTimer &settleTimer() { return settleTimer_; }

    const std::array<std::uint8_t, bufferCapacity> &msgbuffer() const { return msgbuffer_; }
    int bytecount() const { return bytecount_; }
    int blocks() const { return blocks_; }
    int blockcount() const { return blockcount_; }
    int msganz() const { return msganz_; }
    int msgcount() const { return msgcount_; }

private:
    // Lays out a phase's requests; false, once said, when the adapter refused the purges.
    bool buildBuffer(Phase phase, bool trace);
    void USBfill();
    void takeByte(std::uint8_t byte);
    void adapterLost();
    // Answers the current block's requests bring: msganz, fewer in a phase's short last block.
    int answersDue() const;

    Transfer &transfer_;
    UsbLink &usb_;

    std::array<std::uint8_t, bufferCapacity> msgbuffer_{};
    int bytecount_ = 0;
    int blocks_ = 0;
    int blockcount_ = 0;
    int msganz_ = 0;
    int msgcount_ = 0;
    int messages_ = 0;
    // The choice, and how the running transfer goes.
    bool fast_ = false;
    bool fastRun_ = false;

    QTimer USBtimer_;
    QTimer polltimer_;
    QTimer eTimer_;
    QTimer settleTimer_;
};

} // namespace morvi::link
