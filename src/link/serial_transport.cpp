#include "serial_transport.h"

#include "transfer.h"

#include <array>

namespace morvi::link {

SerialTransport::SerialTransport(Transfer &transfer, SerialLink &link) : transfer_(transfer), link_(link)
{
    timerwaitstate_.setSingleShot(true);
    // The pause is what the user asked for; it must not come out shorter.
    timerwaitstate_.setTimerType(Qt::PreciseTimer);
    connect(&timerwaitstate_, &QTimer::timeout, this, &SerialTransport::timerwaitstateTimer);
    link_.port().setReceiveHandler([this](int) { RS232RxChar(); });
}

SerialTransport::~SerialTransport()
{
    link_.port().setReceiveHandler({});
    link_.setInTransfer(false);
}

bool SerialTransport::open()
{
    settleAbandoned();
    Reporter &reporter = transfer_.reporter();
    // An unusable port is only mentioned: it may have come back since the probe.
    if (!link_.comok()) reporter.showinfo("gewählter COM-Port nicht verfügbar!", colour::red, 0);
    if (link_.setupport(link_.portName())) return true;
    reporter.beep();
    reporter.showinfo("Fehler beim Öffnen COM-Port " + link_.portName().toStdString(), colour::red, option::block);
    return false;
}

void SerialTransport::settleAbandoned()
{
    if (owed_.hasExpired() || !link_.port().isOpen()) return;
    // Taken here, the late answer cannot be taken for the next run's first.
    std::array<std::uint8_t, 1> discarded{};
    [[maybe_unused]] const int got = link_.port().readFor(discarded, static_cast<int>(owed_.remainingTime()));
    owed_ = QDeadlineTimer();
}

bool SerialTransport::begin(Run)
{
    link_.setInTransfer(true);
    sendZeros(Transfer::preambleLength);
    clearAfterLeadIn();
    transmit(Transfer::readCommand, 0);
    return true;
}

bool SerialTransport::beginPhase(Phase phase)
{
    if (phase == Phase::write) {
        transmit(Transfer::writeCommand, 0, transfer_.sendcopy()[0]);
    } else {
        // The transmitter needs a pause after its last write before it reads again.
        sendZeros(Transfer::gapLength);
        clearAfterLeadIn();
        transmit(Transfer::readCommand, 0);
    }
    return true;
}

void SerialTransport::next(Phase phase, std::uint8_t address, std::uint8_t data)
{
    transmit(phase == Phase::write ? Transfer::writeCommand : Transfer::readCommand, address, data);
}

void SerialTransport::stop()
{
    timerwaitstate_.stop();
    link_.setInTransfer(false);
}

void SerialTransport::sendZeros(int count)
{
    for (int i = 0; i < count; ++i)
        link_.port().send(0x00);
}

void SerialTransport::clearAfterLeadIn()
{
    // A send returns before the byte is out; clearing earlier would let
    // anything the transmitter says meanwhile through to the first answer.
    link_.port().drain();
    link_.port().clear(SerialPort::input);
}

void SerialTransport::transmit(std::uint8_t befehl, std::uint8_t addr, std::uint8_t data)
{
    request_ = {befehl, addr, data};
    // The port stays open while a request waits or is out; the transfer's end restarts the close.
    link_.timercloseport().stop();
    // The adapter took over: the serial run ends by its time-out.
    if (transfer_.usbmode()) return;
    const int pause = waitstates_ != nullptr ? *waitstates_ : 0;
    if (pause <= 0) {
        timerwaitstateTimer();
        return;
    }
    // Nothing is owed during the pause; the time-out starts with the request.
    transfer_.RStimeout().stop();
    timerwaitstate_.start(pause);
}

void SerialTransport::timerwaitstateTimer()
{
    timerwaitstate_.stop();
    // A failed send is not reported here: the answer then stays away and the
    // time-out names the address.
    SerialPort &port = link_.port();
    port.clear(SerialPort::input);
    for (int i = 0; i < 3; ++i)
        port.send(0x00);
    port.send(request_.befehl);
    port.send(request_.addr);
    if (request_.befehl == Transfer::writeCommand) port.send(request_.data);
    owed_.setRemainingTime(Transfer::responseTimeoutMs, Qt::PreciseTimer);
    transfer_.awaitAnswer(Transfer::responseTimeoutMs);
}

void SerialTransport::RS232RxChar()
{
    owed_ = QDeadlineTimer();

    std::uint8_t answer = Transfer::missingAnswer;
    std::array<std::uint8_t, 1> buffer{};
    const int got = link_.port().read(buffer);
    if (got < 0)
        transfer_.reporter().beep();
    else if (got == 1)
        answer = buffer[0];
    transfer_.answer(*this, answer);
}

} // namespace morvi::link
