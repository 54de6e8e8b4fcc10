// One table of faults, run over both links: the serial link through the real
// port code against the emulated transmitter on a pseudo-terminal, and the
// USB adapter, in its standard and its fast exchange, through the real loading
// code against the fake adapter library with a transmitter behind it (a second
// run of the table takes libftdi1 for the adapter). Each row checks the lines of the info window
// with their colours, what the editor holds afterwards, the transmitter's
// memory, and that the next read comes through byte for byte.
#include "fault_table_rig.h"

using namespace morvi;
using namespace morvi::link;
using morvi::test::Memory;
using morvi::test::RecordingHost;
using morvi::test::RecordingReporter;
using morvi::test::Report;
using morvi::test::waitFor;
using morvi::tools::TxEmulator;
using namespace morvi::test::fault_rig;

class TestFaultTable : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { QVERIFY2(fake.load(), qPrintable(fake.library.errorString())); }
    void faults_data();
    void faults();
};

void TestFaultTable::faults_data()
{
    QTest::addColumn<Via>("via");
    QTest::addColumn<Run>("run");
    QTest::addColumn<Fault>("fault");
    QTest::addColumn<int>("at");    // address the fault strikes at, or answers before silence
    QTest::addColumn<int>("delay"); // answer delay in ms; for a slow backup, its time
    QTest::addColumn<QStringList>("expected");
    QTest::addColumn<int>("beeps");
    QTest::addColumn<Held>("held");
    QTest::addColumn<int>("written");    // leading bytes of the configuration in the transmitter afterwards
    QTest::addColumn<QString>("logged"); // the results of the programming log's lines

    const Run read = Run::plainRead;
    const Run program = Run::programming;
    // The serial link once, with the vendor library's run of the table.
    std::vector<Via> vias{Via::usb, Via::usbFast};
    if (test::backend() == test::Backend::vendor) vias.insert(vias.begin(), Via::serial);
    for (const Via via : vias) {
        const bool serial = via == Via::serial;
        const auto row = [&](const QString &name) {
            const char *column = serial ? "serial: " : via == Via::usb ? "usb: " : "usb fast: ";
            return &(QTest::newRow(qPrintable(column + name)) << via);
        };
        const QString timeout10 = QStringLiteral("Zeitüberschreitung bei Byte 10");
        *row("no answer at all") << read << Fault::silent << 0 << 0 << timeout(0) << 1 << Held::before << 0 << "";
        *row("answers stop at byte 57") << read << Fault::silent << 57 << 0 << timeout(57) << 1 << Held::before << 0
                                        << "";
        *row("answers stop at write 10") << program << Fault::silent << 128 + 10 << 0 << timeout(10) << 1 << Held::user
                                         << 10 << timeout10;
        *row("device vanishes mid-read") << read << Fault::vanish << 47 << 0
                                         << (serial ? timeout(48) : adapterGone + timeout(48)) << 1 << Held::before << 0
                                         << "";
        *row("device vanishes mid-programming")
            << program << Fault::vanish << 47 << 0 << (serial ? timeout(48) : adapterGone + timeout(48)) << 1
            << Held::user << 48 << "Zeitüberschreitung bei Byte 48";
        // Only the serial link looks at the echo; over the adapter the verify finds the memory right.
        *row("wrong write echo") << program << Fault::wrongEcho << 40 << 0 << (serial ? timeout(40) : programOk)
                                 << (serial ? 1 : 0) << Held::user << (serial ? 40 : 126)
                                 << (serial ? "Zeitüberschreitung bei Byte 40" : "erfolgreich");
        *row("a cell reads back differently")
            << program << Fault::fadingCell << 10 << 0
            << QStringList{line("! FEHLER Verify !  [10: 99<>", colour::red, option::block)} << 1 << Held::user << 126
            << "Verify-Fehler bei Adresse 10";
        *row("wrong checksum") << read << Fault::none << 0 << 0
                               << QStringList{line("EEPROM checksum Fehler -  ist:", colour::red, option::block)} << 1
                               << Held::transmitter << 0 << "";
        *row("incompatible firmware") << program << Fault::none << 0 << 0
                                      << QStringList{line("Geräte-Firmware und Software passen nicht zusammen!",
                                                          colour::red, option::block)}
                                      << 1 << Held::user << 0 << "Firmware nicht kompatibel";
        *row("slow answers") << read << Fault::slow << 0 << (serial ? 15 : 40) << readOk << 0 << Held::transmitter << 0
                             << "";
        for (const int delay : {0, 20, 40}) {
            const QString slow = QStringLiteral(", answers after %1 ms").arg(delay);
            *row("second Auslesen during a run" + slow) << program << Fault::secondRead << 20 << delay << readOk << 0
                                                        << Held::transmitter << 0 << "abgebrochen";
            *row("second Programmieren during a run" + slow)
                << program << Fault::secondProgram << 20 << delay << programOk << 0 << Held::user << 126
                << "abgebrochen|erfolgreich";
        }
        *row("menu opened during a run") << program << Fault::menu << 20 << 0 << programOk << 0 << Held::user << 126
                                         << "erfolgreich";
        *row("Speichern during a run") << program << Fault::save << 20 << 0
                                       << QStringList{line("Datei: \"<path>\"", colour::green, option::timeStamp),
                                                      line("erfolgreich gespeichert", colour::green,
                                                           option::blankAfter)} +
                                              programOk
                                       << 0 << Held::user << 126 << "erfolgreich";
        // Longer than the delayed close and than the response time-out: the run waits for it.
        for (const int ms : {50, 90, 150, 400, 900})
            *row(QStringLiteral("backup takes %1 ms").arg(ms))
                << program << Fault::slowBackup << 0 << ms << programOk << 0 << Held::user << 126 << "erfolgreich";
        *row("window closed during a run")
            << program << Fault::close << 20 << 0 << QStringList{} << 0 << Held::nothing << 20 << "abgebrochen";
        *row("backup folder cannot be written")
            << program << Fault::noBackup << 0 << 0
            << QStringList{line("Sicherung des Sendespeichers in \"/proc/morvi-no-backups\" nicht möglich: "
                                "Programmierung abgebrochen, nichts geschrieben",
                                colour::red, option::block),
                           line("Programmierprotokoll in \"/proc/morvi-no-backups\" kann nicht geschrieben werden",
                                colour::red, option::blankAfter)}
            << 1 << Held::user << 0 << "";
        if (serial) continue;
        *row("last write acknowledged") << program << Fault::ack << 0 << 0 << programOk << 0 << Held::user << 126
                                        << "erfolgreich";
        *row("last write acknowledged after the block's answers")
            << program << Fault::lateAck << 0 << 0 << programOk << 0 << Held::user << 126 << "erfolgreich";
        // Without it every read-back is taken one address too early.
        *row("last write not acknowledged") << program << Fault::noAck << 0 << 0 << QStringList{shiftedVerify} << 1
                                            << Held::user << 126 << shiftedVerify;
    }
}

void TestFaultTable::faults()
{
    QFETCH(Via, via);
    QFETCH(Run, run);
    QFETCH(Fault, fault);
    QFETCH(int, at);
    QFETCH(int, delay);
    QFETCH(QStringList, expected);
    QFETCH(int, beeps);
    QFETCH(Held, held);
    QFETCH(int, written);
    QFETCH(QString, logged);

    Memory memory = test::transmitterMemory();
    const QString row = QString::fromLatin1(QTest::currentDataTag());
    if (row.endsWith("wrong checksum")) memory[122] ^= 0x5A;
    if (row.endsWith("incompatible firmware")) memory[126] = 3;
    Rig rig(via, memory, fault == Fault::noBackup ? QStringLiteral("/proc/morvi-no-backups") : QString());
    fillEditor(rig.editor);
    const ConfigImage before = rig.editor.image;
    QTemporaryDir dir;
    const QString savePath = dir.filePath(QStringLiteral("during-run.txc"));
    rig.dialogs.answers = {savePath};

    if (fault == Fault::silent) rig.silentFrom(at);
    if (fault == Fault::wrongEcho) rig.wrongEcho(at);
    if (fault == Fault::fadingCell) rig.fade(at);
    if (fault == Fault::slow) rig.delay(delay);
    if (fault == Fault::slowBackup) {
        rig.recorder->backupDelayMs = delay;
        // The adapter's block delay at its design value only where it counts, from
        // the backup to the first write block, whose answers come 80 ms late.
        if (via == Via::usb) {
            rig.delay(80);
            rig.recorder->onBackup = [&] { rig.exchange->USBtimer().setInterval(UsbExchange::blockDelayMs); };
        }
    }
    if (fault == Fault::ack || fault == Fault::noAck || fault == Fault::lateAck) rig.acknowledge(fault);

    // The fault strikes when the answer for address at is taken, in the
    // read phase of a plain read or when a second read interrupts, otherwise
    // in the write phase. Program-side actions wait for the next turn of the
    // event loop, as a click or a timer would.
    const std::string word = run == Run::plainRead || fault == Fault::secondRead ? "read" : "write";
    bool struck = fault == Fault::none || fault == Fault::silent || fault == Fault::wrongEcho ||
                  fault == Fault::fadingCell || fault == Fault::slow || fault == Fault::noBackup ||
                  fault == Fault::slowBackup ||
                  fault == Fault::ack || fault == Fault::noAck || fault == Fault::lateAck;
    bool restarted = false;
    bool busyAtQuestion = false;
    std::vector<std::uint8_t> user;
    std::vector<std::uint8_t> secondSendcopy;
    const auto later = [this](std::function<void()> action) { QTimer::singleShot(0, this, std::move(action)); };
    rig.host.onAction = [&](const std::string &action) {
        const int address = rig.transfer->bytepos();
        if (fault == Fault::slowBackup && action == "write") rig.exchange->USBtimer().setInterval(4);
        if (struck && !restarted && action == "read" && address == 0 &&
            (fault == Fault::secondRead || fault == Fault::secondProgram)) {
            // The new run's first answer is in; the rest may come quickly.
            restarted = true;
            rig.delay(0);
        }
        if (struck || action != word || address != at) return;
        struck = true;
        switch (fault) {
        case Fault::vanish: rig.vanish(); break;
        case Fault::secondRead:
            rig.delay(delay);
            later([&] { rig.transfer->LeseButtonClick(); });
            break;
        case Fault::secondProgram:
            rig.delay(delay);
            later([&] { rig.transfer->ProgButtonClick(); });
            break;
        case Fault::menu: later([&] { rig.serial->MKommunikationClick(); }); break;
        case Fault::save: later([&] { rig.fileActions->Speichern1Click(); }); break;
        case Fault::close: later([&] { rig.closeWindow(); }); break;
        default: break;
        }
    };
    rig.host.onConfirm = [&] {
        busyAtQuestion = rig.transfer->busy();
        secondSendcopy.assign(rig.transfer->sendcopy().begin(), rig.transfer->sendcopy().end());
    };

    if (run == Run::programming)
        rig.transfer->ProgButtonClick();
    else
        rig.transfer->LeseButtonClick();
    user.assign(rig.transfer->sendcopy().begin(), rig.transfer->sendcopy().end());
    QVERIFY(rig.transfer->busy());
    QVERIFY(waitFor([&] { return !rig.transfer || (struck && rig.idle()); }, runTimeoutMs));

    // The info window, with the numbers only known now.
    for (QString &l : expected) {
        l.replace("<path>", savePath);
        if (l.startsWith("! FEHLER")) l.replace("<>", QStringLiteral("<>%1]").arg(user[10]));
        if (l.startsWith("EEPROM"))
            l.replace("ist:", QStringLiteral("ist:%1  soll:%2").arg(memory[122]).arg(test::checksumOf(memory)));
    }
    if (logged == shiftedVerify) {
        const Memory after = rig.memory();
        QStringList addresses;
        expected.clear();
        for (int i = 0; i < programmedBytes; ++i) {
            const auto stored = after[static_cast<std::size_t>(i) + 1];
            const auto sent = user[static_cast<std::size_t>(i)];
            if (i == 114 || (i >= 117 && i <= 121) || stored == sent) continue;
            expected << line("! FEHLER Verify !  [" + std::to_string(i) + ": " + std::to_string(stored) + "<>" +
                                 std::to_string(sent) + "]",
                             colour::red, option::block);
            addresses << QString::number(i);
        }
        QVERIFY(!addresses.isEmpty());
        logged = "Verify-Fehler bei Adresse " + addresses.join(", ");
    }
    QStringList shown = lines(rig.reporter.reports);
    const qsizetype backupLines =
        shown.removeIf([](const QString &l) { return l.startsWith("Bisheriger Sendespeicher gesichert: "); });
    // After a run that wrote and failed, one black line names the backup to load.
    const qsizetype backupNamed = shown.removeIf([&](const QString &l) {
        return l.startsWith("Sicherung des bisherigen Sendespeichers: " + rig.recordFolder + "/") &&
               l.endsWith(" (mit \"Datei → Laden\" laden und erneut programmieren) | #000000 | 0");
    });
    QCOMPARE(shown, expected);
    if (fault != Fault::noBackup) QCOMPARE(int(backupNamed), rig.recorder->failedAfterWriting);
    QCOMPARE(rig.reporter.beeps, beeps);

    // The record: backups taken before anything was written, the first equal
    // to the transmitter's memory before the run, and one log line per run.
    if (fault != Fault::noBackup) QCOMPARE(int(backupLines), rig.recorder->backups);
    if (fault != Fault::noBackup && rig.recorder->backups > 0) {
        QVERIFY(rig.recorder->firstBackupBeforeAnyWrite);
        const QStringList backups = QDir(rig.recordFolder).entryList({"*.txc"}, QDir::Files, QDir::Name);
        QCOMPARE(backups.size(), rig.recorder->backups);
        const auto backup = files::readLinesFile(rig.recordFolder + '/' + backups.first());
        QVERIFY(backup);
        // The serial emulator's wrong echo also answers the read of that address wrongly.
        if (!(fault == Fault::wrongEcho && via == Via::serial))
            QVERIFY(files::imageFromLines(*backup)->bytes() == memory);
    }
    QStringList results;
    const auto log = files::readLinesFile(rig.recordFolder + '/' + files::programmingLogName);
    const QString linkName = via == Via::serial ? "COM1" : via == Via::usb ? "USB" : "USB schnell";
    for (const QString &entry : log.value_or(QStringList{}))
        if (!entry.isEmpty()) {
            results << entry.section('\t', 4);
            QCOMPARE(entry.section('\t', 1, 1), linkName);
        }
    QCOMPARE(results.join('|'), logged);

    // The editor.
    const auto &image = rig.editor.image.bytes();
    const std::vector<std::uint8_t> programmed(image.begin(), image.begin() + programmedBytes);
    if (held == Held::before) QVERIFY(rig.editor.image == before);
    if (held == Held::user) QCOMPARE(programmed, user);
    if (held == Held::transmitter) QVERIFY(image == rig.memory());
    if (fault == Fault::secondProgram) {
        QVERIFY(!busyAtQuestion);
        QCOMPARE(secondSendcopy, user);
    }
    if (fault == Fault::save) {
        const auto saved = files::readLinesFile(savePath);
        QVERIFY(saved && saved->size() > programmedBytes);
        for (int i = 0; i < programmedBytes; ++i)
            QCOMPARE(saved->at(i).toInt(), int{user[static_cast<std::size_t>(i)]});
    }

    // The transmitter: untouched, programmed, or programmed up to where the run stopped.
    const Memory after = rig.memory();
    if (written == 0) QVERIFY(after == memory);
    for (int i = 0; i < written; ++i) {
        const std::uint8_t want =
            fault == Fault::fadingCell && i == at ? fadedValue : user[static_cast<std::size_t>(i)];
        QCOMPARE(after[static_cast<std::size_t>(i)], want);
    }
    QCOMPARE(after[126], memory[126]);
    QCOMPARE(after[127], memory[127]);

    // A closed adapter is never called again.
    const QStringList calls = fake.calls();
    const qsizetype closed = calls.lastIndexOf(QRegularExpression(QStringLiteral("FT_Close .*")));
    for (qsizetype i = closed + 1; closed >= 0 && i < calls.size(); ++i)
        QVERIFY2(!calls[i].contains(QStringLiteral(" #")), qPrintable(calls[i]));

    // The next read: the device back, a fresh start after closing, and every byte in its place.
    if (!rig.transfer) {
        QTest::qWait(50);
        rig.start();
    }
    rig.replug();
    rig.clearFaults();
    rig.reporter.clear();
    rig.transfer->LeseButtonClick();
    QVERIFY(waitFor([&] { return rig.idle(); }, runTimeoutMs));
    for (const Report &r : rig.reporter.reports)
        QVERIFY2(!r.text.starts_with("Übertragungsfehler"), r.text.c_str());
    QVERIFY(rig.transfer->rxbuffer() == rig.memory());
}

QTEST_GUILESS_MAIN(TestFaultTable)
#include "test_fault_table.moc"
