// Which device each port name stands for, and what the info window is told
// when a port does not open. The system's serial devices are faked; ports
// open through the real serial code, on a pseudo-terminal and files of the
// test's own. Reading and programming through a mapped port: test_port_mapping.
#include "port_map.h"
#include "qserial_port.h"
#include "qt_string.h"
#include "recording_reporter.h"
#include "serial_link.h"
#include "tx_emulator.h"

#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>
#include <grp.h>
#include <linux/capability.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

using morvi::link::PortMap;
using morvi::link::PortResolver;
using morvi::link::SerialDevice;
using morvi::link::SerialLink;
using morvi::test::RecordingReporter;
using morvi::tools::TxEmulator;

namespace {

// "path" for a port on the board, "usb:path" for a USB converter.
std::vector<SerialDevice> devices(const QStringList &list)
{
    std::vector<SerialDevice> result;
    for (const QString &d : list)
        result.push_back(d.startsWith("usb:") ? SerialDevice{d.mid(4), true} : SerialDevice{d, false});
    return result;
}

QStringList comDevices(const PortResolver &r)
{
    QStringList list;
    for (int n = 1; n <= 4; ++n)
        list << r.device(PortResolver::portName(n));
    return list;
}

bool writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

// Root may open any file and any terminal held exclusively; without these
// capabilities it may not, as any other user.
class AsPlainUser {
public:
    AsPlainUser()
    {
        if (::geteuid() != 0 || ::syscall(SYS_capget, &header_, saved_) != 0) return;
        __user_cap_data_struct reduced[2] = {saved_[0], saved_[1]};
        reduced[0].effective &= ~((1u << CAP_DAC_OVERRIDE) | (1u << CAP_DAC_READ_SEARCH) | (1u << CAP_SYS_ADMIN));
        dropped_ = ::syscall(SYS_capset, &header_, reduced) == 0;
    }
    ~AsPlainUser()
    {
        if (dropped_) ::syscall(SYS_capset, &header_, saved_);
    }
    AsPlainUser(const AsPlainUser &) = delete;
    AsPlainUser &operator=(const AsPlainUser &) = delete;

private:
    __user_cap_header_struct header_{_LINUX_CAPABILITY_VERSION_3, 0};
    __user_cap_data_struct saved_[2] = {};
    bool dropped_ = false;
};

} // namespace

class TestSerialPorts : public QObject {
    Q_OBJECT
private slots:
    void resolve_data();
    void resolve();
    void mappingFile_data();
    void mappingFile();
    void portTipFollowsTheFile();
    void openFailure_data();
    void openFailure();
};

void TestSerialPorts::resolve_data()
{
    QTest::addColumn<QStringList>("system");
    QTest::addColumn<QStringList>("lines");
    QTest::addColumn<QStringList>("com");

    const QStringList none{"", "", "", ""};
    QTest::newRow("no serial devices") << QStringList{} << QStringList{} << none;
    QTest::newRow("USB converters first, by their numbers")
        << QStringList{"/dev/ttyS0", "usb:/dev/ttyUSB10", "usb:/dev/ttyACM0", "usb:/dev/ttyUSB2"} << QStringList{}
        << QStringList{"/dev/ttyUSB2", "/dev/ttyUSB10", "/dev/ttyACM0", "/dev/ttyS0"};
    QTest::newRow("four ports for five devices")
        << QStringList{"usb:/dev/ttyUSB4", "usb:/dev/ttyUSB3", "usb:/dev/ttyUSB2", "usb:/dev/ttyUSB1",
                       "usb:/dev/ttyUSB0"}
        << QStringList{} << QStringList{"/dev/ttyUSB0", "/dev/ttyUSB1", "/dev/ttyUSB2", "/dev/ttyUSB3"};
    QTest::newRow("a mapped device is not offered again")
        << QStringList{"usb:/dev/ttyUSB0", "usb:/dev/ttyUSB1"} << QStringList{"COM1=/dev/ttyUSB1"}
        << QStringList{"/dev/ttyUSB1", "/dev/ttyUSB0", "", ""};
    QTest::newRow("names missing from the file keep their defaults")
        << QStringList{"usb:/dev/ttyUSB0"} << QStringList{"COM3=/dev/ttyS1"}
        << QStringList{"/dev/ttyUSB0", "", "/dev/ttyS1", ""};
    QTest::newRow("bad lines skipped, blanks and letter case forgiven, later line wins")
        << QStringList{"usb:/dev/ttyUSB0"}
        << QStringList{"COM2 /dev/ttyS5",
                       "=/dev/ttyS6",
                       "LPT1=/dev/lp0",
                       "COMX=/dev/ttyS7",
                       "# COM1=/dev/ttyS8",
                       "; COM1=/dev/ttyS8",
                       "",
                       "  com3 =  /dev/ttyS9  ",
                       "COM4=/dev/ttyS1",
                       "COM4=/dev/ttyS2"}
        << QStringList{"/dev/ttyUSB0", "", "/dev/ttyS9", "/dev/ttyS2"};
    QTest::newRow("a port left without a device")
        << QStringList{"usb:/dev/ttyUSB0", "/dev/ttyS0"} << QStringList{"COM1="}
        << QStringList{"", "/dev/ttyUSB0", "/dev/ttyS0", ""};
}

void TestSerialPorts::resolve()
{
    QFETCH(QStringList, system);
    QFETCH(QStringList, lines);
    QFETCH(QStringList, com);

    const PortResolver r = morvi::link::resolvePorts(devices(system), morvi::link::parsePortMap(lines));
    QCOMPARE(comDevices(r), com);
    // Only names the file gives have a device beyond COM4.
    QCOMPARE(r.device("COM5"), QString());
}

void TestSerialPorts::mappingFile_data()
{
    QTest::addColumn<QByteArray>("content"); // empty: no file
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("device");

    QTest::newRow("no file: the system's device") << QByteArray() << "COM1"
                                                  << "/dev/ttyUSB0";
    QTest::newRow("CR LF lines") << QByteArray("COM2=/dev/ttyS3\r\nCOM1=/dev/ttyS4\r\n") << "COM1"
                                 << "/dev/ttyS4";
    QTest::newRow("byte-order mark") << QByteArray("\xEF\xBB\xBF"
                                                   "COM1=/dev/ttyS4\n")
                                     << "COM1"
                                     << "/dev/ttyS4";
    QTest::newRow("a name from the settings file beyond COM4") << QByteArray("COM12=/dev/ttyUSB7\n") << "COM12"
                                                               << "/dev/ttyUSB7";
    QTest::newRow("binary rubbish") << QByteArray("\x01\x02=\xFF\xFE\n\n=") << "COM1"
                                    << "/dev/ttyUSB0";
}

void TestSerialPorts::mappingFile()
{
    QFETCH(QByteArray, content);
    QFETCH(QString, name);
    QFETCH(QString, device);

    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString path = dir.filePath(QString::fromLatin1(morvi::link::portMapFileName));
    if (!content.isEmpty()) QVERIFY(writeFile(path, content));
    PortMap map([] { return devices({"usb:/dev/ttyUSB0"}); });
    map.setFile(path);

    QCOMPARE(map.resolve().device(name), device);
    // Only ever read: a missing file stays missing, a present one unchanged.
    QCOMPARE(QFile::exists(path), !content.isEmpty());
    if (!content.isEmpty()) {
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), content);
    }
}

void TestSerialPorts::portTipFollowsTheFile()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    auto map = std::make_unique<PortMap>([] { return devices({"usb:/dev/ttyUSB0"}); });
    map->setFile(dir.filePath("morvi-ports.ini"));
    SerialLink link(std::move(map));
    QCOMPARE(link.portTip(1), QStringLiteral("COM1: /dev/ttyUSB0"));
    QCOMPARE(link.portTip(2), QStringLiteral("COM2: kein Gerät zugeordnet"));

    // Written while the program runs, the file counts from the next refresh on.
    QVERIFY(writeFile(dir.filePath("morvi-ports.ini"), "COM2=/dev/serial/by-id/usb-cable\n"));
    QCOMPARE(link.portTip(2), QStringLiteral("COM2: kein Gerät zugeordnet"));
    link.refreshPorts();
    QCOMPARE(link.portTip(2), QStringLiteral("COM2: /dev/serial/by-id/usb-cable"));
}

void TestSerialPorts::openFailure_data()
{
    QTest::addColumn<QString>("port");
    QTest::addColumn<QString>("kind");

    QTest::newRow("a name without a device") << "COM7"
                                             << "unmapped";
    QTest::newRow("a device that is not there") << "COM3"
                                                << "missing";
    QTest::newRow("a device the user may not open") << "COM2"
                                                    << "rights";
    QTest::newRow("a device another program holds") << "COM1"
                                                    << "busy";
}

void TestSerialPorts::openFailure()
{
    QFETCH(QString, port);
    QFETCH(QString, kind);

    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    TxEmulator emulator;
    const QString pty = QString::fromStdString(emulator.slavePath());
    const QString locked = dir.filePath("ttyLocked");
    QVERIFY(writeFile(locked, {}));
    QVERIFY(::chmod(QFile::encodeName(locked).constData(), 0) == 0);
    // Serial devices belong to the group that gives access to them.
    if (::geteuid() == 0) {
        const group *dialout = ::getgrnam("dialout");
        QVERIFY(dialout != nullptr);
        QVERIFY(::chown(QFile::encodeName(locked).constData(), 0, dialout->gr_gid) == 0);
    }

    PortResolver resolver;
    resolver.setDevice(1, pty);
    resolver.setDevice(2, locked);
    resolver.setDevice(3, dir.filePath("ttyGone"));
    SerialLink link(std::make_unique<morvi::link::QtSerialPort>(resolver));
    RecordingReporter reporter;
    link.setReporter(&reporter);

    // Another program has the terminal.
    QSerialPort other(pty);
    if (kind == "busy") QVERIFY(other.open(QIODevice::ReadWrite));

    bool opened = false;
    {
        AsPlainUser asPlainUser;
        opened = link.setupport(port);
    }
    if (kind == "busy" && opened) QSKIP("this system lets a second program open the terminal");
    QVERIFY(!opened);

    QString expected;
    if (kind == "unmapped")
        expected = "COM7 ist keinem Gerät zugeordnet (Zuordnung in der Datei morvi-ports.ini neben morvi.ini).";
    else if (kind == "missing")
        expected = "COM3 (" + dir.filePath("ttyGone") + "): Gerät nicht vorhanden.";
    else if (kind == "busy")
        expected = "COM1 (" + pty + "): Gerät wird von einem anderen Programm benutzt.";
    else {
        const QString groupName = QFileInfo(locked).group();
        const QString user = QFileInfo(locked).owner();
        expected = "COM2 (" + locked + "): keine Zugriffsrechte. Den Benutzer in die Gruppe " + groupName +
                   " aufnehmen (\"sudo adduser " + user + " " + groupName + "\") und neu anmelden.";
        if (::geteuid() == 0) QCOMPARE(groupName, QStringLiteral("dialout"));
    }
    QCOMPARE(reporter.reports.size(), std::size_t{1});
    QCOMPARE(qs(reporter.reports[0].text), expected);
    QCOMPARE(reporter.reports[0].colour, morvi::colour::red);
    QCOMPARE(reporter.reports[0].option, 0);
    QVERIFY(!link.port().isOpen());
}

QTEST_GUILESS_MAIN(TestSerialPorts)
#include "test_serial_ports.moc"
