#include "usb_exchange.h"

#include <algorithm>
#include <string>
#include <vector>

namespace morvi::link {

namespace {

constexpr int lastAddress = imageSize - 1;
constexpr int lastWritten = programmedBytes - 1;

} // namespace

UsbExchange::UsbExchange(Transfer &transfer, UsbLink &usb, QObject *parent)
    : QObject(parent), transfer_(transfer), usb_(usb)
{
    // Precise: an early evaluation would miss the block's last answers, and
    // the block delay is the transmitter's time to finish its writes.
    USBtimer_.setInterval(blockDelayMs);
    USBtimer_.setTimerType(Qt::PreciseTimer);
    polltimer_.setInterval(pollIntervalMs);
    polltimer_.setTimerType(Qt::PreciseTimer);
    eTimer_.setInterval(evaluationDelayMs);
    eTimer_.setTimerType(Qt::PreciseTimer);
    connect(&USBtimer_, &QTimer::timeout, this, &UsbExchange::USBtimerTimer);
    connect(&polltimer_, &QTimer::timeout, this, &UsbExchange::polltimerTimer);
    connect(&eTimer_, &QTimer::timeout, this, &UsbExchange::eTimerTimer);
    settleTimer_.setInterval(settleMs);
    settleTimer_.setTimerType(Qt::PreciseTimer);
    settleTimer_.setSingleShot(true);
    connect(&settleTimer_, &QTimer::timeout, this, &UsbExchange::eTimerTimer);
    connect(&usb_, &UsbLink::adapterLost, this, &UsbExchange::adapterLost);

    transfer_.setAdapter(this);
    transfer_.link().setStopUsbPoll([this] { stopPoll(); });
}

UsbExchange::~UsbExchange()
{
    transfer_.setAdapter(nullptr);
    transfer_.link().setStopUsbPoll({});
}

Transport::Quirks UsbExchange::quirks() const
{
    // The echo of a write is not looked at; the verify finds a wrong byte. The
    // verify answers come one position late, and the "add[" lines belong to
    // the serial verify alone.
    return {.checksEcho = false, .verifyLag = 1, .traceVerify = false, .focusOnRejectedFirmware = false};
}

bool UsbExchange::begin(Run run)
{
    // A choice made during a run counts from the next one.
    if (fastRun_ != fast_) {
        fastRun_ = fast_;
        // The fast exchange sends a block as soon as the last one is evaluated.
        USBtimer_.setInterval(fastRun_ ? 0 : blockDelayMs);
    }
    return buildBuffer(Phase::read, run == Run::plainRead);
}

bool UsbExchange::beginPhase(Phase phase) { return buildBuffer(phase, false); }

void UsbExchange::readDone() { transfer_.reporter().trace(TraceList::tm, "-fertig-"); }

void UsbExchange::stop()
{
    USBtimer_.stop();
    polltimer_.stop();
    eTimer_.stop();
    settleTimer_.stop();
}

int UsbExchange::answersDue() const
{
    const int sent = (blockcount_ - 1) * msganz_;
    return std::clamp(messages_ - sent, 0, msganz_);
}

bool UsbExchange::buildBuffer(Phase phase, bool trace)
{
    D2XXUnit &unit = usb_.unit();
    Reporter &reporter = transfer_.reporter();
    if (unit.Purge_USB_Device_Out() != d2xx::FT_OK || unit.Purge_USB_Device_In() != d2xx::FT_OK) {
        reporter.beep();
        reporter.showinfo("Fehler USB-Kommunikation bei Zugriff", colour::red, option::block);
        return false;
    }

    bytecount_ = 0;
    std::size_t length = 0;
    int messages = 0;
    auto put = [&](std::initializer_list<std::uint8_t> bytes) {
        for (const std::uint8_t b : bytes)
            msgbuffer_[length++] = b;
        ++messages;
    };
    if (phase == Phase::write) {
        const auto &sendcopy = transfer_.sendcopy();
        for (int a = 0; a <= lastWritten; ++a)
            put({0x00, 0x00, 0x00, 0x00, 0x00, Transfer::writeCommand, static_cast<std::uint8_t>(a),
                 sendcopy[static_cast<std::size_t>(a)]});
    } else {
        for (int a = 0; a <= lastAddress; ++a)
            put({0x00, 0x00, Transfer::readCommand, static_cast<std::uint8_t>(a)});
    }
    if (trace) reporter.trace(TraceList::mem1, "adresse: " + std::to_string(messages));
    while (length % blockSize != 0)
        msgbuffer_[length++] = 0x00;
    if (trace) reporter.trace(TraceList::mem1, "buffbytes: " + std::to_string(length));

    blockcount_ = 0;
    messages_ = messages;
    blocks_ = static_cast<int>(length / blockSize);
    msganz_ = phase == Phase::write ? writeAnswersPerBlock : readAnswersPerBlock;
    if (trace) {
        reporter.trace(TraceList::mem1, "blocks: " + std::to_string(blocks_));
        reporter.trace(TraceList::mem1, "msganz: " + std::to_string(msganz_));
    }
    USBtimer_.start();
    return true;
}

void UsbExchange::USBtimerTimer()
{
    USBtimer_.stop();
    USBfill();
}

void UsbExchange::USBfill()
{
    // Nothing is left to send once the phase's last block is out.
    if (blockcount_ >= blocks_) return;

    D2XXUnit &unit = usb_.unit();
    // Answers still waiting from the previous block are stale now.
    unit.Purge_USB_Device_Out();
    unit.Purge_USB_Device_In();

    auto &out = *unit.outBuffer;
    std::fill_n(out.begin(), blockLeadZeros, std::uint8_t{0});
    std::copy_n(msgbuffer_.begin() + bytecount_, blockSize, out.begin() + blockLeadZeros);
    bytecount_ += blockSize;
    // A block that does not go out brings no answer; the time-out says so.
    unit.Write_USB_Device_Buffer(blockLeadZeros + blockSize);
    unit.Purge_USB_Device_Out();
    // The delayed close would stop the polling of this block; it waits for the transfer's end.
    transfer_.link().timercloseport().stop();
    transfer_.awaitAnswer(responseTimeoutMs);
    polltimer_.start();

    ++blockcount_;
    Reporter &reporter = transfer_.reporter();
    reporter.trace(TraceList::tm, "blockcount: " + std::to_string(blockcount_) + "/" + std::to_string(blocks_) +
                                      " - bytecount: " + std::to_string(bytecount_));
    msgcount_ = 0;
    reporter.trace(TraceList::tm, "USB-fillbuffer - polltimer enabled");
}

void UsbExchange::polltimerTimer()
{
    D2XXUnit &unit = usb_.unit();
    if (unit.Get_USB_Device_QueueStatus() != d2xx::FT_OK || unit.rxQueue == 0) return;
    if (!eTimer_.isActive()) {
        transfer_.answerArriving();
        // In the fast exchange the evaluation delay is only the longest wait.
        eTimer_.start();
    }
    if (!fastRun_ || unit.rxQueue >= static_cast<std::uint32_t>(answersDue())) {
        polltimer_.stop();
        if (fastRun_) settleTimer_.start();
    }
}

void UsbExchange::eTimerTimer()
{
    polltimer_.stop();
    eTimer_.stop();
    settleTimer_.stop();

    D2XXUnit &unit = usb_.unit();
    if (unit.Get_USB_Device_QueueStatus() != d2xx::FT_OK) unit.rxQueue = 0;
    const std::uint32_t q = unit.rxQueue;
    transfer_.reporter().trace(TraceList::tm, "qeue: " + std::to_string(q));

    // All of the batch is taken before any of it is processed: a completion
    // in the middle purges the adapter for the next phase. A read that brings
    // no byte ends the batch; its buffer holds nothing new.
    std::vector<std::uint8_t> bytes;
    bytes.reserve(q);
    for (std::uint32_t i = 0; i < q; ++i) {
        if (unit.Read_USB_Device_Buffer(1) != 1) break;
        bytes.push_back((*unit.inBuffer)[0]);
    }
    for (const std::uint8_t byte : bytes)
        takeByte(byte);

    if (!transfer_.runsOver(*this)) return;
    if (blockcount_ < blocks_)
        USBtimer_.start();
    else
        // The phase's last block is evaluated and answers are still missing:
        // nothing more will come for them.
        transfer_.RStimeoutTimer();
}

void UsbExchange::takeByte(std::uint8_t byte)
{
    ++msgcount_;
    transfer_.reporter().trace(TraceList::tm, "[msg" + std::to_string(msgcount_) + "] received[" +
                                                  std::to_string(transfer_.bytepos()) + "]: " + std::to_string(byte));
    // Only the answers of this block's requests count; anything beyond is noise.
    transfer_.answer(*this, byte, msgcount_ <= msganz_);
}

void UsbExchange::adapterLost()
{
    // Not one more call with the closed handle.
    stop();
    transfer_.linkLost(*this);
}

} // namespace morvi::link
