#include "vendor_library.h"

namespace morvi::link {

using namespace d2xx;

namespace {

template <typename Fn> Fn symbol(QLibrary &library, const char *name)
{
    return reinterpret_cast<Fn>(library.resolve(name));
}

// Leaves the entry empty when the library lacks the symbol.
template <typename Slot, typename Fn> void take(Slot &slot, Fn fn)
{
    if (fn) slot = fn;
}

} // namespace

VendorLibrary::VendorLibrary(std::unique_ptr<QLibrary> library, const AdapterNotice &notice)
    : library_(std::move(library)), notices_(notice)
{
    fileName_ = library_->fileName();
    QLibrary &lib = *library_;
    take(api_.close, symbol<FT_Close_t>(lib, "FT_Close"));
    take(api_.read, symbol<FT_Read_t>(lib, "FT_Read"));
    take(api_.write, symbol<FT_Write_t>(lib, "FT_Write"));
    take(api_.setBaudRate, symbol<FT_SetBaudRate_t>(lib, "FT_SetBaudRate"));
    take(api_.setDataCharacteristics, symbol<FT_SetDataCharacteristics_t>(lib, "FT_SetDataCharacteristics"));
    take(api_.setFlowControl, symbol<FT_SetFlowControl_t>(lib, "FT_SetFlowControl"));
    take(api_.purge, symbol<FT_Purge_t>(lib, "FT_Purge"));
    take(api_.setTimeouts, symbol<FT_SetTimeouts_t>(lib, "FT_SetTimeouts"));
    take(api_.getQueueStatus, symbol<FT_GetQueueStatus_t>(lib, "FT_GetQueueStatus"));
    take(api_.getStatus, symbol<FT_GetStatus_t>(lib, "FT_GetStatus"));
    const auto listDevices = symbol<FT_ListDevices_t>(lib, "FT_ListDevices");
    const auto openEx = symbol<FT_OpenEx_t>(lib, "FT_OpenEx");
    const auto setLatencyTimer = symbol<FT_SetLatencyTimer_t>(lib, "FT_SetLatencyTimer");

    // Each device count starts a search round of the notices.
    if (listDevices)
        api_.listDevices = [this, listDevices](void *arg1, void *arg2, std::uint32_t flags) {
            if (flags & FT_LIST_NUMBER_ONLY) notices_.beginRound();
            return listDevices(arg1, arg2, flags);
        };
    // A failed open is said once, with what usually causes it.
    if (openEx)
        api_.openEx = [this, openEx, setLatencyTimer](void *arg, std::uint32_t flags, FT_HANDLE *handle) {
            const FT_STATUS status = openEx(arg, flags, handle);
            // Answers reach the program after 2 ms instead of the chip's
            // default 16; a library without the call leaves the default.
            if (status == FT_OK && setLatencyTimer) setLatencyTimer(*handle, latencyMs);
            const QString serial = arg ? QString::fromLatin1(static_cast<const char *>(arg)) : QString();
            // A device gone since it was listed has nothing to tell.
            if (status == FT_OK)
                notices_.forget(serial + QLatin1Char(':'));
            else if (status != FT_DEVICE_NOT_FOUND)
                notices_.say(
                    serial + QLatin1Char(':') + QString::number(status),
                    QStringLiteral("USB-Adapter %1 lässt sich nicht öffnen: %2").arg(serial, openFailure(status)));
            return status;
        };
}

QString VendorLibrary::openFailure(FT_STATUS status)
{
    switch (status) {
    case FT_DEVICE_NOT_OPENED:
        return QStringLiteral("das Gerät ist belegt. Meist hält es der Treiber ftdi_sio (\"sudo rmmod ftdi_sio\"), "
                              "sonst fehlen die Zugriffsrechte (udev-Regel von Morvi installieren und den Adapter "
                              "neu einstecken).");
    default: return QStringLiteral("Fehler %1 der Adapter-Bibliothek.").arg(status);
    }
}

} // namespace morvi::link
