#pragma once

// A window's worth of link objects on the fake adapter, with a transmitter
// behind it, for the tests of the batched USB exchange.
#include "adapter_backend.h"
#include "d2xx_unit.h"
#include "fake_adapter.h"
#include "link_test_support.h"
#include "qserial_port.h"
#include "qt_string.h"
#include "recording_reporter.h"
#include "serial_link.h"
#include "transfer.h"
#include "usb_exchange.h"
#include "usb_link.h"

#include <QElapsedTimer>
#include <QLibrary>
#include <QTest>
#include <algorithm>
#include <array>
#include <memory>
#include <string>
#include <vector>

namespace morvi::test::usb_bench {

using namespace morvi::link;

inline constexpr int doneTimeoutMs = 15000;

// The control side of the fake, reached in the library D2XXUnit loads.
inline FakeAdapter fake{fakeVendorPath};

using FakeHost = RecordingHost;

inline PortResolver noPorts()
{
    PortResolver r;
    for (int n = 1; n <= PortResolver::portCount; ++n)
        r.setDevice(n, QStringLiteral("/nonexistent/morvi-usbx-port%1").arg(n));
    return r;
}

// A window's worth of link objects with the adapter found and in use.
struct Bench {
    RecordingReporter reporter;
    FakeHost host;
    Editor editor;
    SerialLink serial{std::make_unique<QtSerialPort>(noPorts())};
    Transfer transfer{editor, reporter, serial, host};
    UsbLink usb{reporter, std::make_unique<D2XXUnit>(backendLibrary())};
    UsbExchange exchange{transfer, usb};

    explicit Bench(const Memory &memory = transmitterMemory(), bool fast = true)
    {
        fake.reset();
        fake.add("QZK00042");
        usb.setAdapterprefix(QStringLiteral("QZK"));
        usb.OpenFTDI();
        usb.timerUSBsearch().stop();
        editor.resetImage();
        fake.attach(memory.data());
        fake.clearCalls();
        reporter.clear();
        if (fast) {
            exchange.USBtimer().setInterval(4);
            exchange.eTimer().setInterval(3);
        }
    }
    bool finish()
    {
        return waitFor([this] { return !transfer.busy(); }, doneTimeoutMs);
    }
    Memory image() const { return editor.image.bytes(); }
    std::vector<std::uint8_t> programmed() const
    {
        const auto &bytes = editor.image.bytes();
        return {bytes.begin(), bytes.begin() + 126};
    }
    std::vector<std::uint8_t> sendcopy() const { return {transfer.sendcopy().begin(), transfer.sendcopy().end()}; }
    QStringList infos() const
    {
        QStringList list;
        for (const Report &r : reporter.reports)
            list << qs(r.text);
        return list;
    }
    QStringList tm(const QString &prefix) const
    {
        QStringList list;
        for (const std::string &line : reporter.traces.tm)
            if (qs(line).startsWith(prefix)) list << qs(line);
        return list;
    }
};

inline const Report readOk{"Daten erfolgreich gelesen", colour::green, option::block};
inline const Report programOk{"Daten erfolgreich übertragen", colour::green, option::block};

} // namespace morvi::test::usb_bench
