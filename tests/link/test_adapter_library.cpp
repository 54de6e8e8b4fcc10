// The wrapper around the adapter library, through the real loading code,
// against a fake adapter library that records every call: each operation, its
// error texts, a missing library, the buffers, and which library is chosen.
// It runs once through the vendor library's calls and once through libftdi1's.
#include "adapter_library.h"
#include "usb_adapter_rig.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <algorithm>
#include <memory>

using morvi::link::D2XXUnit;
using morvi::link::UsbLink;
using morvi::test::Backend;
using morvi::test::backend;
using morvi::test::fake;
using morvi::test::fakeVendorPath;
using morvi::test::ftdi;
using morvi::test::RecordingReporter;
using morvi::test::Rig;

namespace {

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

class TestAdapterLibrary : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { QVERIFY2(morvi::test::fakesLoad(), "the fake adapter libraries do not load"); }
    void init() { morvi::test::resetFakes(); }

    void operations_data();
    void operations();
    void errorTexts_data();
    void errorTexts();
    void missingLibrary_data();
    void missingLibrary();
    void openBufferCut_data();
    void openBufferCut();
    void readWriteBuffers();
    void libraryChoice_data();
    void libraryChoice();
};

void TestAdapterLibrary::operations_data()
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

void TestAdapterLibrary::operations()
{
    QFETCH(Op, op);
    QFETCH(QString, call);
    QFETCH(QString, name);

    D2XXUnit unit(fakeVendorPath);
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

void TestAdapterLibrary::errorTexts_data()
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

void TestAdapterLibrary::errorTexts()
{
    QFETCH(uint, status);
    QFETCH(QString, text);

    D2XXUnit unit(fakeVendorPath);
    QStringList dialogs;
    unit.setErrorDialog([&dialogs](const QString &t) { dialogs << t; });
    fake.fail("FT_SetBaudRate", status);
    QCOMPARE(unit.Set_USB_Device_BaudRate(), status);
    QCOMPARE(dialogs, QStringList{"FT_SetBaudRate" + text});
}

void TestAdapterLibrary::missingLibrary_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<bool>("loads");

    QTest::newRow("no such file") << "/nonexistent/libmorvi-no-adapter-library.so" << false;
    QTest::newRow("library without the entry points") << "libc.so.6" << true;
}

void TestAdapterLibrary::missingLibrary()
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

void TestAdapterLibrary::openBufferCut_data()
{
    QTest::addColumn<int>("length");
    QTest::newRow("48") << 48;
    QTest::newRow("49") << 49;
    QTest::newRow("50") << 50;
    QTest::newRow("63") << 63;
}

void TestAdapterLibrary::openBufferCut()
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

void TestAdapterLibrary::readWriteBuffers()
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

// Which library drives the adapter: the vendor's when it is there, under its
// plain or its versioned name, and libftdi1 otherwise.
void TestAdapterLibrary::libraryChoice_data()
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

void TestAdapterLibrary::libraryChoice()
{
    QFETCH(QStringList, libraries);
    QFETCH(bool, libftdi);
    MORVI_ONLY_FOR(vendor, "the choice does not depend on the suite's backend");

    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    if (libraries.front() == "dir/") {
        for (const char *name : {"libftd2xx.so.1.4.8", "libftd2xx.so.1.4.27", "libftd2xx.so.1", "libftd2xx.so.txt"})
            QVERIFY(linkLibrary(fakeVendorPath, QDir(dir.path()), QString::fromLatin1(name)));
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

QTEST_GUILESS_MAIN(TestAdapterLibrary)
#include "test_adapter_library.moc"
