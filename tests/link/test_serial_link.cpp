// The serial link through the real QSerialPort code, against an emulated
// transmitter behind a pseudo-terminal. Only "COM2" has a device; the other
// names point at paths that do not exist, so no test touches real hardware.
#include "qserial_port.h"
#include "qt_string.h"
#include "recording_reporter.h"
#include "serial_link.h"
#include "tx_emulator.h"

#include <QElapsedTimer>
#include <QTest>
#include <chrono>
#include <memory>
#include <thread>

using morvi::link::PortResolver;
using morvi::link::QtSerialPort;
using morvi::link::SerialLink;
using morvi::link::SerialPort;
using morvi::tools::TxEmulator;

namespace {

TxEmulator::Memory pattern()
{
    TxEmulator::Memory memory{};
    for (std::size_t i = 0; i < memory.size(); ++i)
        memory[i] = static_cast<std::uint8_t>(0xA0 ^ i);
    return memory;
}

// Every port missing, except those given the emulator's terminal.
PortResolver resolver(const TxEmulator *emulator, std::initializer_list<int> present)
{
    PortResolver r;
    for (int n = 1; n <= PortResolver::portCount; ++n)
        r.setDevice(n, QStringLiteral("/nonexistent/morvi-test-port%1").arg(n));
    for (int n : present)
        r.setDevice(n, QString::fromStdString(emulator->slavePath()));
    return r;
}

std::unique_ptr<SerialLink> makeLink(const TxEmulator &emulator, std::initializer_list<int> present = {2})
{
    return std::make_unique<SerialLink>(std::make_unique<QtSerialPort>(resolver(&emulator, present)));
}

bool sendRead(SerialPort &port, std::uint8_t address)
{
    for (std::uint8_t byte : {std::uint8_t{0}, std::uint8_t{0}, std::uint8_t{0}, std::uint8_t{0xD0}, address})
        if (!port.send(byte)) return false;
    return true;
}

// Waits, without running the event loop, until count bytes from the emulator
// sit in the terminal: the port then takes them in with a single read.
bool waitPending(const TxEmulator &emulator, int count)
{
    for (int i = 0; i < 400; ++i) {
        if (emulator.pendingForProgram() >= count) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return false;
}

} // namespace

class TestSerialLink : public QObject {
    Q_OBJECT
private slots:
    void probe_data();
    void probe();
    void setupport_data();
    void setupport();
    void setupportClearsInput();
    void lineSettings();
    void setName_data();
    void setName();
    void receiveOneByteAtATime_data();
    void receiveOneByteAtATime();
    void read_data();
    void read();
    void timercloseportClosesAfterLastAnswer();
    void portChosen_data();
    void portChosen();
    void portGoneAfterProbe();
};

void TestSerialLink::probe_data()
{
    QTest::addColumn<QString>("selected");
    QTest::addColumn<bool>("openBefore"); // COM2 is open
    QTest::addColumn<bool>("inTransfer"); // and a transfer runs over it
    QTest::addColumn<bool>("comok");

    QTest::newRow("COM1 selected, missing") << "COM1" << false << false << false;
    QTest::newRow("COM2 selected, present") << "COM2" << false << false << true;
    QTest::newRow("COM4 selected, missing") << "COM4" << false << false << false;
    QTest::newRow("other name") << "COM7" << false << false << true;
    QTest::newRow("open after a transfer on COM2") << "COM2" << true << false << true;
    // Left alone: closing the port would cut the transfer off. The marks stay as they were.
    QTest::newRow("during a transfer on COM2") << "COM2" << true << true << false;
}

void TestSerialLink::probe()
{
    QFETCH(QString, selected);
    QFETCH(bool, openBefore);
    QFETCH(bool, inTransfer);
    QFETCH(bool, comok);

    TxEmulator emulator;
    auto link = makeLink(emulator);
    if (openBefore) QVERIFY(link->setupport(QStringLiteral("COM2")));
    link->setInTransfer(inTransfer);
    QVERIFY(link->port().setName(selected));
    // Until the first probe every item is enabled but no port counts as available.
    for (int n = 1; n <= 4; ++n)
        QVERIFY(link->portItemEnabled(n) && !link->comavailable()[n - 1]);
    QCOMPARE(link->comok(), selected == QStringLiteral("COM7"));

    link->MKommunikationClick();

    const std::array<bool, 4> expected{false, true, false, false};
    for (int n = 1; n <= 4; ++n) {
        QCOMPARE(link->portItemEnabled(n), inTransfer || expected[n - 1]);
        QCOMPARE(link->comavailable()[n - 1], !inTransfer && expected[n - 1]);
    }
    QCOMPARE(link->portName(), selected);
    QCOMPARE(link->port().isOpen(), inTransfer);
    QCOMPARE(link->comok(), comok);
}

void TestSerialLink::setupport_data()
{
    QTest::addColumn<QString>("auswahl");
    QTest::addColumn<bool>("opens");

    QTest::newRow("present") << "COM2" << true;
    QTest::newRow("missing") << "COM3" << false;
    QTest::newRow("not a port") << "COM7" << false;
}

void TestSerialLink::setupport()
{
    QFETCH(QString, auswahl);
    QFETCH(bool, opens);

    TxEmulator emulator(pattern());
    auto link = makeLink(emulator);
    std::uint8_t bytepos = 77;
    link->setBytepos(&bytepos);

    QCOMPARE(link->setupport(auswahl), opens);
    QCOMPARE(link->portName(), auswahl);
    QCOMPARE(link->port().isOpen(), opens);
    QCOMPARE(bytepos, opens ? 0 : 77);
    if (!opens) return;

    // The opened device is the emulator's.
    QVERIFY(sendRead(link->port(), 12));
    QVERIFY(emulator.waitForRequests(1, 2000));
    QCOMPARE(emulator.requests().front(), (TxEmulator::Request{0xD0, 12, 0}));
}

void TestSerialLink::setupportClearsInput()
{
    TxEmulator emulator(pattern());
    auto link = makeLink(emulator);
    std::vector<std::uint8_t> received;
    link->port().setReceiveHandler([&](int) {
        std::uint8_t byte = 0;
        if (link->port().read({&byte, 1}) == 1) received.push_back(byte);
    });

    // Stray bytes that sit in the terminal before the transfer opens the port.
    emulator.sendRaw({0x11, 0x22, 0x33});
    QVERIFY(waitPending(emulator, 3));
    QVERIFY(link->setupport(QStringLiteral("COM2")));
    QVERIFY(sendRead(link->port(), 5));

    QTRY_VERIFY(!received.empty());
    QTest::qWait(50);
    QCOMPARE(received, std::vector<std::uint8_t>{pattern()[5]});
}

void TestSerialLink::lineSettings()
{
    TxEmulator emulator;
    auto link = makeLink(emulator);
    QVERIFY(link->setupport(QStringLiteral("COM2")));

    const termios t = emulator.lineSettings();
    QCOMPARE(cfgetospeed(&t), speed_t{B9600});
    QCOMPARE(cfgetispeed(&t), speed_t{B9600});
    QCOMPARE(t.c_cflag & CSIZE, tcflag_t{CS8});
    QCOMPARE(t.c_cflag & (PARENB | CSTOPB | CRTSCTS), tcflag_t{0});
    QCOMPARE(t.c_iflag & (IXON | IXOFF | IXANY), tcflag_t{0});
}

void TestSerialLink::setName_data()
{
    QTest::addColumn<QString>("newName");
    QTest::addColumn<bool>("result");
    QTest::addColumn<bool>("openAfter");

    QTest::newRow("same name keeps the port open") << "COM2" << true << true;
    QTest::newRow("other present port reopens") << "COM3" << true << true;
    QTest::newRow("missing port closes") << "COM4" << false << false;
}

void TestSerialLink::setName()
{
    QFETCH(QString, newName);
    QFETCH(bool, result);
    QFETCH(bool, openAfter);

    // COM2 and COM3 lead to the same terminal.
    TxEmulator emulator(pattern());
    auto link = makeLink(emulator, {2, 3});
    QVERIFY(link->setupport(QStringLiteral("COM2")));

    QCOMPARE(link->port().setName(newName), result);
    QCOMPARE(link->portName(), newName);
    QCOMPARE(link->port().isOpen(), openAfter);
    if (openAfter) {
        QVERIFY(sendRead(link->port(), 1));
        std::uint8_t byte = 0;
        QCOMPARE(link->port().read({&byte, 1}), 1);
        QCOMPARE(byte, pattern()[1]);
    }
}

void TestSerialLink::receiveOneByteAtATime_data()
{
    QTest::addColumn<int>("copies");
    QTest::addColumn<bool>("clearAfterRead"); // as the transfer does before its next request
    QTest::addColumn<QList<int>>("waiting");

    QTest::newRow("single answer") << 1 << false << QList<int>{1};
    QTest::newRow("three together") << 3 << false << QList<int>{3, 2, 1};
    QTest::newRow("cleared bytes are not announced") << 3 << true << QList<int>{3};
}

void TestSerialLink::receiveOneByteAtATime()
{
    QFETCH(int, copies);
    QFETCH(bool, clearAfterRead);
    QFETCH(QList<int>, waiting);

    TxEmulator emulator(pattern());
    emulator.setAnswerCopies(copies);
    auto link = makeLink(emulator);
    QVERIFY(link->setupport(QStringLiteral("COM2")));

    QList<int> announced;
    std::vector<std::uint8_t> bytes;
    link->port().setReceiveHandler([&](int count) {
        announced.append(count);
        std::uint8_t byte = 0;
        QCOMPARE(link->port().read({&byte, 1}), 1);
        bytes.push_back(byte);
        if (clearAfterRead) QVERIFY(link->port().clear(SerialPort::input));
    });

    QVERIFY(sendRead(link->port(), 9));
    QVERIFY(emulator.waitForRequests(1, 2000));
    QVERIFY(waitPending(emulator, copies));

    QTRY_COMPARE(announced.size(), waiting.size());
    QTest::qWait(50);
    QCOMPARE(announced, waiting);
    QCOMPARE(bytes, std::vector<std::uint8_t>(static_cast<std::size_t>(waiting.size()), pattern()[9]));
}

void TestSerialLink::read_data()
{
    QTest::addColumn<bool>("open");
    QTest::addColumn<bool>("request");
    QTest::addColumn<int>("result");
    QTest::addColumn<int>("minMs");

    QTest::newRow("closed port") << false << false << -1 << 0;
    QTest::newRow("answer still on its way") << true << true << 1 << 0;
    QTest::newRow("nothing comes: waits out the time-out") << true << false << 0 << 1100;
}

void TestSerialLink::read()
{
    QFETCH(bool, open);
    QFETCH(bool, request);
    QFETCH(int, result);
    QFETCH(int, minMs);

    TxEmulator emulator(pattern());
    auto link = makeLink(emulator);
    if (open) QVERIFY(link->setupport(QStringLiteral("COM2")));
    if (request) QVERIFY(sendRead(link->port(), 33));

    QElapsedTimer clock;
    clock.start();
    std::uint8_t byte = 0;
    QCOMPARE(link->port().read({&byte, 1}), result);
    QVERIFY(clock.elapsed() >= minMs);
    if (result == 1) QCOMPARE(byte, pattern()[33]);
}

void TestSerialLink::timercloseportClosesAfterLastAnswer()
{
    TxEmulator emulator(pattern());
    auto link = makeLink(emulator);
    int usbPollStops = 0;
    link->setStopUsbPoll([&] { ++usbPollStops; });
    QVERIFY(link->setupport(QStringLiteral("COM2")));

    QElapsedTimer sinceLastAnswer;
    int answers = 0;
    link->port().setReceiveHandler([&](int) {
        std::uint8_t byte = 0;
        QCOMPARE(link->port().read({&byte, 1}), 1);
        // The clock starts first, so it never shows less than the timer waited.
        sinceLastAnswer.start();
        link->timercloseport().start();
        // A second request keeps the port open past the first answer's 300 ms.
        if (++answers == 1) {
            QTimer::singleShot(200, link.get(), [&] { QVERIFY(sendRead(link->port(), 2)); });
        }
    });
    QVERIFY(sendRead(link->port(), 1));

    QTRY_COMPARE(answers, 2);
    QVERIFY(link->port().isOpen());
    QTRY_VERIFY_WITH_TIMEOUT(!link->port().isOpen(), 3000);
    // A coarse timer, as closing a little early or late harms nothing: it may fire 5 % early.
    QVERIFY2(sinceLastAnswer.elapsed() >= 300 * 95 / 100, qPrintable(QString::number(sinceLastAnswer.elapsed())));
    QCOMPARE(usbPollStops, 1);
    QVERIFY(!link->timercloseport().isActive());
    QCOMPARE(link->portName(), QStringLiteral("COM2"));
}

void TestSerialLink::portChosen_data()
{
    QTest::addColumn<int>("n");
    QTest::addColumn<QString>("message");

    QTest::newRow("COM1") << 1 << "gewählter COM-Port: COM1";
    QTest::newRow("COM2") << 2 << "gewählter COM-Port: COM2";
    QTest::newRow("COM3") << 3 << "gewählter COM-Port: COM3";
    QTest::newRow("COM4") << 4 << "gewählter COM-Port: COM4";
}

void TestSerialLink::portChosen()
{
    QFETCH(int, n);
    QFETCH(QString, message);

    // Only the chosen port has a device: the next transfer must open that one.
    TxEmulator emulator(pattern());
    auto link = makeLink(emulator, {n});
    morvi::test::RecordingReporter reporter;

    link->portChosen(n, reporter);

    QCOMPARE(reporter.reports.size(), std::size_t{1});
    QCOMPARE(qs(reporter.reports[0].text), message);
    QCOMPARE(reporter.reports[0].colour, morvi::colour::black);
    QCOMPARE(reporter.reports[0].option, morvi::option::block);
    QCOMPARE(link->portName(), QStringLiteral("COM%1").arg(n));
    QVERIFY(link->setupport(link->portName()));
}

void TestSerialLink::portGoneAfterProbe()
{
    auto emulator = std::make_unique<TxEmulator>(pattern());
    auto link = makeLink(*emulator);
    QVERIFY(link->port().setName(QStringLiteral("COM2")));
    link->MKommunikationClick();
    QVERIFY(link->comok());

    emulator.reset();

    QVERIFY(!link->setupport(QStringLiteral("COM2")));
    QVERIFY(!link->port().isOpen());
    // The flags are the last probe's until the next one.
    QVERIFY(link->comok());
}

QTEST_GUILESS_MAIN(TestSerialLink)
#include "test_serial_link.moc"
