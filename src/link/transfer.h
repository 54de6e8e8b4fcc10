#pragma once

#include "editor.h"
#include "reporter.h"
#include "serial_link.h"
#include "transfer_host.h"

#include <QObject>
#include <QTimer>
#include <array>
#include <cstdint>
#include <functional>

namespace morvi::link {

// Reading the transmitter's 128 bytes ("Auslesen") and programming bytes
// 0..125 with a read-back verify ("Programmieren"). Over the serial link one
// request is outstanding at a time: every answer sends the next request, and
// RStimeout ends a transfer whose answer does not come.
class Transfer : public QObject {
    Q_OBJECT
public:
    static constexpr std::uint8_t readCommand = 0xD0;
    static constexpr std::uint8_t writeCommand = 0xD5;
    static constexpr int responseTimeoutMs = 500;
    static constexpr int preambleLength = 25;
    static constexpr int gapLength = 100;
    // What an answer step takes when no byte could be read.
    static constexpr std::uint8_t missingAnswer = 32;

    enum class Run { plainRead, programming };

    // Where the USB adapter link plugs in once it exists. While usbmode()
    // answers true, a start runs start instead of the serial start, transmit
    // only records its request, and closeport calls stopPoll.
    struct UsbHooks {
        std::function<bool()> usbmode;
        std::function<void(Run)> start;
        std::function<void()> stopPoll;
    };

    // Takes over the port's receive handler and the link's bytepos.
    Transfer(Editor &editor, Reporter &reporter, SerialLink &link, TransferHost &host, QObject *parent = nullptr);
    ~Transfer() override;

    void setUsbHooks(UsbHooks hooks) { usb_ = std::move(hooks); }
    bool usbmode() const { return usb_.usbmode && usb_.usbmode(); }

    // "Auslesen": a plain read from address 0; abandons a running transfer.
    void LeseButtonClick();
    // "Programmieren": completes the image, sets its checksum and, once
    // confirmed, reads, writes and verifies; abandons a running transfer.
    void ProgButtonClick();
    // One request: 0x00 0x00 0x00 befehl addr, and data for the write command.
    void transmit(std::uint8_t befehl, std::uint8_t addr, std::uint8_t data = 0);
    // The answer step, once per received byte.
    void RS232RxChar();
    void RStimeoutTimer();
    // Ends the transfer; the port itself closes later by timercloseport.
    void closeport();

    std::uint8_t bytepos() const { return bytepos_; }
    bool reading() const { return reading_; }
    bool writing() const { return writing_; }
    bool verifying() const { return verifying_; }
    bool busy() const { return reading_ || writing_ || verifying_; }
    const std::array<std::uint8_t, imageSize> &rxbuffer() const { return rxbuffer_; }
    const std::array<std::uint8_t, programmedBytes> &sendcopy() const { return sendcopy_; }
    QTimer &RStimeout() { return RStimeout_; }

    // The last request handed to transmit.
    struct Request {
        std::uint8_t befehl = 0;
        std::uint8_t addr = 0;
        std::uint8_t data = 0;
    };
    const Request &lastRequest() const { return lastRequest_; }

    // The pieces the USB exchange drives the same phases with; it batches the
    // requests but counts, stores and completes answers as the serial link does.
    Editor &editor() { return editor_; }
    Reporter &reporter() { return reporter_; }
    TransferHost &host() { return host_; }
    SerialLink &link() { return link_; }
    // PanProg shown with Gauge at 0; GaugeGesamt only for a programming run.
    void showProgress(Run run);
    // Flags of the run's first phase; a plain read remembers the image it may have to put back.
    void beginRun(Run run);
    void beginVerify();
    void resetBytepos() { bytepos_ = 0; }
    // One counted answer of a read, verify or write phase: phase word,
    // progress, and (reading) the byte stored at bytepos; then bytepos advances.
    void readStep(std::uint8_t answer);
    void verifyStep(std::uint8_t answer);
    void writeStep();
    // Completion of a plain read; true when it recorded an error.
    bool readCompletion();
    // First half of the programming run's read completion: the image takes the
    // answers and the firmware is checked; a rejected one ends the run.
    bool firmwareAccepted(bool focusOnReject);
    void restoreSendcopy();

private:
    bool openPort();
    void startSerial(bool programming);
    void sendZeros(int count);
    void updateProgress(int gaugeDivisor, double phaseOffset);
    void storeAnswer(const char *action, std::uint8_t answer, double phaseOffset);
    void takeRxbuffer();
    bool readCompletionProgramming();
    void writeCompletion();
    bool verifyCompletion();

    Editor &editor_;
    Reporter &reporter_;
    SerialLink &link_;
    TransferHost &host_;
    UsbHooks usb_;

    std::uint8_t bytepos_ = 0;
    bool reading_ = false;
    bool writing_ = false;
    bool verifying_ = false;
    std::array<std::uint8_t, imageSize> rxbuffer_{};
    std::array<std::uint8_t, programmedBytes> sendcopy_{};
    // The image as it stood when the last plain read started; a failed read
    // puts it back instead of the unrelated sendcopy.
    ConfigImage beforeRead_;
    Request lastRequest_;
    QTimer RStimeout_;
};

} // namespace morvi::link
