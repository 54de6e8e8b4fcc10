// The emulator answers exactly the requests a transmitter answers, framed as a
// transfer frames them, so the link and transfer tests can trust what comes back.
#include "tx_emulator.h"

#include <QElapsedTimer>
#include <QTest>
#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

using morvi::tools::TxEmulator;
using Bytes = std::vector<std::uint8_t>;

Q_DECLARE_METATYPE(Bytes)

namespace {

TxEmulator::Memory pattern()
{
    TxEmulator::Memory memory{};
    for (std::size_t i = 0; i < memory.size(); ++i)
        memory[i] = static_cast<std::uint8_t>(i * 7 + 3);
    return memory;
}

Bytes request(std::uint8_t command, std::uint8_t address) { return {0, 0, 0, command, address}; }
Bytes request(std::uint8_t command, std::uint8_t address, std::uint8_t data)
{
    return {0, 0, 0, command, address, data};
}

Bytes operator+(Bytes a, const Bytes &b)
{
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

// Everything the emulator sends within a short quiet spell.
Bytes drain(int fd)
{
    Bytes got;
    pollfd p{fd, POLLIN, 0};
    while (::poll(&p, 1, 100) > 0) {
        std::uint8_t buffer[64];
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n <= 0) break;
        got.insert(got.end(), buffer, buffer + n);
    }
    return got;
}

} // namespace

class TestTxEmulator : public QObject {
    Q_OBJECT
private slots:
    void framing_data();
    void framing();
};

void TestTxEmulator::framing_data()
{
    QTest::addColumn<QString>(
        "setup"); // "lenient", "silent n", "corrupt address", "fade address value", "delay ms", "baud n"
    QTest::addColumn<Bytes>("sent");
    QTest::addColumn<Bytes>("answers");
    QTest::addColumn<int>("requests");
    QTest::addColumn<int>("framingErrors");
    QTest::addColumn<int>("minMs"); // the answers take at least this long

    const auto m = pattern();
    const Bytes preamble(25, 0);
    const Bytes gap(100, 0);
    QTest::newRow("read") << "" << request(0xD0, 5) << Bytes{m[5]} << 1 << 0 << 0;
    QTest::newRow("read of address 0 after the preamble")
        << "" << preamble + request(0xD0, 0) << Bytes{m[0]} << 1 << 0 << 0;
    QTest::newRow("read of address 0 without the preamble") << "" << request(0xD0, 0) << Bytes{} << 0 << 1 << 0;
    QTest::newRow("preamble one zero short") << "" << Bytes(24, 0) + request(0xD0, 0) << Bytes{} << 0 << 1 << 0;
    QTest::newRow("lenient: any three zeros") << "lenient" << request(0xD0, 0) << Bytes{m[0]} << 1 << 0 << 0;
    QTest::newRow("write of a zero") << "" << request(0xD5, 7, 0) << Bytes{0} << 1 << 0 << 0;
    QTest::newRow("write then read back")
        << "" << request(0xD5, 9, 0x42) + request(0xD0, 9) << Bytes{0x42, 0x42} << 2 << 0 << 0;
    QTest::newRow("read after the last write needs the gap")
        << "" << request(0xD5, 125, 1) + preamble + request(0xD0, 0) << Bytes{1} << 1 << 1 << 0;
    QTest::newRow("read after the last write and the gap")
        << "" << request(0xD5, 125, 1) + gap + request(0xD0, 0) << Bytes{1, m[0]} << 2 << 0 << 0;
    QTest::newRow("firmware byte is not written") << "" << request(0xD5, 126, 0x55) << Bytes{m[126]} << 1 << 0 << 0;
    QTest::newRow("command without three zeros") << "" << Bytes{0, 0, 0xD0, 5} << Bytes{} << 0 << 2 << 0;
    QTest::newRow("address beyond memory") << "" << request(0xD0, 128) << Bytes{} << 1 << 0 << 0;
    QTest::newRow("silent after one") << "silent 1" << request(0xD0, 1) + request(0xD0, 2) << Bytes{m[1]} << 2 << 0
                                      << 0;
    QTest::newRow("never answers") << "silent 0" << request(0xD0, 1) << Bytes{} << 1 << 0 << 0;
    QTest::newRow("corrupt answer") << "corrupt 4" << request(0xD0, 3) + request(0xD0, 4)
                                    << Bytes{m[3], static_cast<std::uint8_t>(m[4] ^ 0x81)} << 2 << 0 << 0;
    QTest::newRow("fading cell echoes, then holds its own value")
        << "fade 9 7" << request(0xD5, 9, 0x42) + request(0xD0, 9) << Bytes{0x42, 7} << 2 << 0 << 0;
    QTest::newRow("slow answer") << "delay 40" << request(0xD0, 6) << Bytes{m[6]} << 1 << 0 << 40;
    // Five request bytes in, one answer byte out, 10 bits each.
    QTest::newRow("9600 baud") << "baud 9600" << request(0xD0, 6) << Bytes{m[6]} << 1 << 0 << 6;
}

void TestTxEmulator::framing()
{
    QFETCH(QString, setup);
    QFETCH(Bytes, sent);
    QFETCH(Bytes, answers);
    QFETCH(int, requests);
    QFETCH(int, framingErrors);
    QFETCH(int, minMs);

    const QStringList words = setup.split(' ', Qt::SkipEmptyParts);
    const auto arg = [&](int i) { return words.value(i).toInt(); };
    const QString kind = words.value(0);
    TxEmulator emulator(pattern(), kind == "lenient" ? TxEmulator::Framing::lenient : TxEmulator::Framing::strict);
    if (kind == "silent") emulator.setSilentAfter(static_cast<std::size_t>(arg(1)));
    if (kind == "corrupt") emulator.corruptAnswer(static_cast<std::uint8_t>(arg(1)), 0x81);
    if (kind == "fade") emulator.setFadingCell(static_cast<std::uint8_t>(arg(1)), static_cast<std::uint8_t>(arg(2)));
    if (kind == "delay") emulator.setAnswerDelay(arg(1));
    if (kind == "baud") emulator.setBaudRate(arg(1));

    const int fd = ::open(emulator.slavePath().c_str(), O_RDWR | O_NOCTTY);
    QVERIFY(fd >= 0);
    QElapsedTimer clock;
    clock.start();
    QCOMPARE(::write(fd, sent.data(), sent.size()), static_cast<ssize_t>(sent.size()));
    QTRY_COMPARE(emulator.bytesReceived(), sent.size());
    QVERIFY(emulator.waitForRequests(static_cast<std::size_t>(requests), 2000));

    QCOMPARE(drain(fd), answers);
    if (!answers.empty()) QVERIFY2(clock.elapsed() >= minMs, qPrintable(QString::number(clock.elapsed())));
    QCOMPARE(emulator.requests().size(), static_cast<std::size_t>(requests));
    QCOMPARE(emulator.framingErrors(), static_cast<std::size_t>(framingErrors));
    ::close(fd);
}

QTEST_GUILESS_MAIN(TestTxEmulator)
#include "test_tx_emulator.moc"
