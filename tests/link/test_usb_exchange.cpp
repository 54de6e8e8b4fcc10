// Reading and programming through the USB adapter, against the fake adapter
// library with a transmitter attached behind it, once through the vendor
// library's calls and once through libftdi1's. The block and evaluation
// delays are shortened except in the one run that checks the real pacing.
// No test touches real hardware.
#include "usb_exchange_bench.h"

using morvi::DerivedState;
using morvi::Editor;
using morvi::SendBoxes;
using morvi::link::D2XXUnit;
using morvi::link::PortResolver;
using morvi::link::QtSerialPort;
using morvi::link::SerialLink;
using morvi::link::Transfer;
using morvi::link::TransferHost;
using morvi::link::UsbExchange;
using morvi::link::UsbLink;
using morvi::test::RecordingReporter;
using morvi::test::Report;
namespace colour = morvi::colour;
namespace option = morvi::option;

using morvi::test::Memory;
Q_DECLARE_METATYPE(Memory)

using namespace morvi::test::usb_bench;
using morvi::test::checksumOf;
using morvi::test::transmitterMemory;
using morvi::test::waitFor;

class TestUsbExchange : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { QVERIFY2(fake.load(), qPrintable(fake.library.errorString())); }

    void plainReadAtRealPace();
    void plainReadTraces();
    void readBatches_data();
    void readBatches();
    void programmingRun_data();
    void programmingRun();
    void verifyOutcome_data();
    void verifyOutcome();
    void firmwareRejectedBeforeWriting();
    void adapterRefuses_data();
    void adapterRefuses();
    void startStopsSerialTimeout();
    void restartAbandonsRun();
    void silence_data();
    void silence();
};

void TestUsbExchange::plainReadAtRealPace()
{
    Bench b(transmitterMemory(), false);
    QCOMPARE(b.exchange.USBtimer().interval(), 200);
    QCOMPARE(b.exchange.polltimer().interval(), 1);
    QCOMPARE(b.exchange.eTimer().interval(), 150);

    QElapsedTimer clock;
    clock.start();
    b.transfer.LeseButtonClick();
    QVERIFY(b.transfer.reading() && !b.transfer.writing());
    QVERIFY(b.finish());
    // Eight blocks, each 200 ms after the previous evaluation and evaluated
    // 150 ms after its answers; precise timers never fire early.
    QVERIFY2(clock.elapsed() >= 8 * 350, qPrintable(QString::number(clock.elapsed())));

    QVERIFY(b.image() == transmitterMemory());
    QCOMPARE(b.reporter.reports, std::vector<Report>{readOk});
    QCOMPARE(b.reporter.beeps, 0);
    QCOMPARE(b.host.focus, std::vector<TransferHost::Button>{TransferHost::Button::LeseButton});
    QCOMPARE(b.host.panProg, (std::vector<bool>{true, false}));

    // Every block: 16 zero bytes, then 16 read requests 0x00 0x00 0xD0 address.
    std::vector<std::uint8_t> expected;
    for (int block = 0; block < 8; ++block) {
        expected.insert(expected.end(), 16, 0x00);
        for (int a = block * 16; a < block * 16 + 16; ++a)
            expected.insert(expected.end(), {0x00, 0x00, 0xD0, static_cast<std::uint8_t>(a)});
    }
    QVERIFY(fake.wire() == expected);
    const QStringList writes = fake.calls().filter(QRegularExpression("^FT_Write "));
    QCOMPARE(writes.size(), 8);
    for (const QString &w : writes)
        QVERIFY(w.endsWith(" 80"));
    // The serial port is not involved: no preamble, no open.
    QVERIFY(!b.serial.port().isOpen());
}

void TestUsbExchange::plainReadTraces()
{
    Bench b;
    b.transfer.LeseButtonClick();
    QVERIFY(b.finish());
    const auto &mem1 = b.reporter.traces.mem1;
    QVERIFY(mem1.size() >= 5 + 128);
    QCOMPARE(std::vector<std::string>(mem1.begin(), mem1.begin() + 5),
             (std::vector<std::string>{"mem1", "adresse: 128", "buffbytes: 512", "blocks: 8", "msganz: 16"}));
    QCOMPARE(std::count_if(mem1.begin(), mem1.end(), [](const std::string &l) { return l.starts_with("["); }), 128);
    QVERIFY(std::find(mem1.begin(), mem1.end(), "[127] : 020") != mem1.end());

    const auto &tm = b.reporter.traces.tm;
    const Memory m = transmitterMemory();
    QVERIFY(tm.size() > 5);
    QCOMPARE(std::vector<std::string>(tm.begin(), tm.begin() + 5),
             (std::vector<std::string>{"tm", "blockcount: 1/8 - bytecount: 64", "USB-fillbuffer - polltimer enabled",
                                       "qeue: 16", "[msg1] received[0]: " + std::to_string(m[0])}));
    QCOMPARE(b.tm("blockcount: ").last(), QStringLiteral("blockcount: 8/8 - bytecount: 512"));
    QCOMPARE(b.tm("[msg16] received[").size(), 8);
    QCOMPARE(b.tm("[msg17]").size(), 0);
    QCOMPARE(b.tm("-fertig-").size(), 1);
    QCOMPARE(qs(tm.back()), QStringLiteral("-fertig-"));
    // The second block's counting starts over at msg1, its addresses run on.
    QVERIFY(b.tm("[msg1] received[16]: ").size() == 1);
}

// Answer batches that do not match the requests: what is stored, what is said.
void TestUsbExchange::readBatches_data()
{
    QTest::addColumn<QString>("fault");
    QTest::addColumn<int>("request");
    QTest::addColumn<int>("value");
    QTest::addColumn<Memory>("expected");
    QTest::addColumn<QString>("message");
    QTest::addColumn<QString>("traced");

    const Memory m = transmitterMemory();
    QTest::newRow("17th answer of a block ignored") << "extra" << 15 << 77 << m << "Daten erfolgreich gelesen"
                                                    << "[msg17] received[16]: 77";

    // An extra byte inside a block shifts the rest of it; its last answer falls off.
    Memory shifted = m;
    shifted[4] = 77;
    for (int i = 5; i < 16; ++i)
        shifted[static_cast<std::size_t>(i)] = m[static_cast<std::size_t>(i - 1)];
    QTest::newRow("extra byte mid-block") << "extra" << 3 << 77 << shifted << "EEPROM checksum Fehler -  ist:"
                                          << "[msg17] received[16]: " + QString::number(m[15]);

    Memory corrupted = m;
    corrupted[40] = static_cast<std::uint8_t>(m[40] + 1);
    QTest::newRow("wrong answer")
        << "corrupt" << 40 << int(corrupted[40]) << corrupted
        << QString("EEPROM checksum Fehler -  ist:%1  soll:%2").arg(m[122]).arg(static_cast<std::uint8_t>(m[122] + 1))
        << "[msg9] received[40]: " + QString::number(corrupted[40]);
}

void TestUsbExchange::readBatches()
{
    QFETCH(QString, fault);
    QFETCH(int, request);
    QFETCH(int, value);
    QFETCH(Memory, expected);
    QFETCH(QString, message);
    QFETCH(QString, traced);

    Bench b;
    fake.fault(fault.toUtf8().constData(), request, static_cast<std::uint8_t>(value));
    b.transfer.LeseButtonClick();
    QVERIFY(b.finish());
    QVERIFY(b.image() == expected);
    QVERIFY2(b.infos().size() == 1 && b.infos().first().startsWith(message), qPrintable(b.infos().join('\n')));
    QCOMPARE(b.reporter.beeps, message.startsWith("Daten") ? 0 : 1);
    QCOMPARE(b.tm(traced).size(), 1);
}

// The fast exchange sends the same bytes and takes the same answers.
void TestUsbExchange::programmingRun_data()
{
    QTest::addColumn<bool>("fastExchange");
    QTest::newRow("standard") << false;
    QTest::newRow("fast") << true;
}

void TestUsbExchange::programmingRun()
{
    QFETCH(bool, fastExchange);
    Bench b;
    b.exchange.setFast(fastExchange);
    fake.fault("lag", 0, 0xEE);
    b.transfer.ProgButtonClick();
    QVERIFY(b.transfer.reading() && b.transfer.writing());
    QVERIFY(b.finish());

    const std::vector<std::uint8_t> sent = b.sendcopy();
    const Memory after = fake.transmitter();
    QVERIFY(std::vector<std::uint8_t>(after.begin(), after.begin() + 126) == sent);
    QCOMPARE(after[126], transmitterMemory()[126]);
    QCOMPARE(b.infos(), QStringList{"Daten erfolgreich übertragen"});
    QCOMPARE(b.reporter.reports.back(), programOk);
    QCOMPARE(b.reporter.beeps, 0);
    QVERIFY(b.programmed() == sent);
    // The firmware version read at the start of the run stays in the image.
    QCOMPARE(b.image()[126], std::uint8_t{2});
    QCOMPARE(b.image()[127], std::uint8_t{20});
    QCOMPARE(b.host.focus, std::vector<TransferHost::Button>{TransferHost::Button::ProgButton});
    QCOMPARE(b.host.gaugeGesamt.back(), 100);
    QCOMPARE(fake.requests(), 128 + 126 + 128);
    QCOMPARE(b.tm("add[").size(), 0);

    // 8 read, 16 write and 8 verify blocks of 80 bytes.
    const std::vector<std::uint8_t> wire = fake.wire();
    QCOMPARE(wire.size(), std::size_t{32 * 80});
    QCOMPARE(b.tm("blockcount: 16/16 - bytecount: 1024").size(), 1);
    // The first write block: eight requests 0x00 x5, 0xD5, address, data.
    const auto block = [&](int n) {
        return std::vector<std::uint8_t>(wire.begin() + n * 80, wire.begin() + n * 80 + 80);
    };
    std::vector<std::uint8_t> expected(16, 0x00);
    for (int a = 0; a < 8; ++a)
        expected.insert(expected.end(), {0, 0, 0, 0, 0, 0xD5, static_cast<std::uint8_t>(a), sent[std::size_t(a)]});
    QVERIFY(block(8) == expected);
    // The last write block carries six requests and 16 bytes of zero fill.
    expected.assign(16, 0x00);
    for (int a = 120; a < 126; ++a)
        expected.insert(expected.end(), {0, 0, 0, 0, 0, 0xD5, static_cast<std::uint8_t>(a), sent[std::size_t(a)]});
    expected.insert(expected.end(), 16, 0x00);
    QVERIFY(block(23) == expected);
    QCOMPARE(block(24)[16 + 2], std::uint8_t{0xD0});
    QCOMPARE(block(24)[16 + 3], std::uint8_t{0});
}

// The verify compares answer i at position i + 1; whatever it finds, the image
// ends with the bytes sent.
void TestUsbExchange::verifyOutcome_data()
{
    QTest::addColumn<bool>("lag");
    QTest::addColumn<QString>("fault");
    QTest::addColumn<int>("n");
    QTest::addColumn<int>("value");
    QTest::addColumn<QStringList>("fehler");

    QTest::newRow("cell keeps its value")
        << true << "stuck" << 10 << 99 << QStringList{"! FEHLER Verify !  [10: 99<>%10"};
    QTest::newRow("reserved cells never count") << true << "stuck" << 114 << 99 << QStringList{};
    QTest::newRow("reserved 117..121 never count") << true << "stuck" << 119 << 99 << QStringList{};
    QTest::newRow("wrong write echo counted, memory right") << true << "corrupt" << 128 + 5 << 1 << QStringList{};
    QTest::newRow("answers not one late") << false << "" << 0 << 0 << QStringList{"shifted"};
}

void TestUsbExchange::verifyOutcome()
{
    QFETCH(bool, lag);
    QFETCH(QString, fault);
    QFETCH(int, n);
    QFETCH(int, value);
    QFETCH(QStringList, fehler);

    Bench b;
    if (lag) fake.fault("lag", 0, 0xEE);
    if (!fault.isEmpty()) fake.fault(fault.toUtf8().constData(), n, static_cast<std::uint8_t>(value));
    b.transfer.ProgButtonClick();
    QVERIFY(b.finish());
    const std::vector<std::uint8_t> sent = b.sendcopy();

    QStringList expected;
    if (fehler == QStringList{"shifted"}) {
        // Without the lag, position i + 1 holds the byte written at i + 1 (or the firmware at 126).
        const Memory after = fake.transmitter();
        for (int i = 0; i < 126; ++i) {
            if (i == 114 || (i >= 117 && i <= 121)) continue;
            if (after[std::size_t(i + 1)] != sent[std::size_t(i)])
                expected << QString("! FEHLER Verify !  [%1: %2<>%3]")
                                .arg(i)
                                .arg(after[std::size_t(i + 1)])
                                .arg(sent[std::size_t(i)]);
        }
        QVERIFY(!expected.isEmpty());
    } else {
        for (const QString &f : fehler)
            expected << f.arg(sent[std::size_t(n)]).append("]");
    }
    if (expected.isEmpty()) expected << "Daten erfolgreich übertragen";
    QCOMPARE(b.infos(), expected);
    QCOMPARE(b.reporter.beeps, expected.last().startsWith("Daten") ? 0 : 1);
    QVERIFY(b.programmed() == sent);
    QVERIFY(!b.transfer.busy());
    QCOMPARE(b.host.refreshes, 2); // once when programming starts, once at the end
}

void TestUsbExchange::firmwareRejectedBeforeWriting()
{
    Memory m = transmitterMemory();
    m[126] = 3;
    m[127] = 0;
    Bench b(m);
    b.transfer.ProgButtonClick();
    QVERIFY(b.finish());
    QCOMPARE(b.infos(), QStringList{"Geräte-Firmware und Software passen nicht zusammen!"});
    QCOMPARE(b.reporter.beeps, 1);
    QCOMPARE(fake.requests(), 128);
    QVERIFY(fake.transmitter() == m);
    QVERIFY(b.programmed() == b.sendcopy());
    QVERIFY(b.host.focus.empty());
    QCOMPARE(b.tm("-fertig-").size(), 1);
}

// The adapter refuses a call the exchange depends on: the run ends at once
// and says so, the panel goes, and the editor keeps what it held.
void TestUsbExchange::adapterRefuses_data()
{
    QTest::addColumn<bool>("programming");
    QTest::addColumn<QString>("failing");
    QTest::addColumn<int>("atRead"); // the failure starts with the answer for this address; -1 before the start
    QTest::addColumn<QStringList>("expected");

    const QStringList refused{"Fehler USB-Kommunikation bei Zugriff"};
    QTest::newRow("purges refused at the start") << false << "FT_Purge" << -1 << refused;
    QTest::newRow("purges refused at a phase change") << true << "FT_Purge" << 127 << refused;
    // A read that brings no byte leaves nothing to take: every block comes back empty.
    QTest::newRow("reads bring nothing") << false << "FT_Read" << -1
                                         << QStringList{"Übertragungsfehler bei Byte 0", "    ! Verbindung prüfen !"};
}

void TestUsbExchange::adapterRefuses()
{
    QFETCH(bool, programming);
    QFETCH(QString, failing);
    QFETCH(int, atRead);
    QFETCH(QStringList, expected);

    Bench b;
    const auto fail = [&] { fake.fail(failing.toUtf8().constData(), 4); };
    if (atRead < 0) {
        // A run is going when the refused one starts; it must not live on.
        b.transfer.LeseButtonClick();
        fail();
    } else {
        b.host.onAction = [&](const std::string &action) {
            if (action == "read" && b.transfer.bytepos() == atRead) fail();
        };
    }
    if (programming)
        b.transfer.ProgButtonClick();
    else
        b.transfer.LeseButtonClick();
    QVERIFY(b.finish());

    QCOMPARE(b.infos(), expected);
    QCOMPARE(b.reporter.beeps, 1);
    QCOMPARE(b.host.panProg.back(), false);
    if (programming) QVERIFY(b.programmed() == b.sendcopy());
    QVERIFY(!b.exchange.USBtimer().isActive() && !b.exchange.polltimer().isActive() && !b.exchange.eTimer().isActive());
}

// A serial request's time-out still running when the adapter takes over must
// not end the adapter's run.
void TestUsbExchange::startStopsSerialTimeout()
{
    Bench b;
    // Left running, it would fire before the first block goes out.
    b.exchange.USBtimer().setInterval(60);
    b.transfer.awaitAnswer(20);
    b.transfer.LeseButtonClick();
    QVERIFY(b.finish());
    QCOMPARE(b.infos(), QStringList{"Daten erfolgreich gelesen"});
}

void TestUsbExchange::restartAbandonsRun()
{
    Bench b;
    b.transfer.ProgButtonClick();
    QVERIFY(waitFor([&] { return b.transfer.writing() && !b.transfer.reading(); }, doneTimeoutMs));
    b.transfer.LeseButtonClick();
    QVERIFY(b.finish());
    QCOMPARE(b.infos(), QStringList{"Daten erfolgreich gelesen"});
    QCOMPARE(b.tm("blockcount: 1/8 - bytecount: 64").size(), 2);
    QCOMPARE(fake.requests(), 128 + 128);
    QVERIFY(b.image() == transmitterMemory());
}

// A transmitter that stops answering: the block's response time-out ends the
// run, and from then on the adapter is not polled any more.
void TestUsbExchange::silence_data()
{
    QTest::addColumn<int>("answered");
    QTest::addColumn<int>("blocksSent");
    // The block after the short one still goes out; its silence ends the run.
    QTest::newRow("never answers") << 0 << 1;
    QTest::newRow("stops after address 56") << 57 << 5;
}

void TestUsbExchange::silence()
{
    QFETCH(int, answered);
    QFETCH(int, blocksSent);

    Bench b;
    fake.fault("silent", answered, 0);
    QElapsedTimer clock;
    clock.start();
    b.transfer.LeseButtonClick();
    QVERIFY(b.finish());
    // The precise time-out never fires early.
    QVERIFY2(clock.elapsed() >= UsbExchange::responseTimeoutMs, qPrintable(QString::number(clock.elapsed())));
    QCOMPARE(b.exchange.blockcount(), blocksSent);
    QCOMPARE(int(b.transfer.bytepos()), answered);
    QCOMPARE(b.infos().first(), QStringLiteral("Übertragungsfehler bei Byte %1").arg(answered));

    const int calls = fake.callCount();
    QTest::qWait(50);
    QCOMPARE(fake.callCount(), calls);
}

QTEST_GUILESS_MAIN(TestUsbExchange)
#include "test_usb_exchange.moc"
