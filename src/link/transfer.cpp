#include "transfer.h"

#include "number_text.h"

#include <algorithm>
#include <cmath>
#include <span>
#include <string>

namespace morvi::link {

namespace {

constexpr int lastAddress = imageSize - 1;
constexpr int lastWritten = programmedBytes - 1;

} // namespace

Transfer::Transfer(Editor &editor, Reporter &reporter, SerialLink &link, TransferHost &host, QObject *parent)
    : QObject(parent), editor_(editor), reporter_(reporter), link_(link), host_(host)
{
    RStimeout_.setSingleShot(true);
    RStimeout_.setInterval(responseTimeoutMs);
    connect(&RStimeout_, &QTimer::timeout, this, &Transfer::RStimeoutTimer);
    link_.setBytepos(&bytepos_);
    link_.port().setReceiveHandler([this](int) { RS232RxChar(); });
}

Transfer::~Transfer()
{
    link_.port().setReceiveHandler({});
    link_.setBytepos(nullptr);
}

void Transfer::LeseButtonClick()
{
    if (usbmode()) {
        if (usb_.start) usb_.start(Run::plainRead);
        return;
    }
    startSerial(false);
}

void Transfer::ProgButtonClick()
{
    editor_.makeEDATA(host_.sendBoxes(), reporter_);
    host_.showdata();
    editor_.image[offset::imageChecksum] = editor_.calculatechecksum(reporter_);
    std::copy_n(editor_.image.bytes().begin(), programmedBytes, sendcopy_.begin());

    if (!host_.confirm("Gerätekonfiguration überschreiben?")) {
        reporter_.showinfo("\"Gerät programmieren\" vom Anwender abgebrochen!", colour::red, option::block);
        return;
    }
    if (usbmode()) {
        if (usb_.start) usb_.start(Run::programming);
        return;
    }
    startSerial(true);
}

bool Transfer::openPort()
{
    // An unusable port is only mentioned: it may have come back since the probe.
    if (!link_.comok()) reporter_.showinfo("gewählter COM-Port nicht verfügbar!", colour::red, 0);
    if (link_.setupport(link_.portName())) return true;
    reporter_.beep();
    reporter_.showinfo("Fehler beim Öffnen COM-Port " + link_.portName().toStdString(), colour::red, option::block);
    return false;
}

void Transfer::startSerial(bool programming)
{
    if (!openPort()) return;
    const Run run = programming ? Run::programming : Run::plainRead;
    showProgress(run);
    bytepos_ = 0;

    sendZeros(preambleLength);
    link_.port().clear(SerialPort::input);
    transmit(readCommand, 0);
    beginRun(run);
    link_.timercloseport().stop();
}

void Transfer::transmit(std::uint8_t befehl, std::uint8_t addr, std::uint8_t data)
{
    lastRequest_ = {befehl, addr, data};
    if (usbmode()) return;

    // A failed send is not reported here: the answer then stays away and the
    // time-out names the address.
    SerialPort &port = link_.port();
    port.clear(SerialPort::input);
    for (int i = 0; i < 3; ++i)
        port.send(0x00);
    port.send(befehl);
    port.send(addr);
    if (befehl == writeCommand) port.send(data);
    RStimeout_.start();
}

void Transfer::sendZeros(int count)
{
    for (int i = 0; i < count; ++i)
        link_.port().send(0x00);
}

void Transfer::RS232RxChar()
{
    link_.timercloseport().start();

    std::uint8_t answer = missingAnswer;
    std::array<std::uint8_t, 1> buffer{};
    const int got = link_.port().read(buffer);
    if (got < 0)
        reporter_.beep();
    else if (got == 1)
        answer = buffer[0];

    bool error = false;
    if (verifying_) {
        verifyStep(answer);
        if (bytepos_ <= lastAddress)
            transmit(readCommand, bytepos_);
        else
            error = verifyCompletion();
    } else if (reading_) {
        readStep(answer);
        if (bytepos_ <= lastAddress)
            transmit(readCommand, bytepos_);
        else
            error = writing_ ? readCompletionProgramming() : readCompletion();
    } else if (writing_) {
        // A wrong echo sends nothing more; the time-out then names this address.
        if (answer == sendcopy_[bytepos_]) {
            writeStep();
            if (bytepos_ <= lastWritten)
                transmit(writeCommand, bytepos_, sendcopy_[bytepos_]);
            else
                writeCompletion();
        }
    }
    if (error) reporter_.beep();
}

void Transfer::showProgress(Run run)
{
    const bool programming = run == Run::programming;
    host_.showPanProg(true);
    host_.setGauge(0);
    host_.showGaugeGesamt(programming);
    if (programming) host_.setGaugeGesamt(0);
}

void Transfer::beginRun(Run run)
{
    if (run == Run::plainRead) beforeRead_ = editor_.image;
    reading_ = true;
    writing_ = run == Run::programming;
    verifying_ = false;
}

void Transfer::beginVerify()
{
    reading_ = false;
    writing_ = false;
    verifying_ = true;
}

void Transfer::storeAnswer(const char *action, std::uint8_t answer, double phaseOffset)
{
    host_.setLaction(action);
    updateProgress(lastAddress, phaseOffset);
    rxbuffer_[bytepos_] = answer;
    ++bytepos_;
}

void Transfer::readStep(std::uint8_t answer) { storeAnswer("read", answer, 0.0); }

void Transfer::verifyStep(std::uint8_t answer) { storeAnswer("verify", answer, 2.0 / 3.0); }

void Transfer::writeStep()
{
    host_.setLaction("write");
    updateProgress(lastWritten, 1.0 / 3.0);
    ++bytepos_;
}

void Transfer::updateProgress(int gaugeDivisor, double phaseOffset)
{
    const double p = bytepos_;
    host_.setGauge(static_cast<int>(std::lround(100.0 * p / gaugeDivisor)));
    if (writing_ || verifying_)
        host_.setGaugeGesamt(static_cast<int>(std::lround(100.0 * (p / lastAddress / 3.0 + phaseOffset))));
}

void Transfer::takeRxbuffer() { editor_.image.bytes() = rxbuffer_; }

void Transfer::restoreSendcopy() { std::copy(sendcopy_.begin(), sendcopy_.end(), editor_.image.bytes().begin()); }

bool Transfer::readCompletion()
{
    reading_ = false;
    takeRxbuffer();
    for (int i = 0; i < imageSize; ++i)
        reporter_.trace(TraceList::mem1, "[" + fillString(3, '0', i) + "] : " + fillString(3, '0', editor_.image[i]));

    const ReadImageCheck check = checkReadImage(editor_, reporter_);
    // A transmitter this program cannot serve must not replace what was being edited.
    if (!check.firmwareOk) editor_.image = beforeRead_;

    closeport();
    if (check.firmwareOk) host_.applyDerivedState(editor_.readEDATA());
    host_.showdata();
    host_.setFocus(TransferHost::Button::LeseButton);
    return !check.checksumOk || !check.firmwareOk;
}

bool Transfer::firmwareAccepted(bool focusOnReject)
{
    reading_ = false;
    takeRxbuffer();
    if (editor_.checkfirmware(reporter_)) return true;
    reporter_.showinfo("Geräte-Firmware und Software passen nicht zusammen!", colour::red, option::block);
    restoreSendcopy();
    if (focusOnReject) host_.setFocus(TransferHost::Button::LeseButton);
    closeport();
    return false;
}

bool Transfer::readCompletionProgramming()
{
    if (!firmwareAccepted(true)) return true;
    bytepos_ = 0;
    transmit(writeCommand, 0, sendcopy_[0]);
    return false;
}

void Transfer::writeCompletion()
{
    // The transmitter needs a pause after its last write before it reads again.
    sendZeros(gapLength);
    link_.port().clear(SerialPort::input);
    bytepos_ = 0;
    transmit(readCommand, 0);
    beginVerify();
}

bool Transfer::verifyCompletion()
{
    takeRxbuffer();
    // Bytes the transmitter keeps to itself: what it reads back there is no fault.
    editor_.image[offset::reserved114] = sendcopy_[offset::reserved114];
    for (int i = offset::reserved117; i <= offset::reserved117End; ++i)
        editor_.image[i] = sendcopy_[i];

    bool error = false;
    for (int i = 0; i < programmedBytes; ++i) {
        const int written = sendcopy_[i];
        const int read = editor_.image[i];
        reporter_.trace(TraceList::tm, "add[" + std::to_string(i) + "]: write[" + std::to_string(written) + "] read[" +
                                           std::to_string(read) + "]");
        if (read != written) {
            reporter_.showinfo("! FEHLER Verify !  [" + std::to_string(i) + ": " + std::to_string(read) + "<>" +
                                   std::to_string(written) + "]",
                               colour::red, option::block);
            error = true;
        }
    }
    if (error)
        restoreSendcopy();
    else
        reporter_.showinfo("Daten erfolgreich übertragen", colour::green, option::block);

    host_.setFocus(TransferHost::Button::ProgButton);
    closeport();
    host_.showdata();
    return error;
}

void Transfer::RStimeoutTimer()
{
    const bool plainRead = reading_ && !writing_;
    closeport();
    // A plain read has not touched the image yet; its answers wait in rxbuffer.
    if (!plainRead) restoreSendcopy();
    host_.setFocus(TransferHost::Button::ProgButton);
    reporter_.showinfo("Übertragungsfehler bei Byte " + std::to_string(bytepos_), colour::red, option::timeStamp);
    if (bytepos_ == 0) reporter_.showinfo("    ! Verbindung prüfen !", colour::red, option::blankAfter);
    reporter_.beep();
}

void Transfer::closeport()
{
    reading_ = false;
    writing_ = false;
    verifying_ = false;
    host_.showPanProg(false);
    RStimeout_.stop();
    if (usb_.stopPoll) usb_.stopPoll();
    host_.setLaction("");
}

} // namespace morvi::link
