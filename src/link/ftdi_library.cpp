#include "ftdi_library.h"

#include <QDeadlineTimer>
#include <algorithm>
#include <array>
#include <chrono>
#include <cstring>
#include <ftdi.h>
#include <thread>

namespace morvi::link {

using namespace d2xx;

// The libftdi1 calls this backend makes, resolved from the loaded library.
struct FtdiLibrary::Calls {
    decltype(&::ftdi_new) newContext = nullptr;
    decltype(&::ftdi_free) freeContext = nullptr;
    decltype(&::ftdi_usb_find_all) findAll = nullptr;
    decltype(&::ftdi_list_free) listFree = nullptr;
    decltype(&::ftdi_usb_get_strings) getStrings = nullptr;
    decltype(&::ftdi_usb_open_dev) openDev = nullptr;
    decltype(&::ftdi_usb_close) usbClose = nullptr;
    decltype(&::ftdi_read_data) readData = nullptr;
    decltype(&::ftdi_write_data) writeData = nullptr;
    decltype(&::ftdi_set_baudrate) setBaudrate = nullptr;
    decltype(&::ftdi_set_line_property) setLineProperty = nullptr;
    decltype(&::ftdi_setflowctrl) setFlowCtrl = nullptr;
    decltype(&::ftdi_tciflush) tciflush = nullptr;
    decltype(&::ftdi_tcoflush) tcoflush = nullptr;
    decltype(&::ftdi_poll_modem_status) pollModemStatus = nullptr;
    // Used when there; nothing depends on them.
    decltype(&::ftdi_set_latency_timer) setLatencyTimer = nullptr;
    decltype(&::ftdi_setflowctrl_xonxoff) setFlowCtrlXonXoff = nullptr;
};

namespace {

// libftdi1's error codes where they tell the technician something.
constexpr int usbOpenFailed = -4;
constexpr int noRightsToDetach = -8;
constexpr int configurationRefused = -3;
constexpr int claimRefused = -5;

// The FTDI devices on the bus, freed with the object.
class DeviceList {
public:
    DeviceList(const FtdiLibrary::Calls &calls, ftdi_context *context) : calls_(calls)
    {
        count_ = context ? calls.findAll(context, &list_, 0, 0) : -1;
    }
    ~DeviceList()
    {
        if (list_) calls_.listFree(&list_);
    }
    DeviceList(const DeviceList &) = delete;
    DeviceList &operator=(const DeviceList &) = delete;

    // The number of devices, or libftdi1's negative error.
    int count() const { return count_; }
    libusb_device *at(int index) const
    {
        ftdi_device_list *node = list_;
        for (int i = 0; node && i < index; ++i)
            node = node->next;
        return node ? node->dev : nullptr;
    }

private:
    const FtdiLibrary::Calls &calls_;
    ftdi_device_list *list_ = nullptr;
    int count_ = 0;
};

QString openFailure(int code)
{
    switch (code) {
    case usbOpenFailed:
        return QStringLiteral("kein Zugriff auf das USB-Gerät. Die udev-Regel von Morvi installieren und den Adapter "
                              "neu einstecken.");
    case noRightsToDetach:
        return QStringLiteral("keine Berechtigung, den Treiber ftdi_sio vom Gerät zu lösen. Die udev-Regel von Morvi "
                              "installieren und den Adapter neu einstecken.");
    case configurationRefused:
    case claimRefused:
        return QStringLiteral("ein anderer Treiber oder ein anderes Programm hält das Gerät (\"sudo rmmod ftdi_sio\" "
                              "gibt es frei).");
    default: return QStringLiteral("libftdi1 meldet Fehler %1. Den Adapter neu einstecken.").arg(code);
    }
}

// Milliseconds count bytes take on the line at baudRate, with start and stop bit.
std::uint32_t wireTimeMs(std::uint32_t count, std::uint32_t baudRate)
{
    if (baudRate == 0) return 0;
    return static_cast<std::uint32_t>((std::uint64_t{count} * 10 * 1000 + baudRate - 1) / baudRate);
}

template <typename Fn> bool take(Fn &slot, QLibrary &library, const char *name)
{
    slot = reinterpret_cast<Fn>(library.resolve(name));
    return slot != nullptr;
}

} // namespace

std::unique_ptr<FtdiLibrary> FtdiLibrary::create(std::unique_ptr<QLibrary> library, const AdapterNotice &notice)
{
    auto calls = std::make_unique<Calls>();
    QLibrary &lib = *library;
    const bool complete =
        take(calls->newContext, lib, "ftdi_new") && take(calls->freeContext, lib, "ftdi_free") &&
        take(calls->findAll, lib, "ftdi_usb_find_all") && take(calls->listFree, lib, "ftdi_list_free") &&
        take(calls->getStrings, lib, "ftdi_usb_get_strings") && take(calls->openDev, lib, "ftdi_usb_open_dev") &&
        take(calls->usbClose, lib, "ftdi_usb_close") && take(calls->readData, lib, "ftdi_read_data") &&
        take(calls->writeData, lib, "ftdi_write_data") && take(calls->setBaudrate, lib, "ftdi_set_baudrate") &&
        take(calls->setLineProperty, lib, "ftdi_set_line_property") &&
        take(calls->setFlowCtrl, lib, "ftdi_setflowctrl") && take(calls->tciflush, lib, "ftdi_tciflush") &&
        take(calls->tcoflush, lib, "ftdi_tcoflush") && take(calls->pollModemStatus, lib, "ftdi_poll_modem_status");
    if (!complete) return nullptr;
    take(calls->setLatencyTimer, lib, "ftdi_set_latency_timer");
    take(calls->setFlowCtrlXonXoff, lib, "ftdi_setflowctrl_xonxoff");
    return std::unique_ptr<FtdiLibrary>(new FtdiLibrary(std::move(library), std::move(calls), notice));
}

FtdiLibrary::FtdiLibrary(std::unique_ptr<QLibrary> library, std::unique_ptr<Calls> calls, const AdapterNotice &notice)
    : library_(std::move(library)), calls_(std::move(calls)), notices_(notice)
{
    fileName_ = library_->fileName();
    bind();
}

FtdiLibrary::~FtdiLibrary()
{
    for (auto &[handle, d] : devices_) {
        calls_->usbClose(d->context);
        calls_->freeContext(d->context);
    }
    if (search_) calls_->freeContext(search_);
}

void FtdiLibrary::bind()
{
    api_.listDevices = [this](void *a, void *b, std::uint32_t f) { return listDevices(a, b, f); };
    api_.openEx = [this](void *a, std::uint32_t f, FT_HANDLE *h) { return openEx(a, f, h); };
    api_.close = [this](FT_HANDLE h) { return close(h); };
    api_.read = [this](FT_HANDLE h, void *b, std::uint32_t n, std::uint32_t *done) { return read(h, b, n, done); };
    api_.write = [this](FT_HANDLE h, void *b, std::uint32_t n, std::uint32_t *done) { return write(h, b, n, done); };
    api_.setBaudRate = [this](FT_HANDLE h, std::uint32_t baud) { return setBaudRate(h, baud); };
    api_.setDataCharacteristics = [this](FT_HANDLE h, std::uint8_t w, std::uint8_t s, std::uint8_t p) {
        return setDataCharacteristics(h, w, s, p);
    };
    api_.setFlowControl = [this](FT_HANDLE h, std::uint16_t f, std::uint8_t on, std::uint8_t off) {
        return setFlowControl(h, f, on, off);
    };
    api_.purge = [this](FT_HANDLE h, std::uint32_t mask) { return purge(h, mask); };
    api_.setTimeouts = [this](FT_HANDLE h, std::uint32_t r, std::uint32_t w) { return setTimeouts(h, r, w); };
    api_.getQueueStatus = [this](FT_HANDLE h, std::uint32_t *rx) { return getQueueStatus(h, rx); };
    api_.getStatus = [this](FT_HANDLE h, std::uint32_t *rx, std::uint32_t *tx, std::uint32_t *ev) {
        return getStatus(h, rx, tx, ev);
    };
}

FtdiLibrary::Device *FtdiLibrary::device(FT_HANDLE handle)
{
    const auto it = devices_.find(handle);
    return it == devices_.end() ? nullptr : it->second.get();
}

ftdi_context *FtdiLibrary::searchContext()
{
    // Without USB access at all there is no context; the next search tries again.
    if (!search_) search_ = calls_->newContext();
    return search_;
}

int FtdiLibrary::readSerial(libusb_device *dev, char *buffer, int size)
{
    ftdi_context *context = searchContext();
    if (!context || !dev) return -1;
    std::memset(buffer, 0, static_cast<std::size_t>(size));
    return calls_->getStrings(context, dev, nullptr, 0, nullptr, 0, buffer, size);
}

FtdiLibrary::FT_STATUS FtdiLibrary::listDevices(void *arg1, void *arg2, std::uint32_t flags)
{
    if (flags & FT_LIST_NUMBER_ONLY) {
        notices_.beginRound();
        if (!arg1) return FT_INVALID_PARAMETER;
        const DeviceList list(*calls_, searchContext());
        if (list.count() < 0) return FT_IO_ERROR;
        *static_cast<std::uint32_t *>(arg1) = static_cast<std::uint32_t>(list.count());
        return FT_OK;
    }
    if (!(flags & FT_LIST_BY_INDEX) || !(flags & FT_OPEN_BY_SERIAL_NUMBER) || !arg2) return FT_INVALID_PARAMETER;
    // The bus is listed afresh: an index means the device there now.
    const auto index = reinterpret_cast<std::uintptr_t>(arg1);
    const DeviceList list(*calls_, searchContext());
    if (list.count() < 0) return FT_IO_ERROR;
    if (index >= static_cast<std::uintptr_t>(list.count())) return FT_DEVICE_NOT_FOUND;
    const int code = readSerial(list.at(static_cast<int>(index)), static_cast<char *>(arg2),
                                static_cast<int>(serialNumberBufferSize));
    if (code == usbOpenFailed)
        notices_.say(QStringLiteral("unreadable"),
                     QStringLiteral("Ein FTDI-USB-Gerät lässt sich nicht lesen: keine Zugriffsrechte. Ist es der "
                                    "USB-Adapter, die udev-Regel von Morvi installieren und den Adapter neu "
                                    "einstecken."));
    if (code < 0) return FT_DEVICE_NOT_OPENED;
    return FT_OK;
}

FtdiLibrary::FT_STATUS FtdiLibrary::openEx(void *arg, std::uint32_t flags, FT_HANDLE *handle)
{
    if (flags != FT_OPEN_BY_SERIAL_NUMBER || !arg || !handle) return FT_INVALID_PARAMETER;
    const std::string serial = static_cast<const char *>(arg);
    for (const auto &[h, d] : devices_)
        if (d->serial == serial) return FT_DEVICE_NOT_OPENED;

    const DeviceList list(*calls_, searchContext());
    for (int i = 0; i < list.count(); ++i) {
        libusb_device *dev = list.at(i);
        std::array<char, serialNumberBufferSize> found{};
        if (readSerial(dev, found.data(), static_cast<int>(found.size())) < 0 || serial != found.data()) continue;

        auto d = std::make_unique<Device>();
        d->serial = serial;
        d->context = calls_->newContext();
        if (!d->context) return FT_INSUFFICIENT_RESOURCES;
        // The kernel's serial driver lets go of the adapter while it is open
        // here and takes it back when it is closed.
        d->context->module_detach_mode = AUTO_DETACH_REATACH_SIO_MODULE;
        d->context->usb_read_timeout = usbReadTimeoutMs;
        const QString key = QString::fromStdString(serial) + QLatin1Char(':');
        if (const int code = calls_->openDev(d->context, dev); code < 0) {
            calls_->freeContext(d->context);
            notices_.say(key + QString::number(code), QStringLiteral("USB-Adapter %1 lässt sich nicht öffnen: %2")
                                                          .arg(QString::fromStdString(serial), openFailure(code)));
            return FT_DEVICE_NOT_OPENED;
        }
        notices_.forget(key);
        // Answers reach the program at once instead of after the chip's default 16 ms.
        if (calls_->setLatencyTimer) calls_->setLatencyTimer(d->context, latencyMs);
        Device *opened = d.get();
        devices_.emplace(opened, std::move(d));
        *handle = opened;
        return FT_OK;
    }
    return FT_DEVICE_NOT_FOUND;
}

FtdiLibrary::FT_STATUS FtdiLibrary::close(FT_HANDLE handle)
{
    const auto it = devices_.find(handle);
    if (it == devices_.end()) return FT_INVALID_HANDLE;
    const int code = calls_->usbClose(it->second->context);
    calls_->freeContext(it->second->context);
    devices_.erase(it);
    return code < 0 ? FT_IO_ERROR : FT_OK;
}

bool FtdiLibrary::pull(Device &d)
{
    std::array<unsigned char, 4096> chunk;
    while (d.ahead.size() < readAheadLimit) {
        const int room = static_cast<int>(std::min(chunk.size(), readAheadLimit - d.ahead.size()));
        const int got = calls_->readData(d.context, chunk.data(), room);
        if (got < 0) return false;
        d.ahead.insert(d.ahead.end(), chunk.begin(), chunk.begin() + got);
        if (got < room) break;
    }
    return true;
}

FtdiLibrary::FT_STATUS FtdiLibrary::read(FT_HANDLE handle, void *buffer, std::uint32_t toRead, std::uint32_t *done)
{
    if (done) *done = 0;
    Device *d = device(handle);
    if (!d) return FT_INVALID_HANDLE;
    if (!buffer || !done) return FT_INVALID_PARAMETER;
    // Waits up to the read time-out for the bytes asked for, as the vendor library does.
    const QDeadlineTimer deadline(static_cast<qint64>(d->readTimeoutMs));
    bool alive = pull(*d);
    while (alive && d->ahead.size() < toRead && !deadline.hasExpired()) {
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
        alive = pull(*d);
    }
    const auto n = static_cast<std::uint32_t>(std::min<std::size_t>(toRead, d->ahead.size()));
    std::copy_n(d->ahead.begin(), n, static_cast<std::uint8_t *>(buffer));
    d->ahead.erase(d->ahead.begin(), d->ahead.begin() + n);
    *done = n;
    return alive || n > 0 ? FT_OK : FT_IO_ERROR;
}

FtdiLibrary::FT_STATUS FtdiLibrary::write(FT_HANDLE handle, void *buffer, std::uint32_t toWrite, std::uint32_t *done)
{
    if (done) *done = 0;
    Device *d = device(handle);
    if (!d) return FT_INVALID_HANDLE;
    if (!buffer || !done) return FT_INVALID_PARAMETER;
    // The chip takes bytes no faster than they leave on the line, so the
    // write time-out counts from the time the bytes need there.
    d->context->usb_write_timeout =
        static_cast<int>(d->writeTimeoutMs + wireTimeMs(toWrite, d->baudRate) + usbWriteSlackMs);
    const int written =
        calls_->writeData(d->context, static_cast<const unsigned char *>(buffer), static_cast<int>(toWrite));
    if (written < 0) return FT_IO_ERROR;
    *done = static_cast<std::uint32_t>(written);
    return FT_OK;
}

FtdiLibrary::FT_STATUS FtdiLibrary::setBaudRate(FT_HANDLE handle, std::uint32_t baudRate)
{
    Device *d = device(handle);
    if (!d) return FT_INVALID_HANDLE;
    const int code = calls_->setBaudrate(d->context, static_cast<int>(baudRate));
    if (code == -1) return FT_INVALID_BAUD_RATE;
    if (code < 0) return FT_IO_ERROR;
    d->baudRate = baudRate;
    return FT_OK;
}

FtdiLibrary::FT_STATUS FtdiLibrary::setDataCharacteristics(FT_HANDLE handle, std::uint8_t wordLength,
                                                           std::uint8_t stopBits, std::uint8_t parity)
{
    Device *d = device(handle);
    if (!d) return FT_INVALID_HANDLE;
    // The vendor library's values are libftdi1's: 7 or 8 bits, stop bits 0 (one) or 2 (two), parity 0..4.
    if ((wordLength != BITS_7 && wordLength != BITS_8) || (stopBits != STOP_BIT_1 && stopBits != STOP_BIT_2) ||
        parity > SPACE)
        return FT_INVALID_PARAMETER;
    const int code =
        calls_->setLineProperty(d->context, static_cast<ftdi_bits_type>(wordLength),
                                static_cast<ftdi_stopbits_type>(stopBits), static_cast<ftdi_parity_type>(parity));
    return code < 0 ? FT_IO_ERROR : FT_OK;
}

FtdiLibrary::FT_STATUS FtdiLibrary::setFlowControl(FT_HANDLE handle, std::uint16_t flowControl, std::uint8_t xon,
                                                   std::uint8_t xoff)
{
    Device *d = device(handle);
    if (!d) return FT_INVALID_HANDLE;
    // The vendor library's flow-control values are libftdi1's.
    int code = 0;
    switch (flowControl) {
    case SIO_DISABLE_FLOW_CTRL:
    case SIO_RTS_CTS_HS:
    case SIO_DTR_DSR_HS: code = calls_->setFlowCtrl(d->context, flowControl); break;
    case SIO_XON_XOFF_HS:
        code = calls_->setFlowCtrlXonXoff ? calls_->setFlowCtrlXonXoff(d->context, xon, xoff)
                                          : calls_->setFlowCtrl(d->context, flowControl);
        break;
    default: return FT_INVALID_PARAMETER;
    }
    return code < 0 ? FT_IO_ERROR : FT_OK;
}

FtdiLibrary::FT_STATUS FtdiLibrary::purge(FT_HANDLE handle, std::uint32_t mask)
{
    Device *d = device(handle);
    if (!d) return FT_INVALID_HANDLE;
    if (mask & ~(FT_PURGE_RX | FT_PURGE_TX)) return FT_INVALID_PARAMETER;
    if (mask & FT_PURGE_RX) {
        // What was read ahead counts as received too.
        d->ahead.clear();
        if (calls_->tciflush(d->context) < 0) return FT_IO_ERROR;
    }
    if ((mask & FT_PURGE_TX) && calls_->tcoflush(d->context) < 0) return FT_IO_ERROR;
    return FT_OK;
}

FtdiLibrary::FT_STATUS FtdiLibrary::setTimeouts(FT_HANDLE handle, std::uint32_t readTimeout, std::uint32_t writeTimeout)
{
    Device *d = device(handle);
    if (!d) return FT_INVALID_HANDLE;
    d->readTimeoutMs = readTimeout;
    d->writeTimeoutMs = writeTimeout;
    return FT_OK;
}

FtdiLibrary::FT_STATUS FtdiLibrary::getQueueStatus(FT_HANDLE handle, std::uint32_t *rxBytes)
{
    Device *d = device(handle);
    if (!d) return FT_INVALID_HANDLE;
    if (!rxBytes) return FT_INVALID_PARAMETER;
    if (!pull(*d)) return FT_IO_ERROR;
    *rxBytes = static_cast<std::uint32_t>(d->ahead.size());
    return FT_OK;
}

FtdiLibrary::FT_STATUS FtdiLibrary::getStatus(FT_HANDLE handle, std::uint32_t *rxBytes, std::uint32_t *txBytes,
                                              std::uint32_t *eventStatus)
{
    Device *d = device(handle);
    if (!d) return FT_INVALID_HANDLE;
    if (!rxBytes || !txBytes || !eventStatus) return FT_INVALID_PARAMETER;
    // A device that is gone no longer answers the modem-status request.
    unsigned short modemStatus = 0;
    if (calls_->pollModemStatus(d->context, &modemStatus) < 0 || !pull(*d)) return FT_IO_ERROR;
    *rxBytes = static_cast<std::uint32_t>(d->ahead.size());
    *txBytes = 0;
    *eventStatus = 0;
    return FT_OK;
}

} // namespace morvi::link
