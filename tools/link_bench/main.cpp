// morvi-link-bench: reads and programs an emulated transmitter over the serial
// link and over the USB adapter, through the program's own link code, and
// prints
//   - the program's time per request over the serial link, unpaced (the
//     transmitter answers as fast as the pseudo-terminal goes), i.e. what the
//     program itself costs per request;
//   - with the transmitter paced like a 9600-baud line, the transfer's time
//     against the time its bytes need on the wire;
//   - over the adapter, paced at 9600 baud, for both exchanges (the standard
//     one and the fast one) and both adapter libraries (the vendor's and
//     libftdi1), the transfer's time against the wire time of its blocks and
//     against the floor the standard exchange's fixed block and evaluation
//     delays set (200 + 150 ms per block).
// Takes about a minute, most of it the standard exchange's fixed delays.
#include "d2xx_unit.h"
#include "fake_adapter.h"
#include "qserial_port.h"
#include "serial_link.h"
#include "transfer.h"
#include "tx_emulator.h"
#include "usb_exchange.h"
#include "usb_link.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

using namespace morvi;
using namespace morvi::link;
using morvi::tools::TxEmulator;

namespace {

constexpr int baud = 9600;
constexpr double byteMs = 10.0 * 1000.0 / baud;

// Reports kept, for telling a run that went wrong.
struct Reports : Reporter {
    std::vector<std::string> lines;
    void showinfo(const std::string &inhalt, Rgb, int) override { lines.push_back(inhalt); }
    void beep() override {}
    void trace(TraceList, const std::string &) override {}
    void showFirmware(const std::string &, Rgb) override {}
};

struct Window : TransferHost {
    SendBoxes sendBoxes() const override { return {}; }
    void showdata() override {}
    void applyDerivedState(const DerivedState &) override {}
    bool confirm(const std::string &) override { return true; }
    void setFocus(Button) override {}
    void showPanProg(bool) override {}
    void setLaction(const std::string &) override {}
    void setGauge(int) override {}
    void showGaugeGesamt(bool) override {}
    void setGaugeGesamt(int) override {}
};

TxEmulator::Memory transmitter()
{
    TxEmulator::Memory m{};
    for (std::size_t i = 0; i < m.size(); ++i)
        m[i] = static_cast<std::uint8_t>(i * 37 + 11);
    m[123] = 2;
    m[126] = 2;
    m[127] = 20;
    unsigned sum = 0;
    for (int i = 0; i < 126; ++i)
        if (i != 114 && (i < 117 || i > 122)) sum += m[static_cast<std::size_t>(i)];
    m[122] = static_cast<std::uint8_t>(sum);
    return m;
}

// One transfer to its end; its time in ms, or a negative time when it failed.
double timed(Transfer &transfer, Reports &reports, Run run)
{
    reports.lines.clear();
    QElapsedTimer clock;
    clock.start();
    if (run == Run::programming)
        transfer.ProgButtonClick();
    else
        transfer.LeseButtonClick();
    QEventLoop loop;
    QObject::connect(&transfer, &Transfer::ended, &loop, &QEventLoop::quit);
    while (transfer.busy())
        loop.exec();
    const double ms = static_cast<double>(clock.nsecsElapsed()) / 1e6;
    const std::string done = run == Run::programming ? "Daten erfolgreich übertragen" : "Daten erfolgreich gelesen";
    if (reports.lines.size() != 1 || reports.lines.front() != done) {
        for (const std::string &line : reports.lines)
            std::fprintf(stderr, "  %s\n", line.c_str());
        return -1;
    }
    return ms;
}

struct Times {
    double read = -1;
    double program = -1;
    bool ok() const { return read >= 0 && program >= 0; }
};

Times serialRun(int pace)
{
    TxEmulator emulator(transmitter());
    emulator.setBaudRate(pace);
    PortResolver resolver;
    resolver.setDevice(1, QString::fromStdString(emulator.slavePath()));
    for (int n = 2; n <= PortResolver::portCount; ++n)
        resolver.setDevice(n, QStringLiteral("/nonexistent/morvi-bench-port%1").arg(n));
    Reports reports;
    Window window;
    Editor editor;
    editor.resetImage();
    SerialLink link(std::make_unique<QtSerialPort>(resolver));
    link.MKommunikationClick();
    Transfer transfer(editor, reports, link, window);
    Times t;
    t.read = timed(transfer, reports, Run::plainRead);
    t.program = timed(transfer, reports, Run::programming);
    return t;
}

Times adapterRun(const QString &library, bool fast)
{
    const QString path = QStringLiteral(MORVI_FAKE_FTD2XX_PATH);
    morvi::test::FakeAdapter fake(path);
    if (!fake.load()) return {};
    fake.reset();
    fake.add("QZK00001");
    const auto memory = transmitter();
    fake.attach(memory.data());
    fake.fault("lag", 0, 0xEE);
    fake.timing(0, baud);
    Reports reports;
    Window window;
    Editor editor;
    editor.resetImage();
    PortResolver noPorts;
    for (int n = 1; n <= PortResolver::portCount; ++n)
        noPorts.setDevice(n, QStringLiteral("/nonexistent/morvi-bench-port%1").arg(n));
    SerialLink link(std::make_unique<QtSerialPort>(noPorts));
    Transfer transfer(editor, reports, link, window);
    UsbLink usb(reports, std::make_unique<D2XXUnit>(library));
    UsbExchange exchange(transfer, usb);
    exchange.setFast(fast);
    usb.setAdapterprefix(QStringLiteral("QZK"));
    usb.OpenFTDI();
    if (!usb.usbmode()) return {};
    Times t;
    t.read = timed(transfer, reports, Run::plainRead);
    t.program = timed(transfer, reports, Run::programming);
    return t;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);

    // Requests and bytes on the wire of a read and of a programming run.
    constexpr int readRequests = 128;
    constexpr int programRequests = 128 + 126 + 128;
    constexpr int readBytes = Transfer::preambleLength + 128 * (5 + 1);
    constexpr int programBytes = Transfer::preambleLength + 128 * 6 + 126 * (6 + 1) + Transfer::gapLength + 128 * 6;
    // Blocks of a read and of a programming run, each waiting out both fixed delays.
    constexpr double blockFloorMs = UsbExchange::blockDelayMs + UsbExchange::evaluationDelayMs;
    constexpr double readFloor = 8 * blockFloorMs;
    constexpr double programFloor = (8 + 16 + 8) * blockFloorMs;

    const Times fast = serialRun(0);
    if (!fast.ok()) return std::fprintf(stderr, "serial run, unpaced, failed\n"), 1;
    std::printf("serial, unpaced:   read %.0f ms, programming %.0f ms: %.3f ms per request\n", fast.read, fast.program,
                (fast.read + fast.program) / (readRequests + programRequests));

    const Times paced = serialRun(baud);
    if (!paced.ok()) return std::fprintf(stderr, "serial run at %d baud failed\n", baud), 1;
    const double readWire = readBytes * byteMs;
    const double programWire = programBytes * byteMs;
    std::printf(
        "serial, %d baud: read %.0f ms (wire %.0f ms), programming %.0f ms (wire %.0f ms): %.3f of the wire time\n",
        baud, paced.read, readWire, paced.program, programWire,
        (paced.read + paced.program) / (readWire + programWire));

    // Over the adapter the wire carries 80 bytes per block; the answers come while later requests go out.
    constexpr double blockWireMs = (UsbExchange::blockLeadZeros + UsbExchange::blockSize) * byteMs;
    const double usbReadWire = 8 * blockWireMs;
    const double usbProgramWire = (8 + 16 + 8) * blockWireMs;
    const struct {
        const char *name;
        QString path;
    } libraries[] = {{"vendor  ", QStringLiteral(MORVI_FAKE_FTD2XX_PATH)},
                     {"libftdi1", QStringLiteral(MORVI_FAKE_LIBFTDI1_PATH)}};
    for (const auto &library : libraries)
        for (const bool fastExchange : {false, true}) {
            const Times usb = adapterRun(library.path, fastExchange);
            if (!usb.ok()) return std::fprintf(stderr, "adapter run failed\n"), 1;
            std::printf("adapter, %s, %s, %d baud: read %.0f ms (%.3f of wire %.0f ms, %.3f of floor %.0f ms), "
                        "programming %.0f ms (%.3f of wire %.0f ms, %.3f of floor %.0f ms)\n",
                        library.name, fastExchange ? "fast    " : "standard", baud, usb.read, usb.read / usbReadWire,
                        usbReadWire, usb.read / readFloor, readFloor, usb.program, usb.program / usbProgramWire,
                        usbProgramWire, usb.program / programFloor, programFloor);
        }
    return 0;
}
