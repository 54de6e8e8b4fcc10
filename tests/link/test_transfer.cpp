// Read and programming transfers end to end: the real QSerialPort code on one
// side of a pseudo-terminal, an emulated transmitter on the other. Only
// "COM1" has a device; no test touches real hardware.
#include "serial_transfer_bench.h"

using morvi::ConfigImage;
using morvi::DerivedState;
using morvi::Editor;
using morvi::SendBoxes;
using morvi::link::PortResolver;
using morvi::link::QtSerialPort;
using morvi::link::SerialLink;
using morvi::link::Transfer;
using morvi::link::TransferHost;
using morvi::test::RecordingReporter;
using morvi::test::Report;
using morvi::tools::TxEmulator;
namespace colour = morvi::colour;
namespace option = morvi::option;

using namespace morvi::test::serial_bench;
using morvi::test::checksumOf;
using morvi::test::waitFor;

class TestTransfer : public QObject {
    Q_OBJECT
private slots:
    void plainRead_data();
    void plainRead();
    void programming();
    void firmwareRejectedBeforeWriting();
    void verifyDifferences_data();
    void verifyDifferences();
    void timeout_data();
    void timeout();
    void declined();
    void portCannotBeOpened_data();
    void portCannotBeOpened();
    void readAbandonsProgramming();
};

void TestTransfer::plainRead_data()
{
    QTest::addColumn<int>("checksumXor");
    QTest::addColumn<int>("firmwareMajor");
    QTest::addColumn<QString>("message");
    QTest::addColumn<bool>("imageTaken");
    QTest::addColumn<int>("copies");     // times every answer is sent
    QTest::addColumn<int>("waitstates"); // pause before each request, ms

    QTest::newRow("valid") << 0 << 2 << "Daten erfolgreich gelesen" << true << 1 << 0;
    QTest::newRow("wrong checksum byte") << 0x5A << 2 << "EEPROM checksum Fehler -  ist:" << true << 1 << 0;
    QTest::newRow("firmware rejected") << 0 << 3 << "Geräte-Firmware und Software passen nicht zusammen!" << false << 1
                                       << 0;
    // The input is cleared before every request, so a stray copy is never taken for the next answer.
    QTest::newRow("every answer twice") << 0 << 2 << "Daten erfolgreich gelesen" << true << 2 << 0;
    QTest::newRow("waitstates 4") << 0 << 2 << "Daten erfolgreich gelesen" << true << 1 << 4;
}

void TestTransfer::plainRead()
{
    QFETCH(int, checksumXor);
    QFETCH(int, firmwareMajor);
    QFETCH(QString, message);
    QFETCH(bool, imageTaken);
    QFETCH(int, copies);
    QFETCH(int, waitstates);

    auto memory = transmitterMemory();
    memory[122] ^= static_cast<std::uint8_t>(checksumXor);
    memory[126] = static_cast<std::uint8_t>(firmwareMajor);
    Bench b(memory);
    b.emulator.setAnswerCopies(copies);
    b.transfer.setWaitstates(&waitstates);
    fillEditor(b.editor);
    const ConfigImage before = b.editor.image;

    QElapsedTimer clock;
    clock.start();
    b.transfer.LeseButtonClick();
    QVERIFY(b.transfer.reading() && !b.transfer.writing());
    QVERIFY(waitFor([&] { return !b.transfer.busy(); }, doneTimeoutMs));
    // Every request waits its pause; the precise timer never cuts one short.
    QVERIFY2(clock.elapsed() >= 128 * waitstates, qPrintable(QString::number(clock.elapsed())));

    // One read request per address, in order, and nothing written.
    const auto requests = b.emulator.requests();
    QCOMPARE(requests.size(), std::size_t{128});
    for (std::size_t i = 0; i < requests.size(); ++i)
        QCOMPARE(requests[i], (TxEmulator::Request{0xD0, static_cast<std::uint8_t>(i), 0}));

    const std::vector<std::string> texts = b.texts();
    QVERIFY(std::find(texts.begin(), texts.end(), "gewählter COM-Port nicht verfügbar!") == texts.end());
    if (checksumXor == 0 && firmwareMajor == 2) {
        QVERIFY(b.reported({"Daten erfolgreich gelesen", colour::green, option::block}));
        QCOMPARE(b.reporter.beeps, 0);
    } else {
        QCOMPARE(b.reporter.beeps, 1);
    }
    if (checksumXor != 0) {
        const std::string expected = "EEPROM checksum Fehler -  ist:" + std::to_string(memory[122]) +
                                     "  soll:" + std::to_string(checksumOf(memory));
        QVERIFY2(b.reported({expected, colour::red, option::block}), qPrintable(qs(expected)));
    }
    QCOMPARE(lineCount(texts, message.toStdString()), 1);
    QCOMPARE(lineCount(texts, "Übertragungsfehler"), 0);

    // The dump: 128 lines [000]..[127] of what was read, whatever the checks say.
    const auto &mem1 = b.reporter.traces.mem1;
    QCOMPARE(lineCount(mem1, "["), 128);
    const auto first = std::find(mem1.begin(), mem1.end(), "[000] : " + morvi::fillString(3, '0', memory[0]));
    QVERIFY(first != mem1.end() && mem1.end() - first >= 128);
    QCOMPARE(qs(first[7]), QStringLiteral("[007] : 040"));
    QCOMPARE(qs(first[127]), QStringLiteral("[127] : 0%1").arg(memory[127]));

    if (imageTaken) {
        QVERIFY(b.editor.image.bytes() == memory);
        QCOMPARE(b.host.derived.size(), std::size_t{1});
    } else {
        QVERIFY(b.editor.image == before);
        QVERIFY(b.host.derived.empty());
    }
    QVERIFY(b.host.refreshes >= 1);
    QCOMPARE(b.host.focus, std::vector<TransferHost::Button>{TransferHost::Button::LeseButton});
    QCOMPARE(b.host.panProg, (std::vector<bool>{true, false}));
    QCOMPARE(b.host.gaugeGesamtShown, std::vector<bool>{false});
    QCOMPARE(b.host.gauge.front(), 0);
    QCOMPARE(b.host.gauge.back(), 100);
    QCOMPARE(b.host.actions.back(), std::string{});
}

void TestTransfer::programming()
{
    Bench b;
    // Stray copies after every answer, also after the last write: the input
    // clears before each request and after the gap must catch them all.
    b.emulator.setAnswerCopies(2);
    fillEditor(b.editor);
    const auto memoryBefore = b.emulator.memory();

    QElapsedTimer clock;
    clock.start();
    b.transfer.ProgButtonClick();
    QVERIFY(waitFor([&] { return !b.transfer.busy(); }, doneTimeoutMs));
    qInfo("full programming run over the pseudo-terminal: %lld ms", static_cast<long long>(clock.elapsed()));

    QCOMPARE(b.host.questions, std::vector<std::string>{"Gerätekonfiguration überschreiben?"});
    QVERIFY(b.reported({"Daten erfolgreich übertragen", colour::green, option::block}));
    QCOMPARE(b.reporter.beeps, 0);
    QCOMPARE(lineCount(b.texts(), "! FEHLER"), 0);

    // Read 0..127, write 0..125 with the copy, read 0..127 again.
    const auto requests = b.emulator.requests();
    QCOMPARE(requests.size(), std::size_t{128 + 126 + 128});
    for (std::size_t i = 0; i < 126; ++i)
        QCOMPARE(requests[128 + i],
                 (TxEmulator::Request{0xD5, static_cast<std::uint8_t>(i), b.transfer.sendcopy()[i]}));
    QCOMPARE(requests.back(), (TxEmulator::Request{0xD0, 127, 0}));

    const auto memory = b.emulator.memory();
    QCOMPARE(std::vector<std::uint8_t>(memory.begin(), memory.begin() + 126), b.sendcopy());
    QCOMPARE(memory[126], memoryBefore[126]);
    QCOMPARE(b.programmed(), b.sendcopy());
    QCOMPARE(b.editor.image[126], memory[126]);
    QCOMPARE(b.editor.image[122], checksumOf(b.editor.image.bytes()));
    QCOMPARE(lineCount(b.reporter.traces.tm, "add["), 126);

    QCOMPARE(b.host.focus, std::vector<TransferHost::Button>{TransferHost::Button::ProgButton});
    QCOMPARE(b.host.gaugeGesamtShown, std::vector<bool>{true});
    // Overall progress runs through the three phases without going back.
    QCOMPARE(b.host.gaugeGesamt.size(), std::size_t{1 + 128 + 126 + 128});
    QVERIFY(std::is_sorted(b.host.gaugeGesamt.begin(), b.host.gaugeGesamt.end()));
    QCOMPARE(b.host.gaugeGesamt[128], 33); // read 127
    QCOMPARE(b.host.gaugeGesamt[129], 33); // write 0
    QCOMPARE(b.host.gaugeGesamt[254], 66); // write 125
    QCOMPARE(b.host.gaugeGesamt[255], 67); // verify 0
    QCOMPARE(b.host.gaugeGesamt.back(), 100);
    QCOMPARE(b.host.gauge[1 + 128 + 125], 100); // the write phase counts to 125
}

void TestTransfer::firmwareRejectedBeforeWriting()
{
    auto memory = transmitterMemory();
    memory[126] = 3;
    memory[127] = 0;
    Bench b(memory);
    fillEditor(b.editor);

    b.transfer.ProgButtonClick();
    QVERIFY(waitFor([&] { return !b.transfer.busy(); }, doneTimeoutMs));

    QCOMPARE(b.count(0xD5), std::size_t{0});
    QCOMPARE(b.count(0xD0), std::size_t{128});
    QVERIFY(b.emulator.memory() == memory);
    QVERIFY(b.reported({"Geräte-Firmware und Software passen nicht zusammen!", colour::red, option::block}));
    QCOMPARE(b.reporter.beeps, 1);
    QCOMPARE(b.programmed(), b.sendcopy());
    QCOMPARE(b.editor.image[126], std::uint8_t{3});
    QCOMPARE(b.host.focus, std::vector<TransferHost::Button>{TransferHost::Button::LeseButton});
    QCOMPARE(b.host.panProg.back(), false);
}

void TestTransfer::verifyDifferences_data()
{
    QTest::addColumn<QList<int>>("corrupted");
    QTest::addColumn<QList<int>>("reported");

    // A full run takes seconds on a pseudo-terminal, hence two rows only.
    QTest::newRow("only bytes the transmitter keeps") << QList<int>{114, 117, 119, 121, 126, 127} << QList<int>{};
    QTest::newRow("normal bytes among kept ones, each reported")
        << QList<int>{5, 114, 117, 60, 121, 125, 126, 127} << QList<int>{5, 60, 125};
}

void TestTransfer::verifyDifferences()
{
    QFETCH(QList<int>, corrupted);
    QFETCH(QList<int>, reported);
    constexpr std::uint8_t mask = 0x10;

    Bench b;
    fillEditor(b.editor);
    // Spoil the read-back only: the writes have all been echoed correctly by
    // the time the first verify answer arrives.
    bool spoiled = false;
    b.host.onAction = [&](const std::string &action) {
        if (action != "verify" || spoiled) return;
        spoiled = true;
        for (int address : corrupted)
            b.emulator.corruptAnswer(static_cast<std::uint8_t>(address), mask);
    };

    b.transfer.ProgButtonClick();
    QVERIFY(waitFor([&] { return !b.transfer.busy(); }, doneTimeoutMs));
    QVERIFY(spoiled);
    QCOMPARE(b.count(0xD5), std::size_t{126});

    const auto texts = b.texts();
    QCOMPARE(lineCount(texts, "! FEHLER Verify !  ["), static_cast<int>(reported.size()));
    for (int address : reported) {
        const int written = b.transfer.sendcopy()[static_cast<std::size_t>(address)];
        const std::string line = "! FEHLER Verify !  [" + std::to_string(address) + ": " +
                                 std::to_string(written ^ mask) + "<>" + std::to_string(written) + "]";
        QVERIFY2(b.reported({line, colour::red, option::block}), qPrintable(qs(line)));
    }
    QCOMPARE(lineCount(texts, "Daten erfolgreich übertragen"), reported.isEmpty() ? 1 : 0);
    QCOMPARE(b.reporter.beeps, reported.isEmpty() ? 0 : 1);
    // Either way the programmed part is what was sent; 126/127 are what was read.
    QCOMPARE(b.programmed(), b.sendcopy());
    QCOMPARE(int{b.editor.image[127]}, 20 ^ (corrupted.contains(127) ? mask : 0));
    QCOMPARE(b.host.focus, std::vector<TransferHost::Button>{TransferHost::Button::ProgButton});
}

void TestTransfer::timeout_data()
{
    QTest::addColumn<bool>("programming");
    QTest::addColumn<int>("silentAfter"); // -1: always answers
    QTest::addColumn<int>("wrongEcho");   // -1: none
    QTest::addColumn<int>("byte");
    QTest::addColumn<int>("command"); // of the last request

    QTest::newRow("read, never answers") << false << 0 << -1 << 0 << 0xD0;
    QTest::newRow("read, stops after address 56") << false << 57 << -1 << 57 << 0xD0;
    QTest::newRow("programming, never answers") << true << 0 << -1 << 0 << 0xD0;
    QTest::newRow("programming, stops in the write phase") << true << 128 + 10 << -1 << 10 << 0xD5;
    QTest::newRow("programming, stops in the verify phase") << true << 128 + 126 + 20 << -1 << 20 << 0xD0;
    QTest::newRow("programming, wrong write echo") << true << -1 << 40 << 40 << 0xD5;
}

void TestTransfer::timeout()
{
    QFETCH(bool, programming);
    QFETCH(int, silentAfter);
    QFETCH(int, wrongEcho);
    QFETCH(int, byte);
    QFETCH(int, command);

    Bench b;
    fillEditor(b.editor);
    const ConfigImage before = b.editor.image;
    if (silentAfter >= 0) b.emulator.setSilentAfter(static_cast<std::size_t>(silentAfter));
    if (wrongEcho >= 0) b.emulator.corruptAnswer(static_cast<std::uint8_t>(wrongEcho), 0x01);

    QElapsedTimer clock;
    clock.start();
    if (programming)
        b.transfer.ProgButtonClick();
    else
        b.transfer.LeseButtonClick();
    QVERIFY(waitFor([&] { return !b.transfer.busy(); }, doneTimeoutMs));
    const qint64 elapsed = clock.elapsed();
    // The precise time-out promises not to fire early, nothing about how late a loaded machine runs it.
    QVERIFY2(elapsed >= Transfer::responseTimeoutMs, qPrintable(QString::number(elapsed)));

    // The unanswered (or wrongly echoed) request was the last one sent.
    const auto requests = b.emulator.requests();
    QVERIFY(!requests.empty());
    QCOMPARE(int{requests.back().address}, byte);
    QCOMPARE(int{requests.back().command}, command);

    std::vector<Report> expected{
        {"Übertragungsfehler bei Byte " + std::to_string(byte), colour::red, option::timeStamp}};
    if (byte == 0) expected.push_back({"    ! Verbindung prüfen !", colour::red, option::blankAfter});
    // The time-out lines close the report; nothing follows them.
    const std::vector<Report> &got = b.reporter.reports;
    QVERIFY(got.size() >= expected.size());
    const std::vector<Report> tail(got.end() - static_cast<std::ptrdiff_t>(expected.size()), got.end());
    QCOMPARE(tail, expected);
    QCOMPARE(lineCount(b.texts(), "Daten erfolgreich"), 0);
    QCOMPARE(lineCount(b.texts(), "Übertragungsfehler"), 1);
    QCOMPARE(b.reporter.beeps, 1);

    if (programming)
        QCOMPARE(b.programmed(), b.sendcopy());
    else
        QVERIFY(b.editor.image == before);
    QCOMPARE(b.host.focus.back(), TransferHost::Button::ProgButton);
    QCOMPARE(b.host.panProg.back(), false);
    QVERIFY(!b.transfer.RStimeout().isActive());
}

void TestTransfer::declined()
{
    Bench b;
    b.host.answer = false;
    b.editor.image[122] = 0;
    const std::uint8_t checksum = checksumOf(b.editor.image.bytes());
    QVERIFY(checksum != 0);

    b.transfer.ProgButtonClick();

    QCOMPARE(b.host.questions, std::vector<std::string>{"Gerätekonfiguration überschreiben?"});
    const std::vector<Report> expected{
        {"\"Gerät programmieren\" vom Anwender abgebrochen!", colour::red, option::block}};
    QCOMPARE(b.reporter.reports, expected);
    QCOMPARE(b.editor.image[122], checksum);
    QCOMPARE(b.sendcopy(), b.programmed());
    QVERIFY(!b.transfer.busy());
    QVERIFY(b.host.panProg.empty());
    QVERIFY(!b.link.port().isOpen());
    QTest::qWait(100);
    QCOMPARE(b.emulator.bytesReceived(), std::size_t{0});
}

void TestTransfer::portCannotBeOpened_data()
{
    QTest::addColumn<bool>("programming");
    QTest::addColumn<QString>("port");
    QTest::addColumn<bool>("probedMissing");

    QTest::newRow("read, COM3 missing") << false << "COM3" << true;
    QTest::newRow("programming, COM3 missing") << true << "COM3" << true;
    QTest::newRow("read, not a port name") << false << "COM7" << false;
}

void TestTransfer::portCannotBeOpened()
{
    QFETCH(bool, programming);
    QFETCH(QString, port);
    QFETCH(bool, probedMissing);

    Bench b;
    QVERIFY(b.link.port().setName(port));
    if (programming)
        b.transfer.ProgButtonClick();
    else
        b.transfer.LeseButtonClick();

    std::vector<Report> expected;
    if (probedMissing) expected.push_back({"gewählter COM-Port nicht verfügbar!", colour::red, 0});
    expected.push_back({"Fehler beim Öffnen COM-Port " + port.toStdString(), colour::red, option::block});
    QCOMPARE(b.reporter.reports, expected);
    QCOMPARE(b.reporter.beeps, 1);
    QVERIFY(!b.transfer.busy());
    QVERIFY(b.host.panProg.empty());
    QVERIFY(!b.transfer.RStimeout().isActive());
    QTest::qWait(100);
    QCOMPARE(b.emulator.bytesReceived(), std::size_t{0});
}

void TestTransfer::readAbandonsProgramming()
{
    Bench b;
    fillEditor(b.editor);
    // Hold the run in its write phase with no answer on the way, then read.
    b.emulator.setSilentAfter(128 + 5);
    b.transfer.ProgButtonClick();
    QVERIFY(waitFor([&] { return b.emulator.requests().size() == std::size_t{128 + 6}; }, doneTimeoutMs));
    QVERIFY(b.transfer.writing() && !b.transfer.reading());
    b.emulator.setSilentAfter(std::nullopt);

    b.transfer.LeseButtonClick();
    QVERIFY(b.transfer.reading() && !b.transfer.writing());
    QVERIFY(waitFor([&] { return !b.transfer.busy(); }, doneTimeoutMs));

    const auto requests = b.emulator.requests();
    QCOMPARE(requests.size(), std::size_t{128 + 6 + 128});
    for (std::size_t i = 0; i < 128; ++i)
        QCOMPARE(requests[128 + 6 + i], (TxEmulator::Request{0xD0, static_cast<std::uint8_t>(i), 0}));
    QVERIFY(b.editor.image.bytes() == b.emulator.memory());
    QCOMPARE(lineCount(b.texts(), "Übertragungsfehler"), 0);
    QCOMPARE(lineCount(b.texts(), "Daten erfolgreich übertragen"), 0);
    QCOMPARE(b.host.gaugeGesamtShown.back(), false);
    QCOMPARE(b.host.focus.back(), TransferHost::Button::LeseButton);
}

QTEST_GUILESS_MAIN(TestTransfer)
#include "test_transfer.moc"
