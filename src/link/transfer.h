#pragma once

#include "editor.h"
#include "programming_recorder.h"
#include "reporter.h"
#include "serial_link.h"
#include "transfer_host.h"
#include "transport.h"

#include <QObject>
#include <QTimer>
#include <array>
#include <cstdint>
#include <memory>

namespace morvi::link {

class SerialTransport;

// Reading the transmitter's 128 bytes ("Auslesen") and programming bytes
// 0..125 with a read-back verify ("Programmieren"), over whichever link is
// active: the serial link, or the USB adapter while it is in use. The phases,
// their completions, the response time-out and abandonment are written here
// once; the links only carry requests and answers (Transport). Whatever ends a
// programming run, the editor holds the configuration being programmed
// (sendcopy) afterwards, firmware bytes 126 and 127 aside.
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

    using Run = link::Run;

    // Sets up the serial transport on link, which takes over the port's
    // receive handler and the link's bytepos.
    Transfer(Editor &editor, Reporter &reporter, SerialLink &link, TransferHost &host, QObject *parent = nullptr);
    ~Transfer() override;

    // The USB adapter's transport; it carries the transfers started while it
    // is available. A run over the transport that goes is not answered again.
    void setAdapter(Transport *adapter);
    bool usbmode() const { return adapter_ != nullptr && adapter_->available(); }
    // The waitstates value: milliseconds of pause before each serial request.
    void setWaitstates(const int *waitstates);
    // Receives the backup before the first write and the end of every programming run.
    void setRecorder(ProgrammingRecorder *recorder) { recorder_ = recorder; }

    // "Auslesen": a plain read from address 0; ends a running transfer first.
    void LeseButtonClick();
    // "Programmieren": ends a running transfer, completes the image, sets its
    // checksum and, once confirmed, reads, writes and verifies.
    void ProgButtonClick();
    // Ends a running transfer without a report and stops whatever a transfer
    // left running on either link.
    void abandon();
    // Ends the transfer; the serial port itself closes later by timercloseport.
    void closeport();
    // The response time-out: the awaited answer did not come.
    void RStimeoutTimer();

    // What the links report. An answer from a link the transfer does not run
    // over is discarded; counted is false for surplus bytes of a USB block.
    void answer(const Transport &from, std::uint8_t byte, bool counted = true);
    // Requests went out: restarts RStimeout with the link's patience.
    void awaitAnswer(int timeoutMs);
    // The first answer is here and will be taken; the time-out waits no more.
    void answerArriving() { RStimeout_.stop(); }
    // The link's device is gone: a transfer over it ends as by the time-out.
    void linkLost(const Transport &from);
    bool runsOver(const Transport &link) const { return busy() && active_ == &link; }

    std::uint8_t bytepos() const { return bytepos_; }
    bool reading() const { return reading_; }
    bool writing() const { return writing_; }
    bool verifying() const { return verifying_; }
    bool busy() const { return reading_ || writing_ || verifying_; }
    const std::array<std::uint8_t, imageSize> &rxbuffer() const { return rxbuffer_; }
    // How the last transfer ended; linkError while none has got under way.
    const ProgrammingOutcome &lastOutcome() const { return lastOutcome_; }
    const std::array<std::uint8_t, programmedBytes> &sendcopy() const { return sendcopy_; }
    QTimer &RStimeout() { return RStimeout_; }

    SerialTransport &serial() { return *serial_; }
    Reporter &reporter() { return reporter_; }
    SerialLink &link() { return link_; }

signals:
    // A transfer ended, by whatever path.
    void ended();

private:
    void start(Run run);
    void showProgress(Run run);
    void beginRun(Run run);
    // The link refused a phase change and has said so.
    void linkFailed();
    void storeAnswer(const char *action, std::uint8_t answer, double phaseOffset);
    void updateProgress(int gaugeDivisor, double phaseOffset);
    void restoreSendcopy();
    bool readCompletion();
    bool readCompletionPlain();
    bool readCompletionProgramming();
    void writeCompletion();
    bool verifyCompletion();
    // Tells the recorder how the running programming run ended; once per run.
    void programmingEnded(ProgrammingOutcome outcome);

    Editor &editor_;
    Reporter &reporter_;
    SerialLink &link_;
    TransferHost &host_;
    std::unique_ptr<SerialTransport> serial_;
    Transport *adapter_ = nullptr;
    // The link of the running (or last) transfer.
    Transport *active_ = nullptr;
    ProgrammingRecorder *recorder_ = nullptr;
    ProgrammingOutcome lastOutcome_{ProgrammingOutcome::Kind::linkError, 0, {}};
    // The link name of a programming run not yet recorded; empty otherwise.
    std::string recordedLink_;

    std::uint8_t bytepos_ = 0;
    bool reading_ = false;
    bool writing_ = false;
    bool verifying_ = false;
    std::array<std::uint8_t, imageSize> rxbuffer_{};
    std::array<std::uint8_t, programmedBytes> sendcopy_{};
    // The image as it stood when the last plain read started; a read whose
    // firmware is refused puts it back instead of the unrelated sendcopy.
    ConfigImage beforeRead_;
    QTimer RStimeout_;
};

} // namespace morvi::link
