// The USB adapter link through the real library loading code, against a fake
// adapter library that keeps its devices in memory and records every call,
// once through the vendor library's calls and once through libftdi1's.
// No test touches real hardware.
#include "adapter_backend.h"
#include "adapter_library.h"
#include "d2xx_unit.h"
#include "qt_string.h"
#include "recording_reporter.h"
#include "usb_link.h"

#include <QFile>
#include <QLibrary>
#include <QTemporaryDir>
#include <QTest>
#include <memory>
#include <stdexcept>
#include <vector>

using morvi::link::D2XXUnit;
using morvi::link::UsbLink;
using morvi::test::Backend;
using morvi::test::backend;
using morvi::test::backendLibrary;
using morvi::test::RecordingReporter;
using morvi::test::Report;
namespace colour = morvi::colour;

namespace {

const QString fakePath = QStringLiteral(MORVI_FAKE_FTD2XX_PATH);

// The control side of the fake, reached in the library D2XXUnit loads.
using Fake = morvi::test::FakeAdapter;

Fake fake{fakePath};
morvi::test::FakeLibftdi ftdi{morvi::test::fakeLibftdiPath};

// A link on the fake whose refresh re-arms the timer as the window's does.
struct Rig {
    RecordingReporter reporter;
    UsbLink link{reporter, std::make_unique<D2XXUnit>(backendLibrary())};
    QStringList dialogs;
    int refreshes = 0;

    Rig()
    {
        link.setAdapterprefix(QStringLiteral("QZK"));
        link.unit().setErrorDialog([this](const QString &text) { dialogs << text; });
        link.setRefresh([this] {
            ++refreshes;
            link.arm(link.usbmode());
        });
    }
};

// Reports as lines, so that a mismatch shows what was written.
QStringList lines(const std::vector<Report> &reports)
{
    QStringList list;
    for (const Report &r : reports)
        list << QStringLiteral("%1 | #%2 | %3").arg(qs(r.text)).arg(r.colour, 6, 16, QChar('0')).arg(r.option);
    return list;
}

std::vector<Report> foundReports(const std::string &name)
{
    return {{"USB-Adapter " + name + " gefunden", colour::green, 1},
            {"! RS232-Kommunikation deaktiviert !", colour::red, 0},
            {"Zur Programmierung Aktivieradapter verwenden", colour::purple, 2}};
}

std::vector<Report> lostReports(const std::string &name)
{
    return {{"! USB-Adapter " + name + " nicht mehr gefunden !", colour::red, 1},
            {"RS232-Kommunikation wieder aktiviert !", colour::green, 0}};
}

// Links an adapter library into dir under another name; the loader sees the
// same file, so the link shares the fake's state.
bool linkLibrary(const QString &target, const QDir &dir, const QString &name)
{
    return QFile::link(target, dir.filePath(name));
}

// The wrapper operations, one per row of the operation tests.
enum class Op {
    count,
    serialNo,
    open,
    close,
    read,
    write,
    baud,
    data,
    flow,
    purgeRx,
    purgeTx,
    timeouts,
    queue,
    status
};

// Runs op; the status it ended with (read and write keep theirs aside).
D2XXUnit::FT_STATUS run(D2XXUnit &unit, Op op)
{
    switch (op) {
    case Op::count: return unit.GetFTDeviceCount();
    case Op::serialNo: return unit.GetFTDeviceSerialNo(3);
    case Op::open: return unit.Open_USB_Device_By_Serial_Number("QZK1");
    case Op::close: return unit.Close_USB_Device();
    case Op::read: return unit.Read_USB_Device_Buffer(5) == 0 ? unit.ioStatus : 0xDEAD;
    case Op::write: return unit.Write_USB_Device_Buffer(80) == 0 ? unit.ioStatus : 0xDEAD;
    case Op::baud: return unit.Set_USB_Device_BaudRate();
    case Op::data: return unit.Set_USB_Device_DataCharacteristics();
    case Op::flow: return unit.Set_USB_Device_FlowControl();
    case Op::purgeRx: return unit.Purge_USB_Device_In();
    case Op::purgeTx: return unit.Purge_USB_Device_Out();
    case Op::timeouts: return unit.Set_USB_Device_TimeOuts(1, 1);
    case Op::queue: return unit.Get_USB_Device_QueueStatus();
    case Op::status: return unit.Get_USB_Device_Status();
    }
    return 0xDEAD;
}

} // namespace

Q_DECLARE_METATYPE(Op)
Q_DECLARE_METATYPE(Backend)

class TestUsbLink : public QObject {
    Q_OBJECT
private slots:
    void initTestCase()
    {
        QVERIFY2(fake.load(), qPrintable(fake.library.errorString()));
        QVERIFY2(ftdi.load(), qPrintable(ftdi.library.errorString()));
    }
    void init()
    {
        fake.reset();
        ftdi.reset();
    }

    void search_data();
    void search();
    void adapterConfiguredInOrder();
    void adapterRemoved();
    void switchesByTimer();
    void failingCallsSwallowed_data();
    void failingCallsSwallowed();
    void throwingRefreshEndsOnlyThatDevice();
    void staleDeviceCountUsed();
    void unreadableSerialSkipped();
    void operations_data();
    void operations();
    void errorTexts_data();
    void errorTexts();
    void missingLibrary_data();
    void missingLibrary();
    void openBufferCut_data();
    void openBufferCut();
    void readWriteBuffers();
    void openFailureSaidOnce_data();
    void openFailureSaidOnce();
    void kernelDriverDetachedAndGivenBack();
    void libraryChoice_data();
    void libraryChoice();
};

void TestUsbLink::search_data()
{
    QTest::addColumn<QStringList>("serials");
    QTest::addColumn<QString>("prefix");
    QTest::addColumn<QStringList>("opened");
    QTest::addColumn<QString>("display");

    QTest::newRow("no device") << QStringList{} << "QZK" << QStringList{} << "";
    QTest::newRow("other prefix") << QStringList{"ABC12345xyz"} << "QZK" << QStringList{} << "USB-Adapter gefunden";
    QTest::newRow("prefix in the wrong place")
        << QStringList{"AQZK1234"} << "QZK" << QStringList{} << "USB-Adapter gefunden";
    QTest::newRow("lower case") << QStringList{"qzk12345"} << "QZK" << QStringList{} << "USB-Adapter gefunden";
    QTest::newRow("adapter") << QStringList{"QZK12345xyz"} << "QZK" << QStringList{"QZK12345xyz"} << "QZK12345";
    QTest::newRow("short serial") << QStringList{"QZK1"} << "QZK" << QStringList{"QZK1"} << "QZK1";
    QTest::newRow("other before adapter")
        << QStringList{"ABC1", "QZK87654321"} << "QZK" << QStringList{"QZK87654321"} << "QZK87654";
    // The loop goes on after a match, but a later device does not take the opened adapter's name away.
    QTest::newRow("other after adapter") << QStringList{"QZK87654321", "ABC1"} << "QZK" << QStringList{"QZK87654321"}
                                         << "QZK87654";
    QTest::newRow("two adapters, last kept") << QStringList{"QZK00000001", "QZK00000002"} << "QZK"
                                             << QStringList{"QZK00000001", "QZK00000002"} << "QZK00000";
    QTest::newRow("own prefix") << QStringList{"ABC12345"} << "ABC" << QStringList{"ABC12345"} << "ABC12345";
    QTest::newRow("maker prefix besides own")
        << QStringList{"QZK12345"} << "ABC" << QStringList{"QZK12345"} << "QZK12345";
    QTest::newRow("before start-up sets the prefix")
        << QStringList{"QZK12345"} << "" << QStringList{"QZK12345"} << "QZK12345";
}

void TestUsbLink::search()
{
    QFETCH(QStringList, serials);
    QFETCH(QString, prefix);
    QFETCH(QStringList, opened);
    QFETCH(QString, display);

    for (const QString &s : serials)
        fake.add(s.toLatin1().constData());
    Rig rig;
    rig.link.setAdapterprefix(prefix);
    rig.link.timerUSBsearchTimer();

    QStringList expectedOpens;
    for (const QString &s : opened)
        expectedOpens << "FT_OpenEx " + s + " 1";
    QCOMPARE(fake.calls("FT_OpenEx"), expectedOpens);
    // Only the last adapter opened stays open; the others are closed, not leaked.
    QStringList expectedCloses;
    for (qsizetype n = 1; n < opened.size(); ++n)
        expectedCloses << QStringLiteral("FT_Close #%1").arg(n);
    QCOMPARE(fake.calls("FT_Close"), expectedCloses);
    QCOMPARE(rig.link.displayName(), display);
    const bool found = !opened.isEmpty();
    QCOMPARE(rig.link.usbmode(), found);
    QCOMPARE(lines(rig.reporter.reports), lines(found ? foundReports(display.toStdString()) : std::vector<Report>{}));
    QCOMPARE(rig.reporter.beeps, found ? 1 : 0);
    QVERIFY(rig.dialogs.isEmpty());
    if (found) {
        QCOMPARE(fake.calls("FT_SetBaudRate").size(), opened.size());
        // The presence check asks after the handle of the last adapter opened.
        fake.clearCalls();
        rig.link.timerUSBsearchTimer();
        QCOMPARE(fake.calls("FT_GetStatus"), QStringList{QStringLiteral("FT_GetStatus #%1").arg(opened.size())});
    }
}

void TestUsbLink::adapterConfiguredInOrder()
{
    fake.add("QZK12345xyz");
    Rig rig;
    rig.link.timerUSBsearchTimer();

    if (backend() == Backend::vendor)
        QCOMPARE(fake.calls(), (QStringList{
                                   "FT_ListDevices number 0x80000000 null",
                                   "FT_ListDevices index 0 0x40000001",
                                   "FT_OpenEx QZK12345xyz 1",
                                   "FT_SetLatencyTimer #1 2",
                                   "FT_SetBaudRate #1 9600",
                                   "FT_SetDataCharacteristics #1 8 0 0",
                                   "FT_SetFlowControl #1 0 0x11 0x13",
                                   "FT_SetTimeouts #1 1 1",
                               }));
    else
        // The bus is listed for the count, the serial number and the open; the
        // adapter is taken from the kernel's driver, which gets it back at the
        // close, and answers leave the chip at once. The time-outs stay here.
        QCOMPARE(ftdi.calls(), (QStringList{
                                   "ftdi_new",
                                   "ftdi_usb_find_all 0 0",
                                   "ftdi_usb_find_all 0 0",
                                   "ftdi_usb_get_strings QZK12345xyz",
                                   "ftdi_usb_find_all 0 0",
                                   "ftdi_usb_get_strings QZK12345xyz",
                                   "ftdi_new",
                                   "ftdi_usb_open_dev QZK12345xyz detach 2",
                                   "ftdi_set_latency_timer QZK12345xyz 1",
                                   "ftdi_set_baudrate QZK12345xyz 9600",
                                   "ftdi_set_line_property QZK12345xyz 8 0 0",
                                   "ftdi_setflowctrl QZK12345xyz 0",
                               }));
    QCOMPARE(rig.link.displayName(), QStringLiteral("QZK12345"));
    QCOMPARE(lines(rig.reporter.reports), lines(foundReports("QZK12345")));
    QCOMPARE(rig.reporter.beeps, 1);
    QVERIFY(rig.link.usbmode());
    QVERIFY(!rig.link.unit().errorReport);
    // Once when the adapter is opened, once after the messages.
    QCOMPARE(rig.refreshes, 2);
    QVERIFY(rig.link.timerUSBsearch().isActive());
    QCOMPARE(rig.link.timerUSBsearch().interval(), UsbLink::checkIntervalMs);
}

void TestUsbLink::adapterRemoved()
{
    fake.add("QZK12345xyz");
    Rig rig;
    rig.link.timerUSBsearchTimer();
    QVERIFY(rig.link.usbmode());
    rig.reporter.clear();

    // Still there: the check is silent and keeps the adapter.
    rig.link.timerUSBsearchTimer();
    QVERIFY(rig.link.usbmode());
    QVERIFY(rig.reporter.reports.empty());

    fake.remove("QZK12345xyz");
    fake.clearCalls();
    const int refreshes = rig.refreshes;
    // Whoever still works with the adapter hears of it after the two lines.
    int lost = 0;
    QObject::connect(&rig.link, &UsbLink::adapterLost, [&] {
        QCOMPARE(rig.reporter.reports.size(), std::size_t{2});
        ++lost;
    });
    rig.link.timerUSBsearchTimer();
    QVERIFY(!rig.link.usbmode());
    QCOMPARE(lost, 1);
    // The closed handle is forgotten, never to be passed again.
    QVERIFY(rig.link.unit().handle == nullptr);
    QCOMPARE(lines(rig.reporter.reports), lines(lostReports("QZK12345")));
    QCOMPARE(rig.reporter.beeps, 0);
    QCOMPARE(fake.calls(), (QStringList{"FT_GetStatus #1", "FT_Close #1"}));
    QCOMPARE(rig.refreshes, refreshes + 1);
    QCOMPARE(rig.link.timerUSBsearch().interval(), UsbLink::searchIntervalMs);
    QVERIFY(rig.link.timerUSBsearch().isActive());
    QVERIFY(rig.dialogs.isEmpty());

    // Plugged in again, it is found and opened anew.
    rig.reporter.clear();
    fake.add("QZK12345xyz");
    rig.link.timerUSBsearchTimer();
    QVERIFY(rig.link.usbmode());
    QCOMPARE(lines(rig.reporter.reports), lines(foundReports("QZK12345")));
}

void TestUsbLink::switchesByTimer()
{
    Rig rig;
    rig.link.arm(rig.link.usbmode());
    fake.add("QZK12345xyz");
    QTRY_VERIFY_WITH_TIMEOUT(rig.link.usbmode(), 1500);
    QCOMPARE(rig.link.timerUSBsearch().interval(), UsbLink::checkIntervalMs);

    rig.reporter.clear();
    fake.remove("QZK12345xyz");
    QTRY_VERIFY_WITH_TIMEOUT(!rig.link.usbmode(), 2500);
    QCOMPARE(lines(rig.reporter.reports), lines(lostReports("QZK12345")));
    QCOMPARE(rig.link.timerUSBsearch().interval(), UsbLink::searchIntervalMs);
    QVERIFY(rig.link.timerUSBsearch().isActive());
}

void TestUsbLink::failingCallsSwallowed_data()
{
    QTest::addColumn<bool>("inUse");
    QTest::addColumn<QString>("failing");
    QTest::addColumn<uint>("status");
    QTest::addColumn<bool>("usbmode");
    QTest::addColumn<int>("notices");

    QTest::newRow("count") << false << "FT_ListDevices number" << 2u << false << 0;
    QTest::newRow("serial number") << false << "FT_ListDevices index" << 4u << false << 0;
    // A failed open is said once in the info window.
    QTest::newRow("open") << false << "FT_OpenEx" << 3u << false << 1;
    // The configuration statuses are not looked at.
    QTest::newRow("baud rate") << false << "FT_SetBaudRate" << 7u << true << 0;
    QTest::newRow("data characteristics") << false << "FT_SetDataCharacteristics" << 6u << true << 0;
    QTest::newRow("flow control") << false << "FT_SetFlowControl" << 4u << true << 0;
    QTest::newRow("time-outs") << false << "FT_SetTimeouts" << 17u << true << 0;
    QTest::newRow("unknown status") << false << "FT_SetTimeouts" << 99u << true << 0;
    QTest::newRow("status while in use") << true << "FT_GetStatus" << 4u << false << 0;
    QTest::newRow("close while in use") << true << "FT_Close" << 1u << false << 0;
}

void TestUsbLink::failingCallsSwallowed()
{
    QFETCH(bool, inUse);
    QFETCH(QString, failing);
    QFETCH(uint, status);
    QFETCH(bool, usbmode);
    QFETCH(int, notices);
    if (failing == "FT_SetTimeouts") MORVI_ONLY_FOR(vendor, "libftdi1 keeps the time-outs without a library call");

    fake.add("QZK12345xyz");
    Rig rig;
    if (inUse) {
        rig.link.timerUSBsearchTimer();
        QVERIFY(rig.link.usbmode());
        rig.reporter.clear();
        // A dialog would show now if the check did not switch it off.
        rig.link.unit().errorReport = true;
    }
    fake.fail(failing.toLatin1().constData(), status);
    if (failing == "FT_Close") fake.fail("FT_GetStatus", 4);

    rig.link.timerUSBsearchTimer();
    QVERIFY2(fake.calls(failing.section(' ', 0, 0)).size() > 0, "the failing call was never made");
    QCOMPARE(rig.link.usbmode(), usbmode);
    QVERIFY(rig.dialogs.isEmpty());
    if (inUse)
        QCOMPARE(lines(rig.reporter.reports), lines(lostReports("QZK12345")));
    else
        QCOMPARE(rig.reporter.reports.size(), usbmode ? std::size_t{3} : std::size_t(notices));
}

void TestUsbLink::throwingRefreshEndsOnlyThatDevice()
{
    fake.add("QZK00000001");
    fake.add("QZK00000002");
    RecordingReporter reporter;
    UsbLink link(reporter, std::make_unique<D2XXUnit>(backendLibrary()));
    int refreshes = 0;
    link.setRefresh([&refreshes] {
        ++refreshes;
        throw std::runtime_error("refresh");
    });

    link.timerUSBsearchTimer();
    QCOMPARE(fake.calls("FT_OpenEx").size(), 2);
    QCOMPARE(refreshes, 3);
    QVERIFY(link.usbmode());
    QCOMPARE(lines(reporter.reports), lines(foundReports("QZK00000")));
}

void TestUsbLink::staleDeviceCountUsed()
{
    MORVI_ONLY_FOR(vendor, "libftdi1 lists the bus afresh for every index, so a failed count hides the device too");
    fake.add("ABC00001");
    Rig rig;
    rig.link.timerUSBsearchTimer();
    QVERIFY(!rig.link.usbmode());

    // The count fails and keeps its last value; the device at index 0 changed.
    fake.remove("ABC00001");
    fake.add("QZK00001");
    fake.fail("FT_ListDevices number", 4);
    rig.link.timerUSBsearchTimer();
    QVERIFY(rig.link.usbmode());
    QCOMPARE(rig.link.displayName(), QStringLiteral("QZK00001"));
}

void TestUsbLink::unreadableSerialSkipped()
{
    fake.add("QZK00000001");
    fake.add("QZK00000002");
    fake.fail("FT_ListDevices index 1", 4);
    Rig rig;
    rig.link.timerUSBsearchTimer();

    // The second device's number is not read, so the first one's is not tried again.
    QCOMPARE(fake.calls("FT_OpenEx"), QStringList{"FT_OpenEx QZK00000001 1"});
    QVERIFY(rig.link.usbmode());
    QCOMPARE(rig.link.displayName(), QStringLiteral("QZK00000"));
    QVERIFY(rig.dialogs.isEmpty());
}

void TestUsbLink::operations_data()
{
    QTest::addColumn<Op>("op");
    QTest::addColumn<QString>("call");
    QTest::addColumn<QString>("name");

    QTest::newRow("count") << Op::count << "FT_ListDevices number 0x80000000 null"
                           << "GetFTDeviceCount";
    QTest::newRow("serial number") << Op::serialNo << "FT_ListDevices index 3 0x40000001"
                                   << "GetFTDeviceSerialNo";
    QTest::newRow("open") << Op::open << "FT_OpenEx QZK1 1"
                          << "Open_USB_Device_By_Serial_Number";
    QTest::newRow("close") << Op::close << "FT_Close #0"
                           << "FT_Close";
    QTest::newRow("read") << Op::read << "FT_Read #0 5"
                          << "FT_Read";
    QTest::newRow("write") << Op::write << "FT_Write #0 80"
                           << "FT_Write";
    QTest::newRow("baud rate") << Op::baud << "FT_SetBaudRate #0 9600"
                               << "FT_SetBaudRate";
    QTest::newRow("data") << Op::data << "FT_SetDataCharacteristics #0 8 0 0"
                          << "FT_SetDataCharacteristics";
    QTest::newRow("flow") << Op::flow << "FT_SetFlowControl #0 0 0x11 0x13"
                          << "FT_SetFlowControl";
    QTest::newRow("purge rx") << Op::purgeRx << "FT_Purge #0 1"
                              << "FT_Purge RX";
    QTest::newRow("purge tx") << Op::purgeTx << "FT_Purge #0 2"
                              << "FT_Purge TX";
    QTest::newRow("time-outs") << Op::timeouts << "FT_SetTimeouts #0 1 1"
                               << "FT_SetTimeouts";
    QTest::newRow("queue") << Op::queue << "FT_GetQueueStatus #0"
                           << "FT_GetQueueStatus";
    QTest::newRow("status") << Op::status << "FT_GetStatus #0"
                            << "FT_GetStatus";
}

void TestUsbLink::operations()
{
    QFETCH(Op, op);
    QFETCH(QString, call);
    QFETCH(QString, name);

    D2XXUnit unit(fakePath);
    QStringList dialogs;
    unit.setErrorDialog([&dialogs](const QString &text) { dialogs << text; });
    QVERIFY(unit.errorReport);
    fake.fail(call.toLatin1().constData(), 17);

    QCOMPARE(run(unit, op), 17u);
    QCOMPARE(fake.calls(), QStringList{call});
    QCOMPARE(dialogs, QStringList{name + " - Other error ..."});

    unit.errorReport = false;
    QCOMPARE(run(unit, op), 17u);
    QCOMPARE(dialogs.size(), 1);
}

void TestUsbLink::errorTexts_data()
{
    QTest::addColumn<uint>("status");
    QTest::addColumn<QString>("text");

    const char *texts[] = {" - Invalid handle...",
                           " - Device not found...",
                           " - Device not opened...",
                           " - General IO error...",
                           " - Insufficient resources...",
                           " - Invalid parameter...",
                           " - Invalid baud rate...",
                           " Device not opened for erase...",
                           " Device not opened for write...",
                           " - Failed to write...",
                           " - EEPROM read failed...",
                           " - EEPROM write failed...",
                           " - EEPROM erase failed...",
                           " - EEPROM not present...",
                           " - EEPROM not programmed...",
                           " - Invalid arguments...",
                           " - Other error ..."};
    for (uint status = 1; status <= 17; ++status)
        QTest::addRow("status %u", status) << status << QString::fromLatin1(texts[status - 1]);
    QTest::newRow("unknown 18") << 18u << "";
    QTest::newRow("unknown large") << 0xFFFFFFFFu << "";
}

void TestUsbLink::errorTexts()
{
    QFETCH(uint, status);
    QFETCH(QString, text);

    D2XXUnit unit(fakePath);
    QStringList dialogs;
    unit.setErrorDialog([&dialogs](const QString &t) { dialogs << t; });
    fake.fail("FT_SetBaudRate", status);
    QCOMPARE(unit.Set_USB_Device_BaudRate(), status);
    QCOMPARE(dialogs, QStringList{"FT_SetBaudRate" + text});
}

void TestUsbLink::missingLibrary_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<bool>("loads");

    QTest::newRow("no such file") << "/nonexistent/libmorvi-no-adapter-library.so" << false;
    QTest::newRow("library without the entry points") << "libc.so.6" << true;
}

void TestUsbLink::missingLibrary()
{
    QFETCH(QString, path);
    QFETCH(bool, loads);

    RecordingReporter reporter;
    UsbLink link(reporter, std::make_unique<D2XXUnit>(path));
    QStringList dialogs;
    link.unit().setErrorDialog([&dialogs](const QString &text) { dialogs << text; });

    link.timerUSBsearchTimer();
    link.timerUSBsearchTimer();
    QCOMPARE(link.unit().load(), loads);
    QVERIFY(!link.usbmode());
    QVERIFY(reporter.reports.empty());
    QVERIFY(link.displayName().isEmpty());
    QVERIFY(dialogs.isEmpty());

    link.unit().errorReport = true;
    QCOMPARE(link.unit().GetFTDeviceCount(), D2XXUnit::missingStatus);
    QCOMPARE(link.unit().Write_USB_Device_Buffer(80), 0u);
    QCOMPARE(link.unit().ioStatus, D2XXUnit::missingStatus);
    QCOMPARE(dialogs, (QStringList{"GetFTDeviceCount - Device not found...", "FT_Write - Device not found..."}));
}

void TestUsbLink::openBufferCut_data()
{
    QTest::addColumn<int>("length");
    QTest::newRow("48") << 48;
    QTest::newRow("49") << 49;
    QTest::newRow("50") << 50;
    QTest::newRow("63") << 63;
}

void TestUsbLink::openBufferCut()
{
    QFETCH(int, length);

    QString serial = QStringLiteral("QZK");
    for (int i = 3; i < length; ++i)
        serial += QChar('a' + i % 26);
    fake.add(serial.toLatin1().constData());
    Rig rig;
    rig.link.timerUSBsearchTimer();

    const QString handedOver = serial.left(49);
    // libftdi1 opens a device it found by its whole serial number, so a cut one never reaches the adapter.
    const bool reaches = backend() == Backend::vendor || length <= 49;
    QCOMPARE(fake.calls("FT_OpenEx"), reaches ? QStringList{"FT_OpenEx " + handedOver + " 1"} : QStringList{});
    QCOMPARE(QString::fromLatin1(rig.link.unit().openBuffer.data()), handedOver);
    // Cut, the serial number is another device's, so nothing opens.
    QCOMPARE(rig.link.usbmode(), length <= 49);
}

void TestUsbLink::readWriteBuffers()
{
    fake.add("QZK12345");
    Rig rig;
    rig.link.timerUSBsearchTimer();
    QVERIFY(rig.link.usbmode());
    D2XXUnit &unit = rig.link.unit();

    for (std::size_t i = 0; i < 80; ++i)
        (*unit.outBuffer)[i] = static_cast<std::uint8_t>(i * 3 + 1);
    QCOMPARE(unit.Write_USB_Device_Buffer(80), 80u);
    QCOMPARE(unit.ioStatus, 0u);
    std::uint8_t sent[100] = {};
    QCOMPARE(fake.written(sent, sizeof sent), 80u);
    QVERIFY(std::equal(sent, sent + 80, unit.outBuffer->begin()));

    const std::uint8_t answers[] = {0x42, 0x17, 0xD0};
    fake.feed(answers, 3);
    QCOMPARE(unit.Get_USB_Device_QueueStatus(), 0u);
    QCOMPARE(unit.rxQueue, 3u);
    QCOMPARE(unit.Read_USB_Device_Buffer(1), 1u);
    QCOMPARE((*unit.inBuffer)[0], std::uint8_t{0x42});
    QCOMPARE(unit.Read_USB_Device_Buffer(5), 2u);
    QCOMPARE((*unit.inBuffer)[0], std::uint8_t{0x17});
    QCOMPARE((*unit.inBuffer)[1], std::uint8_t{0xD0});

    // Bytes counted in the queue are bytes the purge throws away.
    fake.feed(answers, 3);
    QCOMPARE(unit.Get_USB_Device_QueueStatus(), 0u);
    QCOMPARE(unit.rxQueue, 3u);
    QCOMPARE(unit.Purge_USB_Device_In(), 0u);
    QCOMPARE(unit.Get_USB_Device_QueueStatus(), 0u);
    QCOMPARE(unit.rxQueue, 0u);
    QCOMPARE(unit.Read_USB_Device_Buffer(1), 0u);

    // 80 bytes take 84 ms at 9600 baud; the write may take that and USB's
    // 20 ms on top of its 1 ms.
    if (backend() == Backend::libftdi1)
        QCOMPARE(ftdi.calls("ftdi_write_data"), QStringList{"ftdi_write_data QZK12345 80 timeout 105"});
}

void TestUsbLink::openFailureSaidOnce_data()
{
    QTest::addColumn<Backend>("which");
    QTest::addColumn<QString>("failing");
    QTest::addColumn<int>("code");
    QTest::addColumn<QString>("text");

    QTest::newRow("vendor: device not opened")
        << Backend::vendor << "FT_OpenEx" << 3
        << "USB-Adapter QZK12345xyz lässt sich nicht öffnen: das Gerät ist belegt. Meist hält es der Treiber "
           "ftdi_sio (\"sudo rmmod ftdi_sio\"), sonst fehlen die Zugriffsrechte (udev-Regel von Morvi installieren "
           "und den Adapter neu einstecken).";
    QTest::newRow("libftdi1: no rights to the USB device")
        << Backend::libftdi1 << "ftdi_usb_open_dev" << -4
        << "USB-Adapter QZK12345xyz lässt sich nicht öffnen: kein Zugriff auf das USB-Gerät. Die udev-Regel von "
           "Morvi installieren und den Adapter neu einstecken.";
    QTest::newRow("libftdi1: driver may not be detached")
        << Backend::libftdi1 << "ftdi_usb_open_dev" << -8
        << "USB-Adapter QZK12345xyz lässt sich nicht öffnen: keine Berechtigung, den Treiber ftdi_sio vom Gerät "
           "zu lösen. Die udev-Regel von Morvi installieren und den Adapter neu einstecken.";
    QTest::newRow("libftdi1: driver holds the device")
        << Backend::libftdi1 << "ftdi_usb_open_dev" << -5
        << "USB-Adapter QZK12345xyz lässt sich nicht öffnen: ein anderer Treiber oder ein anderes Programm hält "
           "das Gerät (\"sudo rmmod ftdi_sio\" gibt es frei).";
    QTest::newRow("libftdi1: serial number unreadable for lack of rights")
        << Backend::libftdi1 << "ftdi_usb_get_strings" << -4
        << "Ein FTDI-USB-Gerät lässt sich nicht lesen: keine Zugriffsrechte. Ist es der USB-Adapter, die "
           "udev-Regel von Morvi installieren und den Adapter neu einstecken.";
}

void TestUsbLink::openFailureSaidOnce()
{
    QFETCH(Backend, which);
    QFETCH(QString, failing);
    QFETCH(int, code);
    QFETCH(QString, text);
    if (which != backend()) QSKIP("a failure of the other backend's library");

    fake.add("QZK12345xyz");
    if (which == Backend::vendor)
        fake.fail(failing.toLatin1().constData(), static_cast<std::uint32_t>(code));
    else
        ftdi.fail(failing.toLatin1().constData(), code);
    Rig rig;
    for (int search = 0; search < 3; ++search)
        rig.link.timerUSBsearchTimer();
    QVERIFY(!rig.link.usbmode());
    QCOMPARE(lines(rig.reporter.reports), lines({{text.toStdString(), colour::red, morvi::option::block}}));
    QVERIFY(rig.dialogs.isEmpty());

    // Mended, the adapter is taken at the next search.
    rig.reporter.clear();
    fake.fail(failing.toLatin1().constData(), 0);
    ftdi.fail(failing.toLatin1().constData(), 0);
    rig.link.timerUSBsearchTimer();
    QVERIFY(rig.link.usbmode());
    QCOMPARE(lines(rig.reporter.reports), lines(foundReports("QZK12345")));
}

void TestUsbLink::kernelDriverDetachedAndGivenBack()
{
    MORVI_ONLY_FOR(libftdi1, "the vendor library leaves the kernel's driver to the technician");
    fake.add("QZK12345xyz");
    ftdi.bindDriver("QZK12345xyz");
    {
        Rig rig;
        rig.link.timerUSBsearchTimer();
        QVERIFY(rig.link.usbmode());
        QCOMPARE(ftdi.driverBound("QZK12345xyz"), 0);

        fake.remove("QZK12345xyz");
        rig.link.timerUSBsearchTimer();
        QVERIFY(!rig.link.usbmode());
        QCOMPARE(ftdi.driverBound("QZK12345xyz"), 1);
        // Only the context the search lists the bus with is left.
        QCOMPARE(ftdi.contexts(), 1);
    }
    QCOMPARE(ftdi.contexts(), 0);
}

// Which library drives the adapter: the vendor's when it is there, under its
// plain or its versioned name, and libftdi1 otherwise.
void TestUsbLink::libraryChoice_data()
{
    QTest::addColumn<QStringList>("libraries"); // "dir/" stands for a folder of versioned links to the fake
    QTest::addColumn<bool>("libftdi");

    const QString absent = QStringLiteral("/nonexistent/libftd2xx.so");
    using morvi::test::fakeLibftdiPath;
    using morvi::test::fakeVendorPath;
    QTest::newRow("vendor library first") << QStringList{fakeVendorPath, fakeLibftdiPath} << false;
    QTest::newRow("libftdi1 without the vendor library") << QStringList{absent, fakeLibftdiPath} << true;
    QTest::newRow("vendor library under its versioned name") << QStringList{"dir/", fakeLibftdiPath} << false;
}

void TestUsbLink::libraryChoice()
{
    QFETCH(QStringList, libraries);
    QFETCH(bool, libftdi);
    MORVI_ONLY_FOR(vendor, "the choice does not depend on the suite's backend");

    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    if (libraries.front() == "dir/") {
        for (const char *name : {"libftd2xx.so.1.4.8", "libftd2xx.so.1.4.27", "libftd2xx.so.1", "libftd2xx.so.txt"})
            QVERIFY(linkLibrary(fakePath, QDir(dir.path()), QString::fromLatin1(name)));
        const QStringList vendor = morvi::link::vendorLibraryCandidates({dir.path()});
        QCOMPARE(vendor, (QStringList{"libftd2xx.so", dir.filePath("libftd2xx.so.1.4.27"),
                                      dir.filePath("libftd2xx.so.1.4.8"), dir.filePath("libftd2xx.so.1")}));
        // Without the plain name: no test may load a vendor library that happens to be installed.
        libraries = vendor.mid(1) + libraries.mid(1);
    }

    fake.add("QZK12345xyz");
    RecordingReporter reporter;
    UsbLink link(reporter, std::make_unique<D2XXUnit>(libraries));
    link.timerUSBsearchTimer();
    QVERIFY(link.usbmode());
    QCOMPARE(link.unit().usesLibftdi(), libftdi);
    QCOMPARE(link.unit().libraryPath(), libraries.at(libftdi ? 1 : 0));
    QCOMPARE(ftdi.calls("ftdi_usb_open_dev").size(), libftdi ? 1 : 0);
}

QTEST_GUILESS_MAIN(TestUsbLink)
#include "test_usb_link.moc"
