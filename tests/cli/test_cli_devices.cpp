// morvi-cli against an emulated transmitter: on a serial port through the
// port mapping file, and behind the fake USB adapter through the real loading
// code. Read, program, verify and diff end to end with their exit statuses,
// the backup before programming and the log line of each outcome.
#include "cli.h"
#include "config_file.h"
#include "fake_adapter.h"
#include "line_text.h"
#include "link_test_support.h"
#include "programming_record.h"
#include "tx_emulator.h"

#include <QDir>
#include <QTemporaryDir>
#include <QtTest>
#include <memory>

using namespace morvi;
using morvi::test::Memory;

namespace {
const QString fakePath = QStringLiteral(MORVI_FAKE_FTD2XX_PATH);
test::FakeAdapter fake{fakePath};
} // namespace

class CliDevicesTest : public QObject {
    Q_OBJECT
    QTemporaryDir dir;
    QString startDir;
    std::unique_ptr<tools::TxEmulator> emulator;

    // The transmitter with memory, behind the port or the adapter; the arguments that reach it.
    QStringList attach(bool adapter, const Memory &memory)
    {
        fake.reset();
        emulator.reset();
        if (adapter) {
            fake.add("QZK00042");
            fake.attach(memory.data());
            fake.fault("lag", 0, 0xEE); // reads after writes answer one request late
            return {"--adapter", "--library", fakePath};
        }
        emulator = std::make_unique<tools::TxEmulator>(memory);
        QFile map(dir.filePath("morvi-ports.ini"));
        if (!map.open(QIODevice::WriteOnly)) qFatal("no mapping file");
        map.write("COM2=" + QByteArray::fromStdString(emulator->slavePath()) + "\n");
        return {"--port", "COM2"};
    }
    Memory transmitter(bool adapter) const { return adapter ? fake.transmitter() : emulator->memory(); }

    static int run(const QStringList &arguments, QString *output = nullptr)
    {
        QString out, err;
        QTextStream outStream(&out), errStream(&err);
        const int status = cli::run(arguments, outStream, errStream);
        outStream.flush();
        if (output) *output = out;
        return status;
    }
    static QStringList logResults(const QString &folder)
    {
        QStringList results;
        for (const QString &l : files::readLinesFile(folder + "/" + files::programmingLogName).value_or(QStringList{}))
            if (!l.isEmpty()) results << l.section('\t', 4);
        return results;
    }

private slots:
    void initTestCase()
    {
        QVERIFY(fake.load());
        startDir = QDir::currentPath();
        QDir::setCurrent(dir.path());
        qputenv("XDG_DATA_HOME", dir.filePath("data").toUtf8());
    }
    void cleanupTestCase() { QDir::setCurrent(startDir); }

    void endToEnd_data()
    {
        QTest::addColumn<bool>("adapter");
        QTest::addColumn<QString>("linkName");
        QTest::newRow("serial port through the mapping file") << false << "COM2";
        QTest::newRow("USB adapter") << true << "USB";
        QTest::newRow("USB adapter, fast exchange") << true << "USB schnell";
    }
    void endToEnd()
    {
        QFETCH(bool, adapter);
        QFETCH(QString, linkName);
        // A memory the completion before saving leaves as it is (at most as many sendings as it allows).
        Memory before = test::transmitterMemory();
        before[111] = static_cast<std::uint8_t>(before[102] + 2);
        before[122] = test::checksumOf(before);
        const QStringList via =
            attach(adapter, before) + (linkName == "USB schnell" ? QStringList{"--schnell"} : QStringList{});
        const QString folder = files::backupFolder();
        QDir(folder).removeRecursively();

        // Read, change one field, program, verify, diff.
        QCOMPARE(run(QStringList{"read", "-o", "read.txc"} + via), int(cli::success));
        auto lines = files::readLinesFile("read.txc");
        QVERIFY(lines && files::imageFromLines(*lines)->bytes() == before);
        (*lines)[95] = "24";
        QVERIFY(files::writeLinesFile("changed.txc", *lines));
        QString differences;
        QCOMPARE(run(QStringList{"verify", "changed.txc"} + via, &differences), int(cli::verifyFailed));
        QVERIFY2(differences.contains("Codierlänge: 24 Bit -> "), qPrintable(differences));
        QCOMPARE(run(QStringList{"program", "changed.txc", "--yes"} + via), int(cli::success));
        QCOMPARE(int(transmitter(adapter)[95]), 24);
        QCOMPARE(run(QStringList{"verify", "changed.txc"} + via), int(cli::success));
        const QString device = adapter ? QStringLiteral("adapter") : QStringLiteral("port:COM2");
        QCOMPARE(run(QStringList{"diff", "read.txc", device} + via, &differences), int(cli::differencesFound));
        // As the window shows them: 24 bits also cap the addresses shown.
        QVERIFY2(differences.contains(QStringLiteral("\nCodierlänge: %1 Bit -> 24 Bit\n").arg(before[95])),
                 qPrintable(differences));

        // The backup holds the memory before the run; the log its result.
        const QStringList backups = QDir(folder).entryList({"*.txc"}, QDir::Files);
        QCOMPARE(backups.size(), 1);
        QVERIFY(backups.first().endsWith("_" + QString(linkName).replace(' ', '-') + ".txc"));
        QVERIFY(files::imageFromLines(*files::readLinesFile(folder + "/" + backups.first()))->bytes() == before);
        QCOMPARE(logResults(folder), QStringList{"erfolgreich"});
        QCOMPARE(files::readLinesFile(folder + "/" + files::programmingLogName)->first().section('\t', 1, 1), linkName);
    }

    void failuresHaveTheirStatus_data()
    {
        QTest::addColumn<bool>("adapter");
        QTest::addColumn<QString>("fault");
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("logged");
        for (const bool adapter : {false, true}) {
            const char *link = adapter ? "usb: " : "serial: ";
            QTest::addRow("%sno answer", link)
                << adapter << "silent" << int(cli::linkError) << "Zeitüberschreitung bei Byte 0";
            QTest::addRow("%sfirmware refused", link)
                << adapter << "firmware" << int(cli::firmwareRefused) << "Firmware nicht kompatibel";
            QTest::addRow("%sbackup folder not writable", link) << adapter << "backup" << int(cli::fileError) << "";
        }
    }
    void failuresHaveTheirStatus()
    {
        QFETCH(bool, adapter);
        QFETCH(QString, fault);
        QFETCH(int, status);
        QFETCH(QString, logged);
        Memory before = test::transmitterMemory();
        if (fault == "firmware") before[126] = 3;
        QVERIFY(files::writeLinesFile("program.txc", files::fileLines(ConfigImage{}, {"COM1", "2.20"})));
        const QStringList via = attach(adapter, before);
        if (fault == "silent") {
            if (adapter)
                fake.fault("silent", 0, 0);
            else
                emulator->setSilentAfter(0);
        }
        const QString folder = files::backupFolder();
        QDir(folder).removeRecursively();
        if (fault == "backup") qputenv("XDG_DATA_HOME", "/proc/morvi-no-data");
        const int got = run(QStringList{"program", "program.txc", "--yes"} + via);
        qputenv("XDG_DATA_HOME", dir.filePath("data").toUtf8());
        QCOMPARE(got, status);
        QVERIFY(transmitter(adapter) == before);
        QCOMPARE(logResults(folder).join('|'), logged);
    }
};

QTEST_GUILESS_MAIN(CliDevicesTest)
#include "test_cli_devices.moc"
