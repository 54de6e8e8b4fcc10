#include "transfer.h"

#include "number_text.h"
#include "serial_transport.h"

#include <algorithm>
#include <cmath>
#include <string>
#include <utility>

namespace morvi::link {

namespace {

constexpr int lastAddress = imageSize - 1;
constexpr int lastWritten = programmedBytes - 1;


} // namespace

Transfer::Transfer(Editor &editor, Reporter &reporter, SerialLink &link, TransferHost &host, QObject *parent)
    : QObject(parent), editor_(editor), reporter_(reporter), link_(link), host_(host),
      serial_(std::make_unique<SerialTransport>(*this, link))
{
    RStimeout_.setSingleShot(true);
    RStimeout_.setInterval(responseTimeoutMs);
    // The limit after which an answer counts as lost: never earlier.
    RStimeout_.setTimerType(Qt::PreciseTimer);
    connect(&RStimeout_, &QTimer::timeout, this, &Transfer::RStimeoutTimer);
    link_.setBytepos(&bytepos_);
}

Transfer::~Transfer()
{
    link_.setBytepos(nullptr);
    // The program ends in the middle of a programming run: its record says so.
    if (busy()) programmingEnded({ProgrammingOutcome::Kind::abandoned, 0, {}});
}

void Transfer::setAdapter(Transport *adapter)
{
    if (active_ == adapter_) active_ = nullptr;
    adapter_ = adapter;
}

void Transfer::setWaitstates(const int *waitstates) { serial_->setWaitstates(waitstates); }

void Transfer::LeseButtonClick() { start(Run::plainRead); }

void Transfer::ProgButtonClick()
{
    // The copy and the question belong to the new run only.
    abandon();
    editor_.makeEDATA(host_.sendBoxes(), reporter_);
    host_.showdata();
    editor_.image[offset::imageChecksum] = editor_.calculatechecksum(reporter_);
    std::copy_n(editor_.image.bytes().begin(), programmedBytes, sendcopy_.begin());

    if (!host_.confirm("Gerätekonfiguration überschreiben?")) {
        reporter_.showinfo("\"Gerät programmieren\" vom Anwender abgebrochen!", colour::red, option::block);
        return;
    }
    start(Run::programming);
}

void Transfer::abandon()
{
    if (busy()) {
        const bool programming = writing_ || verifying_;
        closeport();
        if (programming) restoreSendcopy();
        programmingEnded({ProgrammingOutcome::Kind::abandoned, 0, {}});
        return;
    }
    RStimeout_.stop();
    serial_->stop();
    if (adapter_ != nullptr) adapter_->stop();
}

void Transfer::start(Run run)
{
    abandon();
    lastOutcome_ = {ProgrammingOutcome::Kind::linkError, 0, {}};
    Transport &link = usbmode() ? *adapter_ : static_cast<Transport &>(*serial_);
    if (!link.open()) return;
    active_ = &link;
    if (run == Run::programming) recordedLink_ = usbmode() ? link.linkName() : link_.portName().toStdString();
    showProgress(run);
    bytepos_ = 0;
    beginRun(run);
    if (!link.begin(run)) {
        closeport();
        programmingEnded({ProgrammingOutcome::Kind::linkError, 0, {}});
    }
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

void Transfer::awaitAnswer(int timeoutMs) { RStimeout_.start(timeoutMs); }

void Transfer::answer(const Transport &from, std::uint8_t byte, bool counted)
{
    if (!runsOver(from) || !counted) return;

    bool error = false;
    if (verifying_) {
        storeAnswer("verify", byte, 2.0 / 3.0);
        if (bytepos_ <= lastAddress)
            active_->next(Phase::verify, bytepos_, 0);
        else
            error = verifyCompletion();
    } else if (reading_) {
        storeAnswer("read", byte, 0.0);
        if (bytepos_ <= lastAddress)
            active_->next(Phase::read, bytepos_, 0);
        else
            error = readCompletion();
    } else {
        // A wrong echo sends nothing more; the time-out then names this address.
        if (active_->quirks().checksEcho && byte != sendcopy_[bytepos_]) return;
        host_.setLaction("write");
        updateProgress(lastWritten, 1.0 / 3.0);
        ++bytepos_;
        if (bytepos_ <= lastWritten)
            active_->next(Phase::write, bytepos_, sendcopy_[bytepos_]);
        else
            writeCompletion();
    }
    if (error) reporter_.beep();
}

void Transfer::storeAnswer(const char *action, std::uint8_t answer, double phaseOffset)
{
    host_.setLaction(action);
    updateProgress(lastAddress, phaseOffset);
    rxbuffer_[bytepos_] = answer;
    ++bytepos_;
}

void Transfer::updateProgress(int gaugeDivisor, double phaseOffset)
{
    const double p = bytepos_;
    host_.setGauge(static_cast<int>(std::lround(100.0 * p / gaugeDivisor)));
    if (writing_ || verifying_)
        host_.setGaugeGesamt(static_cast<int>(std::lround(100.0 * (p / lastAddress / 3.0 + phaseOffset))));
}

void Transfer::restoreSendcopy() { std::copy(sendcopy_.begin(), sendcopy_.end(), editor_.image.bytes().begin()); }

bool Transfer::readCompletion()
{
    reading_ = false;
    active_->readDone();
    return writing_ ? readCompletionProgramming() : readCompletionPlain();
}

bool Transfer::readCompletionPlain()
{
    editor_.image.bytes() = rxbuffer_;
    for (int i = 0; i < imageSize; ++i)
        reporter_.trace(TraceList::mem1, "[" + fillString(3, '0', i) + "] : " + fillString(3, '0', editor_.image[i]));

    const ReadImageCheck check = checkReadImage(editor_, reporter_);
    // A transmitter this program cannot serve must not replace what was being edited.
    if (!check.firmwareOk) editor_.image = beforeRead_;

    closeport();
    using Kind = ProgrammingOutcome::Kind;
    lastOutcome_.kind = !check.firmwareOk ? Kind::firmwareRefused : check.checksumOk ? Kind::success : Kind::checksumError;
    if (check.firmwareOk) host_.applyDerivedState(editor_.readEDATA());
    host_.showdata();
    host_.setFocus(TransferHost::Button::LeseButton);
    return !check.checksumOk || !check.firmwareOk;
}

bool Transfer::readCompletionProgramming()
{
    // The transmitter's memory stands in the image only for the firmware
    // check; the editor goes on holding the configuration being programmed.
    editor_.image.bytes() = rxbuffer_;
    const bool accepted = editor_.checkfirmware(reporter_);
    restoreSendcopy();
    if (!accepted) {
        reporter_.showinfo("Geräte-Firmware und Software passen nicht zusammen!", colour::red, option::block);
        if (active_->quirks().focusOnRejectedFirmware) host_.setFocus(TransferHost::Button::LeseButton);
        closeport();
        programmingEnded({ProgrammingOutcome::Kind::firmwareRefused, 0, {}});
        return true;
    }
    ConfigImage memory;
    memory.bytes() = rxbuffer_;
    // Every answer of the read is in: however long the backup takes, nothing is owed meanwhile.
    RStimeout_.stop();
    if (recorder_ != nullptr && !recorder_->backupBeforeWrite(memory, recordedLink_)) {
        closeport();
        programmingEnded({ProgrammingOutcome::Kind::backupFailed, 0, {}});
        return true;
    }
    bytepos_ = 0;
    // A link that refuses the phase has said so and sounded the beep.
    if (!active_->beginPhase(Phase::write)) linkFailed();
    return false;
}

void Transfer::writeCompletion()
{
    bytepos_ = 0;
    reading_ = false;
    writing_ = false;
    verifying_ = true;
    if (!active_->beginPhase(Phase::verify)) linkFailed();
}

bool Transfer::verifyCompletion()
{
    const Transport::Quirks quirks = active_->quirks();
    ProgrammingOutcome outcome;
    for (int i = 0; i < programmedBytes; ++i) {
        const int written = sendcopy_[static_cast<std::size_t>(i)];
        const int read = keptByTransmitter(i) ? written : rxbuffer_[static_cast<std::size_t>(i + quirks.verifyLag)];
        if (quirks.traceVerify)
            reporter_.trace(TraceList::tm, "add[" + std::to_string(i) + "]: write[" + std::to_string(written) +
                                               "] read[" + std::to_string(read) + "]");
        if (read != written) {
            reporter_.showinfo("! FEHLER Verify !  [" + std::to_string(i) + ": " + std::to_string(read) + "<>" +
                                   std::to_string(written) + "]",
                               colour::red, option::block);
            outcome.kind = ProgrammingOutcome::Kind::verifyDifferences;
            outcome.addresses.push_back(i);
        }
    }
    const bool error = !outcome.addresses.empty();
    if (!error) reporter_.showinfo("Daten erfolgreich übertragen", colour::green, option::block);

    restoreSendcopy();
    // The firmware bytes as the verify read them, where the link delivers them in place.
    if (quirks.verifyLag == 0) {
        editor_.image[offset::firmwareMajor] = rxbuffer_[offset::firmwareMajor];
        editor_.image[offset::firmwareMinor] = rxbuffer_[offset::firmwareMinor];
    }
    host_.setFocus(TransferHost::Button::ProgButton);
    closeport();
    programmingEnded(outcome);
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
    lastOutcome_ = {ProgrammingOutcome::Kind::timeout, bytepos_, {}};
    if (!plainRead) programmingEnded(lastOutcome_);
}

void Transfer::linkLost(const Transport &from)
{
    if (runsOver(from)) RStimeoutTimer();
}

void Transfer::linkFailed()
{
    const bool programming = writing_ || verifying_;
    closeport();
    if (programming) restoreSendcopy();
    programmingEnded({ProgrammingOutcome::Kind::linkError, 0, {}});
}

void Transfer::programmingEnded(ProgrammingOutcome outcome)
{
    if (recordedLink_.empty()) return;
    lastOutcome_ = outcome;
    const std::string linkName = std::exchange(recordedLink_, {});
    if (recorder_ != nullptr) recorder_->programmingEnded(linkName, sendcopy_[offset::imageChecksum], outcome);
}

void Transfer::closeport()
{
    reading_ = false;
    writing_ = false;
    verifying_ = false;
    host_.showPanProg(false);
    RStimeout_.stop();
    serial_->stop();
    if (adapter_ != nullptr) adapter_->stop();
    host_.setLaction("");
    // Only now may the serial port close: during a run a stall (a slow backup,
    // a busy window) must not cut the link off.
    link_.timercloseport().start();
    emit ended();
}

} // namespace morvi::link
