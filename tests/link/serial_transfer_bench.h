#pragma once

// Everything one serial transfer needs, on a pseudo-terminal with an emulated
// transmitter at the other end, for the transfer tests.
#include "link_test_support.h"
#include "number_text.h"
#include "qserial_port.h"
#include "qt_string.h"
#include "serial_transport.h"
#include "recording_reporter.h"
#include "serial_link.h"
#include "transfer.h"
#include "tx_emulator.h"

#include <QElapsedTimer>
#include <QTest>
#include <algorithm>
#include <functional>
#include <memory>
#include <optional>

namespace morvi::test::serial_bench {

using namespace morvi::link;
using tools::TxEmulator;

inline constexpr int doneTimeoutMs = 15000;

using FakeHost = RecordingHost;

inline TxEmulator::Memory transmitterMemory() { return morvi::test::transmitterMemory(); }

inline PortResolver resolver(const TxEmulator &emulator)
{
    PortResolver r;
    for (int n = 2; n <= PortResolver::portCount; ++n)
        r.setDevice(n, QStringLiteral("/nonexistent/morvi-test-port%1").arg(n));
    r.setDevice(1, QString::fromStdString(emulator.slavePath()));
    return r;
}

// Everything one transfer needs, wired as the window wires it.
struct Bench {
    TxEmulator emulator;
    RecordingReporter reporter;
    FakeHost host;
    Editor editor;
    SerialLink link;
    Transfer transfer;

    explicit Bench(const TxEmulator::Memory &memory = transmitterMemory())
        : emulator(memory), link(std::make_unique<QtSerialPort>(resolver(emulator))),
          transfer(editor, reporter, link, host)
    {
        link.MKommunikationClick();
        editor.resetImage();
    }

    std::vector<std::string> texts() const
    {
        std::vector<std::string> out;
        for (const Report &r : reporter.reports)
            out.push_back(r.text);
        return out;
    }
    bool reported(const Report &report) const
    {
        return std::find(reporter.reports.begin(), reporter.reports.end(), report) != reporter.reports.end();
    }
    std::vector<std::uint8_t> programmed() const
    {
        const auto &b = editor.image.bytes();
        return {b.begin(), b.begin() + 126};
    }
    std::vector<std::uint8_t> sendcopy() const { return {transfer.sendcopy().begin(), transfer.sendcopy().end()}; }
    std::size_t count(std::uint8_t command) const
    {
        const auto requests = emulator.requests();
        return static_cast<std::size_t>(std::count_if(
            requests.begin(), requests.end(), [&](const TxEmulator::Request &r) { return r.command == command; }));
    }
};

// Something the editor holds before a transfer that differs from the transmitter.
inline void fillEditor(Editor &editor)
{
    editor.image[0] = 0x77;
    editor.image[50] = 0x12;
    editor.image[114] = 9;
    editor.image[117] = 8;
    editor.image[121] = 7;
}

inline int lineCount(const std::vector<std::string> &list, const std::string &prefix)
{
    return static_cast<int>(
        std::count_if(list.begin(), list.end(), [&](const std::string &l) { return l.rfind(prefix, 0) == 0; }));
}

} // namespace morvi::test::serial_bench
