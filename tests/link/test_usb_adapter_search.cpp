// The USB adapter link's search and presence check through the real library
// loading code, against a fake adapter library that keeps its devices in
// memory and records every call, once through the vendor library's calls and
// once through libftdi1's. No test touches real hardware.
#include "usb_adapter_rig.h"

#include <QTest>
#include <memory>
#include <stdexcept>
#include <vector>

using morvi::link::D2XXUnit;
using morvi::link::UsbLink;
using morvi::test::Backend;
using morvi::test::backend;
using morvi::test::backendLibrary;
using morvi::test::fake;
using morvi::test::foundReports;
using morvi::test::ftdi;
using morvi::test::lines;
using morvi::test::lostReports;
using morvi::test::RecordingReporter;
using morvi::test::Report;
using morvi::test::Rig;
namespace colour = morvi::colour;

Q_DECLARE_METATYPE(Backend)

class TestUsbAdapterSearch : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { QVERIFY2(morvi::test::fakesLoad(), "the fake adapter libraries do not load"); }
    void init() { morvi::test::resetFakes(); }

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
    void openFailureSaidOnce_data();
    void openFailureSaidOnce();
    void kernelDriverDetachedAndGivenBack();
};

void TestUsbAdapterSearch::search_data()
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

void TestUsbAdapterSearch::search()
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

void TestUsbAdapterSearch::adapterConfiguredInOrder()
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

void TestUsbAdapterSearch::adapterRemoved()
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

void TestUsbAdapterSearch::switchesByTimer()
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

void TestUsbAdapterSearch::failingCallsSwallowed_data()
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

void TestUsbAdapterSearch::failingCallsSwallowed()
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

void TestUsbAdapterSearch::throwingRefreshEndsOnlyThatDevice()
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

void TestUsbAdapterSearch::staleDeviceCountUsed()
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

void TestUsbAdapterSearch::unreadableSerialSkipped()
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

void TestUsbAdapterSearch::openFailureSaidOnce_data()
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

void TestUsbAdapterSearch::openFailureSaidOnce()
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

void TestUsbAdapterSearch::kernelDriverDetachedAndGivenBack()
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

QTEST_GUILESS_MAIN(TestUsbAdapterSearch)
#include "test_usb_adapter_search.moc"
