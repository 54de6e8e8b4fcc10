// A stand-in for Debian's libftdi1, built against its header so every call
// has the real signature. Devices, transmitter, failures and the record of
// what reached the adapter belong to the fake vendor library, whose entry
// points each call here goes through; this library adds libftdi1's own
// vocabulary: contexts, device lists, error codes and the kernel's driver.
#include "fake_libftdi1.h"

#include "d2xx_api.h"

#include <algorithm>
#include <cstring>
#include <ftdi.h>
#include <map>
#include <set>
#include <string>
#include <type_traits>
#include <vector>

using namespace morvi::d2xx;

// The fake vendor library's entry points, linked in.
extern "C" {
FT_STATUS FT_ListDevices(void *arg1, void *arg2, std::uint32_t flags);
FT_STATUS FT_OpenEx(void *arg, std::uint32_t flags, FT_HANDLE *handle);
FT_STATUS FT_Close(FT_HANDLE handle);
FT_STATUS FT_Read(FT_HANDLE handle, void *buffer, std::uint32_t toRead, std::uint32_t *read);
FT_STATUS FT_Write(FT_HANDLE handle, void *buffer, std::uint32_t toWrite, std::uint32_t *written);
FT_STATUS FT_SetBaudRate(FT_HANDLE handle, std::uint32_t baudRate);
FT_STATUS FT_SetDataCharacteristics(FT_HANDLE handle, std::uint8_t wordLength, std::uint8_t stopBits,
                                    std::uint8_t parity);
FT_STATUS FT_SetFlowControl(FT_HANDLE handle, std::uint16_t flowControl, std::uint8_t xon, std::uint8_t xoff);
FT_STATUS FT_Purge(FT_HANDLE handle, std::uint32_t mask);
FT_STATUS FT_GetStatus(FT_HANDLE handle, std::uint32_t *rxBytes, std::uint32_t *txBytes, std::uint32_t *eventStatus);
FT_STATUS FT_SetLatencyTimer(FT_HANDLE handle, std::uint8_t latency);
}

// A device on the fake bus: its place in the fake adapter's device table.
struct libusb_device {
    std::uint32_t index;
};

namespace {

struct Open {
    FT_HANDLE handle = nullptr;
    std::string serial;
};

struct State {
    std::map<ftdi_context *, Open> contexts; // open or not
    std::vector<std::string> calls;
    std::map<std::string, int> failures;
    std::set<std::string> bound;
};

State &state()
{
    static State s;
    return s;
}

// Records the call; returns the failure set for it, or 0.
int enter(const std::string &line)
{
    State &s = state();
    s.calls.push_back(line);
    for (const auto &[key, code] : s.failures)
        if (line == key || line.starts_with(key + " ")) return code;
    return 0;
}

int fail(ftdi_context *ftdi, int code, const char *text)
{
    if (ftdi) ftdi->error_str = text;
    return code;
}

// The serial number of the device at index in the fake adapter's table.
bool serialAt(std::uint32_t index, std::string &serial)
{
    char buffer[serialNumberBufferSize] = {};
    const auto arg = reinterpret_cast<void *>(static_cast<std::uintptr_t>(index));
    if (FT_ListDevices(arg, buffer, FT_LIST_BY_INDEX | FT_OPEN_BY_SERIAL_NUMBER) != FT_OK) return false;
    serial = buffer;
    return true;
}

// The open device behind a context, or null.
Open *opened(ftdi_context *ftdi)
{
    const auto it = state().contexts.find(ftdi);
    return it == state().contexts.end() || !it->second.handle ? nullptr : &it->second;
}

std::string name(ftdi_context *ftdi)
{
    const Open *o = opened(ftdi);
    return o ? o->serial : std::string("-");
}

// A stand-in for libusb's handle: libftdi1 takes a non-null one as open.
libusb_device_handle *openMark(FT_HANDLE handle) { return reinterpret_cast<libusb_device_handle *>(handle); }

} // namespace

extern "C" {

ftdi_context *ftdi_new(void)
{
    if (const int code = enter("ftdi_new"); code != 0) return nullptr;
    auto *ftdi = new ftdi_context{};
    ftdi->usb_read_timeout = 5000;
    ftdi->usb_write_timeout = 5000;
    ftdi->module_detach_mode = AUTO_DETACH_SIO_MODULE;
    state().contexts[ftdi] = Open{};
    return ftdi;
}

int ftdi_usb_close(ftdi_context *ftdi)
{
    Open *o = opened(ftdi);
    const int code = enter("ftdi_usb_close " + name(ftdi));
    if (code != 0) return fail(ftdi, code, "usb_release failed");
    if (!o) return 0;
    const FT_STATUS status = FT_Close(o->handle);
    // The driver takes the device back when it was let go for this open.
    if (ftdi->module_detach_mode == AUTO_DETACH_REATACH_SIO_MODULE) state().bound.insert(o->serial);
    *o = Open{};
    ftdi->usb_dev = nullptr;
    return status == FT_OK ? 0 : fail(ftdi, -1, "usb_release failed");
}

void ftdi_free(ftdi_context *ftdi)
{
    if (!ftdi) return;
    enter("ftdi_free");
    if (opened(ftdi)) ftdi_usb_close(ftdi);
    state().contexts.erase(ftdi);
    delete ftdi;
}

int ftdi_usb_find_all(ftdi_context *ftdi, ftdi_device_list **devlist, int vendor, int product)
{
    if (const int code = enter("ftdi_usb_find_all " + std::to_string(vendor) + " " + std::to_string(product)))
        return fail(ftdi, code, "libusb_get_device_list() failed");
    std::uint32_t count = 0;
    if (FT_ListDevices(&count, nullptr, FT_LIST_NUMBER_ONLY) != FT_OK)
        return fail(ftdi, -5, "libusb_get_device_list() failed");
    ftdi_device_list **tail = devlist;
    for (std::uint32_t i = 0; i < count; ++i) {
        *tail = new ftdi_device_list{nullptr, new libusb_device{i}};
        tail = &(*tail)->next;
    }
    *tail = nullptr;
    return static_cast<int>(count);
}

void ftdi_list_free(ftdi_device_list **devlist)
{
    ftdi_device_list *node = *devlist;
    while (node) {
        ftdi_device_list *next = node->next;
        delete node->dev;
        delete node;
        node = next;
    }
    *devlist = nullptr;
}

int ftdi_usb_get_strings(ftdi_context *ftdi, libusb_device *dev, char *manufacturer, int mnf_len, char *description,
                         int desc_len, char *serial, int serial_len)
{
    std::string number;
    const bool readable = dev && serialAt(dev->index, number);
    if (const int code = enter("ftdi_usb_get_strings " + (readable ? number : std::string("?"))); code != 0)
        return fail(ftdi, code, "libusb_open() failed");
    if (!readable) return fail(ftdi, -9, "unable to fetch serial number");
    auto copy = [](char *to, int size, const std::string &text) {
        if (!to || size <= 0) return;
        const std::size_t n = std::min(text.size(), static_cast<std::size_t>(size - 1));
        std::memcpy(to, text.data(), n);
        to[n] = '\0';
    };
    copy(manufacturer, mnf_len, "FTDI");
    copy(description, desc_len, "FT232R USB UART");
    copy(serial, serial_len, number);
    return 0;
}

int ftdi_usb_open_dev(ftdi_context *ftdi, libusb_device *dev)
{
    std::string serial;
    const bool listed = dev && serialAt(dev->index, serial);
    const int code = enter("ftdi_usb_open_dev " + (listed ? serial : std::string("?")) + " detach " +
                           std::to_string(ftdi ? int(ftdi->module_detach_mode) : -1));
    if (!ftdi) return -8;
    if (code != 0) return fail(ftdi, code, "fake failure");
    if (!listed) return fail(ftdi, -4, "libusb_open() failed");
    if (state().bound.contains(serial)) {
        if (ftdi->module_detach_mode == DONT_DETACH_SIO_MODULE)
            return fail(ftdi, -5, "unable to claim usb device. Make sure the default FTDI driver is not in use");
        state().bound.erase(serial);
    }
    FT_HANDLE handle = nullptr;
    const FT_STATUS status = FT_OpenEx(serial.data(), FT_OPEN_BY_SERIAL_NUMBER, &handle);
    if (status != FT_OK) return fail(ftdi, status == FT_DEVICE_NOT_FOUND ? -4 : -5, "unable to claim usb device");
    state().contexts[ftdi] = Open{handle, serial};
    ftdi->usb_dev = openMark(handle);
    return 0;
}

int ftdi_read_data(ftdi_context *ftdi, unsigned char *buf, int size)
{
    Open *o = opened(ftdi);
    if (const int code = enter("ftdi_read_data " + name(ftdi) + " " + std::to_string(size)); code != 0)
        return fail(ftdi, code, "usb bulk read failed");
    if (!o) return fail(ftdi, -666, "USB device unavailable");
    std::uint32_t got = 0;
    if (FT_Read(o->handle, buf, static_cast<std::uint32_t>(size), &got) != FT_OK)
        return fail(ftdi, -4, "usb bulk read failed");
    return static_cast<int>(got);
}

int ftdi_write_data(ftdi_context *ftdi, const unsigned char *buf, int size)
{
    Open *o = opened(ftdi);
    const std::string line = "ftdi_write_data " + name(ftdi) + " " + std::to_string(size) + " timeout " +
                             std::to_string(ftdi ? ftdi->usb_write_timeout : 0);
    if (const int code = enter(line); code != 0) return fail(ftdi, code, "usb bulk write failed");
    if (!o) return fail(ftdi, -666, "USB device unavailable");
    std::vector<unsigned char> bytes(buf, buf + size);
    std::uint32_t written = 0;
    if (FT_Write(o->handle, bytes.data(), static_cast<std::uint32_t>(size), &written) != FT_OK)
        return fail(ftdi, -1, "usb bulk write failed");
    return static_cast<int>(written);
}

int ftdi_set_baudrate(ftdi_context *ftdi, int baudrate)
{
    Open *o = opened(ftdi);
    if (const int code = enter("ftdi_set_baudrate " + name(ftdi) + " " + std::to_string(baudrate)); code != 0)
        return fail(ftdi, code, "Setting new baudrate failed");
    if (!o) return fail(ftdi, -3, "USB device unavailable");
    if (baudrate <= 0) return fail(ftdi, -1, "Silly baudrate <= 0.");
    if (FT_SetBaudRate(o->handle, static_cast<std::uint32_t>(baudrate)) != FT_OK)
        return fail(ftdi, -2, "Setting new baudrate failed");
    ftdi->baudrate = baudrate;
    return 0;
}

int ftdi_set_line_property(ftdi_context *ftdi, ftdi_bits_type bits, ftdi_stopbits_type sbit, ftdi_parity_type parity)
{
    Open *o = opened(ftdi);
    const std::string line = "ftdi_set_line_property " + name(ftdi) + " " + std::to_string(int(bits)) + " " +
                             std::to_string(int(sbit)) + " " + std::to_string(int(parity));
    if (const int code = enter(line); code != 0) return fail(ftdi, code, "Setting new line property failed");
    if (!o) return fail(ftdi, -2, "USB device unavailable");
    if (FT_SetDataCharacteristics(o->handle, static_cast<std::uint8_t>(bits), static_cast<std::uint8_t>(sbit),
                                  static_cast<std::uint8_t>(parity)) != FT_OK)
        return fail(ftdi, -1, "Setting new line property failed");
    return 0;
}

int ftdi_setflowctrl(ftdi_context *ftdi, int flowctrl)
{
    Open *o = opened(ftdi);
    if (const int code = enter("ftdi_setflowctrl " + name(ftdi) + " " + std::to_string(flowctrl)); code != 0)
        return fail(ftdi, code, "set flow control failed");
    if (!o) return fail(ftdi, -2, "USB device unavailable");
    if (FT_SetFlowControl(o->handle, static_cast<std::uint16_t>(flowctrl), 0, 0) != FT_OK)
        return fail(ftdi, -1, "set flow control failed");
    return 0;
}

int ftdi_setflowctrl_xonxoff(ftdi_context *ftdi, unsigned char xon, unsigned char xoff)
{
    Open *o = opened(ftdi);
    const std::string line =
        "ftdi_setflowctrl_xonxoff " + name(ftdi) + " " + std::to_string(xon) + " " + std::to_string(xoff);
    if (const int code = enter(line); code != 0) return fail(ftdi, code, "set flow control failed");
    if (!o) return fail(ftdi, -2, "USB device unavailable");
    if (FT_SetFlowControl(o->handle, SIO_XON_XOFF_HS, xon, xoff) != FT_OK)
        return fail(ftdi, -1, "set flow control failed");
    return 0;
}

int ftdi_tciflush(ftdi_context *ftdi)
{
    Open *o = opened(ftdi);
    if (const int code = enter("ftdi_tciflush " + name(ftdi)); code != 0)
        return fail(ftdi, code, "FTDI purge of RX buffer failed");
    if (!o) return fail(ftdi, -2, "USB device unavailable");
    if (FT_Purge(o->handle, FT_PURGE_RX) != FT_OK) return fail(ftdi, -1, "FTDI purge of RX buffer failed");
    return 0;
}

int ftdi_tcoflush(ftdi_context *ftdi)
{
    Open *o = opened(ftdi);
    if (const int code = enter("ftdi_tcoflush " + name(ftdi)); code != 0)
        return fail(ftdi, code, "FTDI purge of TX buffer failed");
    if (!o) return fail(ftdi, -2, "USB device unavailable");
    if (FT_Purge(o->handle, FT_PURGE_TX) != FT_OK) return fail(ftdi, -1, "FTDI purge of TX buffer failed");
    return 0;
}

int ftdi_set_latency_timer(ftdi_context *ftdi, unsigned char latency)
{
    Open *o = opened(ftdi);
    if (const int code = enter("ftdi_set_latency_timer " + name(ftdi) + " " + std::to_string(latency)); code != 0)
        return fail(ftdi, code, "unable to set latency timer");
    if (!o) return fail(ftdi, -3, "USB device unavailable");
    if (latency < 1) return fail(ftdi, -1, "latency out of range. Only valid for 1-255");
    if (FT_SetLatencyTimer(o->handle, latency) != FT_OK) return fail(ftdi, -2, "unable to set latency timer");
    return 0;
}

int ftdi_poll_modem_status(ftdi_context *ftdi, unsigned short *status)
{
    Open *o = opened(ftdi);
    if (const int code = enter("ftdi_poll_modem_status " + name(ftdi)); code != 0)
        return fail(ftdi, code, "libusb_control_transfer failed");
    if (!o) return fail(ftdi, -2, "USB device unavailable");
    std::uint32_t rx = 0, tx = 0, events = 0;
    if (FT_GetStatus(o->handle, &rx, &tx, &events) != FT_OK) return fail(ftdi, -1, "libusb_control_transfer failed");
    // Clear to send and data set ready, as an idle adapter reports them.
    *status = 0x6030;
    return 0;
}

void fake_libftdi1_reset() { state() = State{}; }

int fake_libftdi1_call_count() { return static_cast<int>(state().calls.size()); }

const char *fake_libftdi1_call(int index)
{
    const auto &calls = state().calls;
    return index >= 0 && index < static_cast<int>(calls.size()) ? calls[static_cast<std::size_t>(index)].c_str() : "";
}

void fake_libftdi1_fail(const char *call, int code)
{
    if (code == 0)
        state().failures.erase(call);
    else
        state().failures[call] = code;
}

void fake_libftdi1_bind_driver(const char *serialNumber) { state().bound.insert(serialNumber); }

int fake_libftdi1_driver_bound(const char *serialNumber) { return state().bound.contains(serialNumber) ? 1 : 0; }

int fake_libftdi1_contexts() { return static_cast<int>(state().contexts.size()); }

} // extern "C"

// The linked entry points must be the fake vendor library's, with its types.
static_assert(std::is_same_v<decltype(&FT_ListDevices), FT_ListDevices_t>);
static_assert(std::is_same_v<decltype(&FT_OpenEx), FT_OpenEx_t>);
static_assert(std::is_same_v<decltype(&FT_Read), FT_Read_t>);
static_assert(std::is_same_v<decltype(&FT_Write), FT_Write_t>);
static_assert(std::is_same_v<decltype(&FT_GetStatus), FT_GetStatus_t>);
