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
    USBtimer_.setInterval(blockDelayMs);
    polltimer_.setInterval(pollIntervalMs);
    polltimer_.setTimerType(Qt::PreciseTimer);
    eTimer_.setInterval(evaluationDelayMs);
    connect(&USBtimer_, &QTimer::timeout, this, &UsbExchange::USBtimerTimer);
    connect(&polltimer_, &QTimer::timeout, this, &UsbExchange::polltimerTimer);
    connect(&eTimer_, &QTimer::timeout, this, &UsbExchange::eTimerTimer);

    transfer_.setUsbHooks(
        {[this] { return usb_.usbmode(); }, [this](Transfer::Run run) { start(run); }, [this] { stopPoll(); }});
    transfer_.link().setStopUsbPoll([this] { stopPoll(); });
}

UsbExchange::~UsbExchange()
{
    transfer_.setUsbHooks({});
    transfer_.link().setStopUsbPoll({});
}

void UsbExchange::start(Transfer::Run run)
{
    // A batch still in flight belongs to the abandoned transfer.
    USBtimer_.stop();
    polltimer_.stop();
    eTimer_.stop();

    transfer_.showProgress(run);
    if (!buildBuffer(Phase::read, run == Transfer::Run::plainRead)) {
        transfer_.reporter().beep();
        transfer_.reporter().showinfo("Fehler USB-Kommunikation bei Zugriff", colour::red, option::block);
        return;
    }
    transfer_.beginRun(run);
}

bool UsbExchange::buildBuffer(Phase phase, bool trace)
{
    D2XXUnit &unit = usb_.unit();
    if (unit.Purge_USB_Device_Out() != d2xx::FT_OK) return false;
    if (unit.Purge_USB_Device_In() != d2xx::FT_OK) return false;

    bytecount_ = 0;
    transfer_.resetBytepos();
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
    Reporter &reporter = transfer_.reporter();
    if (trace) reporter.trace(TraceList::mem1, "adresse: " + std::to_string(messages));
    while (length % blockSize != 0)
        msgbuffer_[length++] = 0x00;
    if (trace) reporter.trace(TraceList::mem1, "buffbytes: " + std::to_string(length));

    blockcount_ = 0;
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
    unit.Write_USB_Device_Buffer(blockLeadZeros + blockSize);
    unit.Purge_USB_Device_Out();
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
    eTimer_.start();
    polltimer_.stop();
}

void UsbExchange::eTimerTimer()
{
    polltimer_.stop();
    eTimer_.stop();

    D2XXUnit &unit = usb_.unit();
    if (unit.Get_USB_Device_QueueStatus() != d2xx::FT_OK) unit.rxQueue = 0;
    const std::uint32_t q = unit.rxQueue;
    transfer_.reporter().trace(TraceList::tm, "qeue: " + std::to_string(q));

    // All of the batch is taken before any of it is processed: a completion
    // in the middle purges the adapter for the next phase.
    std::vector<std::uint8_t> bytes;
    bytes.reserve(q);
    for (std::uint32_t i = 0; i < q; ++i) {
        unit.Read_USB_Device_Buffer(1);
        bytes.push_back((*unit.inBuffer)[0]);
    }
    for (const std::uint8_t byte : bytes)
        if (takeByte(byte)) transfer_.reporter().beep();

    if (blockcount_ < blocks_) USBtimer_.start();
}

bool UsbExchange::takeByte(std::uint8_t byte)
{
    ++msgcount_;
    transfer_.reporter().trace(TraceList::tm, "[msg" + std::to_string(msgcount_) + "] received[" +
                                                  std::to_string(transfer_.bytepos()) + "]: " + std::to_string(byte));
    transfer_.link().timercloseport().start();

    // Only the answers of this block's requests count; anything beyond is noise.
    const bool counted = msgcount_ <= msganz_;
    if (transfer_.verifying()) {
        if (counted) transfer_.verifyStep(byte);
        if (transfer_.bytepos() > lastAddress) return verifyCompletion();
    } else if (transfer_.reading()) {
        if (counted) transfer_.readStep(byte);
        if (transfer_.bytepos() > lastAddress) return readCompletion();
    } else if (transfer_.writing()) {
        // The echo is not checked here; the verify finds a wrong byte.
        if (counted) transfer_.writeStep();
        if (transfer_.bytepos() > lastWritten) {
            buildBuffer(Phase::verify, false);
            transfer_.beginVerify();
        }
    }
    return false;
}

bool UsbExchange::readCompletion()
{
    transfer_.reporter().trace(TraceList::tm, "-fertig-");
    if (!transfer_.writing()) return transfer_.readCompletion();
    if (!transfer_.firmwareAccepted(false)) return true;
    // writing alone stays set: the write phase begins.
    buildBuffer(Phase::write, false);
    return false;
}

bool UsbExchange::verifyCompletion()
{
    const auto &rx = transfer_.rxbuffer();
    const auto &sent = transfer_.sendcopy();
    Reporter &reporter = transfer_.reporter();
    bool error = false;
    // The adapter delivers the verify answers one position late, so answer i
    // sits at i + 1; the bytes the transmitter keeps to itself are skipped.
    for (int i = 0; i <= lastWritten; ++i) {
        if (i == offset::reserved114 || (i >= offset::reserved117 && i <= offset::reserved117End)) continue;
        const int stored = rx[static_cast<std::size_t>(i + 1)];
        const int written = sent[static_cast<std::size_t>(i)];
        if (stored != written) {
            reporter.showinfo("! FEHLER Verify !  [" + std::to_string(i) + ": " + std::to_string(stored) + "<>" +
                                  std::to_string(written) + "]",
                              colour::red, option::block);
            error = true;
        }
    }
    if (!error) reporter.showinfo("Daten erfolgreich übertragen", colour::green, option::block);

    TransferHost &host = transfer_.host();
    host.setFocus(TransferHost::Button::ProgButton);
    // Bytes 126 and 127 keep the firmware version read at the start of the run.
    transfer_.restoreSendcopy();
    transfer_.closeport();
    host.showdata();
    return error;
}

} // namespace morvi::link
