#include "d2xx_unit.h"

#include "adapter_library.h"

#include <QtGlobal>
#include <algorithm>
#include <cstring>

namespace morvi::link {

using namespace d2xx;

namespace {

// Calls an entry point, or fails as if no device were there when it is missing.
template <typename Fn, typename... Args> FT_STATUS call(Fn fn, Args... args)
{
    return fn ? fn(args...) : D2XXUnit::missingStatus;
}

} // namespace

D2XXUnit::D2XXUnit() : D2XXUnit(systemAdapterLibraries()) {}

D2XXUnit::D2XXUnit(QString libraryPath) : D2XXUnit(QStringList{std::move(libraryPath)}) {}

D2XXUnit::D2XXUnit(QStringList libraries)
    : inBuffer(std::make_unique<std::array<std::uint8_t, ioBufferSize>>()),
      outBuffer(std::make_unique<std::array<std::uint8_t, ioBufferSize>>()), libraries_(std::move(libraries))
{
}

D2XXUnit::~D2XXUnit() = default;

void D2XXUnit::setLibraryPath(const QString &libraryPath)
{
    loaded_.reset();
    api_ = Api{};
    tried_ = false;
    libraries_ = QStringList{libraryPath};
}

QString D2XXUnit::libraryPath() const
{
    if (loaded_) return loaded_->fileName();
    return libraries_.isEmpty() ? QString() : libraries_.front();
}

bool D2XXUnit::load()
{
    api();
    return loaded_ != nullptr;
}

bool D2XXUnit::usesLibftdi() const { return loaded_ && loaded_->kind() == AdapterLibrary::Kind::libftdi1; }

const D2XXUnit::Api &D2XXUnit::api()
{
    // Tried once only: the search runs every second and a missing library
    // stays missing for the run.
    if (tried_) return api_;
    tried_ = true;
    loaded_ = loadAdapterLibrary(libraries_, [this](const QString &text) {
        if (notice_) notice_(text);
    });
    if (loaded_) api_ = loaded_->api();
    return api_;
}

QString D2XXUnit::statusText(FT_STATUS status)
{
    switch (status) {
    case FT_INVALID_HANDLE: return QStringLiteral(" - Invalid handle...");
    case FT_DEVICE_NOT_FOUND: return QStringLiteral(" - Device not found...");
    case FT_DEVICE_NOT_OPENED: return QStringLiteral(" - Device not opened...");
    case FT_IO_ERROR: return QStringLiteral(" - General IO error...");
    case FT_INSUFFICIENT_RESOURCES: return QStringLiteral(" - Insufficient resources...");
    case FT_INVALID_PARAMETER: return QStringLiteral(" - Invalid parameter...");
    case FT_INVALID_BAUD_RATE: return QStringLiteral(" - Invalid baud rate...");
    case FT_DEVICE_NOT_OPENED_FOR_ERASE: return QStringLiteral(" Device not opened for erase...");
    case FT_DEVICE_NOT_OPENED_FOR_WRITE: return QStringLiteral(" Device not opened for write...");
    case FT_FAILED_TO_WRITE_DEVICE: return QStringLiteral(" - Failed to write...");
    case FT_EEPROM_READ_FAILED: return QStringLiteral(" - EEPROM read failed...");
    case FT_EEPROM_WRITE_FAILED: return QStringLiteral(" - EEPROM write failed...");
    case FT_EEPROM_ERASE_FAILED: return QStringLiteral(" - EEPROM erase failed...");
    case FT_EEPROM_NOT_PRESENT: return QStringLiteral(" - EEPROM not present...");
    case FT_EEPROM_NOT_PROGRAMMED: return QStringLiteral(" - EEPROM not programmed...");
    case FT_INVALID_ARGS: return QStringLiteral(" - Invalid arguments...");
    case FT_OTHER_ERROR: return QStringLiteral(" - Other error ...");
    default: return {};
    }
}

QString D2XXUnit::errorText(const QString &operation, FT_STATUS status) { return operation + statusText(status); }

D2XXUnit::FT_STATUS D2XXUnit::report(const char *operation, FT_STATUS status)
{
    if (status == FT_OK || !errorReport) return status;
    const QString text = errorText(QString::fromLatin1(operation), status);
    if (errorDialog_)
        errorDialog_(text);
    else
        qWarning("%s", qPrintable(text));
    return status;
}

std::string D2XXUnit::serialNumberText() const
{
    const auto end = std::find(serialNumber.begin(), serialNumber.end(), '\0');
    return std::string(serialNumber.begin(), end);
}

D2XXUnit::FT_STATUS D2XXUnit::GetFTDeviceCount()
{
    return report("GetFTDeviceCount", call(api().listDevices, static_cast<void *>(&deviceCount),
                                           static_cast<void *>(nullptr), FT_LIST_NUMBER_ONLY));
}

D2XXUnit::FT_STATUS D2XXUnit::GetFTDeviceSerialNo(std::uint32_t index)
{
    // Cleared first, so a failed call leaves no serial number of an earlier device.
    serialNumber.fill('\0');
    const auto arg = reinterpret_cast<void *>(static_cast<std::uintptr_t>(index));
    return report("GetFTDeviceSerialNo", call(api().listDevices, arg, static_cast<void *>(serialNumber.data()),
                                              FT_LIST_BY_INDEX | FT_OPEN_BY_SERIAL_NUMBER));
}

D2XXUnit::FT_STATUS D2XXUnit::Open_USB_Device_By_Serial_Number(const std::string &serial)
{
    openBuffer.fill('\0');
    std::memcpy(openBuffer.data(), serial.data(), std::min(serial.size(), openBufferLength));
    return report("Open_USB_Device_By_Serial_Number",
                  call(api().openEx, static_cast<void *>(openBuffer.data()), FT_OPEN_BY_SERIAL_NUMBER, &handle));
}

D2XXUnit::FT_STATUS D2XXUnit::Close_USB_Device()
{
    const FT_STATUS status = Close_USB_Device(handle);
    handle = nullptr;
    return status;
}

D2XXUnit::FT_STATUS D2XXUnit::Close_USB_Device(FT_HANDLE other) { return report("FT_Close", call(api().close, other)); }

std::uint32_t D2XXUnit::Read_USB_Device_Buffer(std::uint32_t count)
{
    std::uint32_t done = 0;
    count = std::min<std::uint32_t>(count, ioBufferSize);
    ioStatus = report("FT_Read", call(api().read, handle, static_cast<void *>(inBuffer->data()), count, &done));
    return done;
}

std::uint32_t D2XXUnit::Write_USB_Device_Buffer(std::uint32_t count)
{
    std::uint32_t done = 0;
    count = std::min<std::uint32_t>(count, ioBufferSize);
    ioStatus = report("FT_Write", call(api().write, handle, static_cast<void *>(outBuffer->data()), count, &done));
    return done;
}

D2XXUnit::FT_STATUS D2XXUnit::Set_USB_Device_BaudRate()
{
    return report("FT_SetBaudRate", call(api().setBaudRate, handle, baudRate));
}

D2XXUnit::FT_STATUS D2XXUnit::Set_USB_Device_DataCharacteristics()
{
    return report("FT_SetDataCharacteristics",
                  call(api().setDataCharacteristics, handle, wordLength, stopBits, parity));
}

D2XXUnit::FT_STATUS D2XXUnit::Set_USB_Device_FlowControl()
{
    return report("FT_SetFlowControl", call(api().setFlowControl, handle, flowControl, xon, xoff));
}

D2XXUnit::FT_STATUS D2XXUnit::Purge_USB_Device_In()
{
    return report("FT_Purge RX", call(api().purge, handle, FT_PURGE_RX));
}

D2XXUnit::FT_STATUS D2XXUnit::Purge_USB_Device_Out()
{
    return report("FT_Purge TX", call(api().purge, handle, FT_PURGE_TX));
}

D2XXUnit::FT_STATUS D2XXUnit::Set_USB_Device_TimeOuts(std::uint32_t readTimeoutMs, std::uint32_t writeTimeoutMs)
{
    return report("FT_SetTimeouts", call(api().setTimeouts, handle, readTimeoutMs, writeTimeoutMs));
}

D2XXUnit::FT_STATUS D2XXUnit::Get_USB_Device_QueueStatus()
{
    return report("FT_GetQueueStatus", call(api().getQueueStatus, handle, &rxQueue));
}

D2XXUnit::FT_STATUS D2XXUnit::Get_USB_Device_Status()
{
    return report("FT_GetStatus", call(api().getStatus, handle, &rxQueue, &txQueue, &eventStatus));
}

} // namespace morvi::link
