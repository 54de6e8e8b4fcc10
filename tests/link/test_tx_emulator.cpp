// The emulator answers exactly the requests a transmitter answers, so the link
// and transfer tests can trust what comes back.
#include "tx_emulator.h"

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
    QTest::addColumn<Bytes>("sent");
    QTest::addColumn<int>("silentAfter"); // -1: answers everything
    QTest::addColumn<int>("corruptAddress");
    QTest::addColumn<Bytes>("answers");
    QTest::addColumn<int>("requests");
    QTest::addColumn<int>("framingErrors");

    const auto m = pattern();
    QTest::newRow("read") << request(0xD0, 5) << -1 << -1 << Bytes{m[5]} << 1 << 0;
    QTest::newRow("read address 0") << request(0xD0, 0) << -1 << -1 << Bytes{m[0]} << 1 << 0;
    QTest::newRow("preamble before read") << Bytes(25, 0) + request(0xD0, 127) << -1 << -1 << Bytes{m[127]} << 1 << 0;
    QTest::newRow("write of a zero") << request(0xD5, 7, 0) << -1 << -1 << Bytes{0} << 1 << 0;
    QTest::newRow("write then read back")
        << request(0xD5, 9, 0x42) + request(0xD0, 9) << -1 << -1 << Bytes{0x42, 0x42} << 2 << 0;
    QTest::newRow("firmware byte is not written") << request(0xD5, 126, 0x55) << -1 << -1 << Bytes{m[126]} << 1 << 0;
    QTest::newRow("command without three zeros") << Bytes{0, 0, 0xD0, 5} << -1 << -1 << Bytes{} << 0 << 2;
    QTest::newRow("address beyond memory") << request(0xD0, 128) << -1 << -1 << Bytes{} << 1 << 0;
    QTest::newRow("silent after one") << request(0xD0, 1) + request(0xD0, 2) << 1 << -1 << Bytes{m[1]} << 2 << 0;
    QTest::newRow("never answers") << request(0xD0, 1) << 0 << -1 << Bytes{} << 1 << 0;
    QTest::newRow("corrupt answer") << request(0xD0, 3) + request(0xD0, 4) << -1 << 4
                                    << Bytes{m[3], static_cast<std::uint8_t>(m[4] ^ 0x81)} << 2 << 0;
}

void TestTxEmulator::framing()
{
    QFETCH(Bytes, sent);
    QFETCH(int, silentAfter);
    QFETCH(int, corruptAddress);
    QFETCH(Bytes, answers);
    QFETCH(int, requests);
    QFETCH(int, framingErrors);

    TxEmulator emulator(pattern());
    if (silentAfter >= 0) emulator.setSilentAfter(static_cast<std::size_t>(silentAfter));
    if (corruptAddress >= 0) emulator.corruptAnswer(static_cast<std::uint8_t>(corruptAddress), 0x81);

    const int fd = ::open(emulator.slavePath().c_str(), O_RDWR | O_NOCTTY);
    QVERIFY(fd >= 0);
    QCOMPARE(::write(fd, sent.data(), sent.size()), static_cast<ssize_t>(sent.size()));
    QTRY_COMPARE(emulator.bytesReceived(), sent.size());
    QVERIFY(emulator.waitForRequests(static_cast<std::size_t>(requests), 2000));

    QCOMPARE(drain(fd), answers);
    QCOMPARE(emulator.requests().size(), static_cast<std::size_t>(requests));
    QCOMPARE(emulator.framingErrors(), static_cast<std::size_t>(framingErrors));
    ::close(fd);
}

QTEST_GUILESS_MAIN(TestTxEmulator)
#include "test_tx_emulator.moc"
