// morvi-cli against an emulated transmitter: on a serial port through the
// port mapping file, and behind the fake USB adapter through the real loading
// code. Read, program, verify and diff end to end with their exit statuses,
// the backup before programming and the log line of each outcome; a run cut
// off by a signal, in this process and in a separate one; the built program
// itself for the statuses that depend on its terminal and output.
#include "cli.h"
#include "config_file.h"
#include "fake_adapter.h"
#include "fake_libftdi1_control.h"
#include "backup_list.h"
#include "line_text.h"
#include "link_test_support.h"
#include "programming_record.h"
#include "tx_emulator.h"

#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtTest>
#include <csignal>
#include <fcntl.h>
#include <memory>
#include <unistd.h>

using namespace morvi;
using morvi::test::Memory;

namespace {
const QString fakePath = QStringLiteral(MORVI_FAKE_FTD2XX_PATH);
const QString libftdiPath = QStringLiteral(MORVI_FAKE_LIBFTDI1_PATH);
test::FakeAdapter fake{fakePath};
test::FakeLibftdi libftdi{libftdiPath};
const char *const adapterSerial = "QZK00042";

enum class Via { serial, vendor, libftdi1 };

// The open file descriptors of this process that lead to path.
int descriptorsTo(const QString &path)
{
    int count = 0;
    for (const QFileInfo &fd : QDir("/proc/self/fd").entryInfoList(QDir::System | QDir::NoDotAndDotDot))
        count += fd.symLinkTarget() == path ? 1 : 0;
    return count;
}
} // namespace

Q_DECLARE_METATYPE(Via)

class CliDevicesTest : public QObject {
    Q_OBJECT
    QTemporaryDir dir;
    QString startDir;
    std::unique_ptr<tools::TxEmulator> emulator;

    // The transmitter with memory, behind the port or the adapter; the arguments that reach it.
    QStringList attach(bool adapter, const Memory &memory, const QString &library = fakePath)
    {
        fake.reset();
        emulator.reset();
        if (adapter) {
            fake.add(adapterSerial);
            fake.attach(memory.data());
            fake.fault("lag", 0, 0xEE); // reads after writes answer one request late
            return {"--adapter", "--library", library};
        }
        emulator = std::make_unique<tools::TxEmulator>(memory);
        QFile map(dir.filePath("morvi-ports.ini"));
        if (!map.open(QIODevice::WriteOnly)) qFatal("no mapping file");
        map.write("COM2=" + QByteArray::fromStdString(emulator->slavePath()) + "\n");
        return {"--port", "COM2"};
    }
    Memory transmitter(bool adapter) const { return adapter ? fake.transmitter() : emulator->memory(); }

    static int run(const QStringList &arguments, QString *output = nullptr, QString *errors = nullptr)
    {
        QString out, err;
        QTextStream outStream(&out), errStream(&err);
        const int status = cli::run(arguments, outStream, errStream);
        outStream.flush();
        errStream.flush();
        if (output) *output = out;
        if (errors) *errors = err;
        return status;
    }
    // Requests the transmitter has answered so far.
    std::size_t answered(bool adapter) const
    {
        return adapter ? static_cast<std::size_t>(fake.requests()) : emulator->requests().size();
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
        QVERIFY(libftdi.load());
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
        QString said;
        QCOMPARE(run(QStringList{"program", "changed.txc", "--yes"} + via, nullptr, &said), int(cli::success));
        // Only the port in use is reported on, under the mapping file.
        QVERIFY2(!said.contains("nicht verfügbar"), qPrintable(said));
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
        QString listed;
        QCOMPARE(run({"backups", "--json"}, &listed), int(cli::success));
        QCOMPARE(QJsonDocument::fromJson(listed.toUtf8()).array(),
                 (QJsonArray{QJsonObject{{"file", folder + "/" + backups.first()},
                                         {"date", files::listBackups(folder).front().when.toString(Qt::ISODate)},
                                         {"link", linkName},
                                         {"config", "changed.txc"},
                                         {"result", "erfolgreich"}}}));
        if (adapter) return;
        // A port without a device is null for scripts.
        QCOMPARE(run({"ports", "--json"}, &listed), int(cli::success));
        const QJsonArray ports = QJsonDocument::fromJson(listed.toUtf8()).object().value("ports").toArray();
        QCOMPARE(ports[1].toObject().value("device"), QJsonValue(QString::fromStdString(emulator->slavePath())));
        QCOMPARE(ports[3].toObject().value("device"), QJsonValue());
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

    void signalEndsTheRunCleanly_data()
    {
        QTest::addColumn<Via>("via");
        QTest::addColumn<bool>("separateProcess");
        QTest::addColumn<int>("signal");
        QTest::addColumn<bool>("inWritePhase");
        QTest::newRow("serial, Ctrl-C while reading") << Via::serial << false << SIGINT << false;
        QTest::newRow("serial, Ctrl-C while writing") << Via::serial << false << SIGINT << true;
        QTest::newRow("serial, SIGTERM while writing") << Via::serial << false << SIGTERM << true;
        QTest::newRow("serial, morvi-cli process, Ctrl-C while writing") << Via::serial << true << SIGINT << true;
        QTest::newRow("serial, morvi-cli process, SIGHUP while reading") << Via::serial << true << SIGHUP << false;
        // A programming run over the adapter takes seconds: one row in each phase.
        QTest::newRow("vendor library, SIGTERM while reading") << Via::vendor << false << SIGTERM << false;
        QTest::newRow("libftdi1, Ctrl-C while writing") << Via::libftdi1 << false << SIGINT << true;
    }
    void signalEndsTheRunCleanly()
    {
        QFETCH(Via, via);
        QFETCH(bool, separateProcess);
        QFETCH(int, signal);
        QFETCH(bool, inWritePhase);
        const bool adapter = via != Via::serial;
        Memory before = test::transmitterMemory();
        before[111] = static_cast<std::uint8_t>(before[102] + 2);
        before[122] = test::checksumOf(before);
        QVERIFY(files::writeLinesFile("program.txc", files::fileLines(ConfigImage{}, {"COM1", "2.20"})));
        const QStringList via_ = attach(adapter, before, via == Via::libftdi1 ? libftdiPath : fakePath);
        // Slow enough that a phase lasts while the signal is sent (the adapter's blocks are slow anyway).
        if (!adapter) emulator->setAnswerDelay(2);
        libftdi.reset();
        libftdi.bindDriver(adapterSerial); // the kernel's serial driver holds the adapter
        const QString folder = files::backupFolder();
        QDir(folder).removeRecursively();
        const int heldBefore = adapter ? 0 : descriptorsTo(QString::fromStdString(emulator->slavePath()));
        // Well into the phase: a write phase starts after the 128 reads.
        const std::size_t sendAt = inWritePhase ? imageSize + 20 : 20;

        int status = -1;
        QString errors;
        const QStringList arguments = QStringList{"program", "program.txc", "--yes"} + via_;
        if (separateProcess) {
            QProcess cli;
            cli.setProgram(QStringLiteral(MORVI_CLI_PATH));
            cli.setArguments(arguments);
            cli.start();
            QVERIFY(cli.waitForStarted());
            QVERIFY(emulator->waitForRequests(sendAt, 20000));
            ::kill(static_cast<pid_t>(cli.processId()), signal);
            QVERIFY(cli.waitForFinished(20000));
            QCOMPARE(cli.exitStatus(), QProcess::NormalExit);
            status = cli.exitCode();
            errors = QString::fromUtf8(cli.readAllStandardError());
        } else {
            QTimer watch;
            watch.setInterval(1);
            QObject::connect(&watch, &QTimer::timeout, [&] {
                if (answered(adapter) < sendAt) return;
                watch.stop();
                ::raise(signal);
            });
            watch.start();
            status = run(arguments, nullptr, &errors);
            QVERIFY2(!watch.isActive(), "the run ended before the signal was sent");
        }
        QCOMPARE(status, 128 + signal);
        QCOMPARE(logResults(folder), QStringList{"abgebrochen"});
        // Released: the port closed, the adapter given back to the kernel's driver.
        if (!adapter) QCOMPARE(descriptorsTo(QString::fromStdString(emulator->slavePath())), heldBefore);
        if (via == Via::vendor) QCOMPARE(fake.calls("FT_Close").size(), fake.calls("FT_OpenEx").size());
        if (via == Via::libftdi1) QCOMPARE(libftdi.driverBound(adapterSerial), 1);

        const QRegularExpression restore("Zurückschreiben mit: morvi-cli program '([^']+)' (.*) --yes\n");
        const auto said = restore.match(errors);
        QVERIFY2(said.hasMatch() == inWritePhase, qPrintable(errors));
        if (inWritePhase) {
            QVERIFY(transmitter(adapter) != before);
            QCOMPARE(said.captured(2), adapter ? "--adapter --library '" + via_.last() + "'" : via_.join(' '));
            if (!adapter) emulator->setAnswerDelay(0);
            QString back;
            QVERIFY2(run(QStringList{"program", said.captured(1), "--yes"} + via_, nullptr, &back) == cli::success,
                     qPrintable(back));
            QVERIFY(transmitter(adapter) == before);
            return; // its verify has read the memory back
        }
        QVERIFY(transmitter(adapter) == before);
        QVERIFY(QDir(folder).entryList({"*.txc"}, QDir::Files).isEmpty());
        QCOMPARE(run(QStringList{"read", "-o", "after.txc"} + via_), int(cli::success));
        QVERIFY(files::imageFromLines(*files::readLinesFile("after.txc"))->bytes() == before);
    }

    // The built program as a script or a person runs it: stdin a terminal
    // (answered "n"), nothing, or stdout a full device.
    void statusesMeanWhatTheySay_data()
    {
        QTest::addColumn<QStringList>("arguments"); // F: the file to program or compare
        QTest::addColumn<QString>("input");         // "tty n" or "none"
        QTest::addColumn<bool>("damaged");          // the transmitter's checksum is wrong
        QTest::addColumn<QString>("outputTo");
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("said"); // on stdout or stderr
        QTest::newRow("confirmation declined")
            << QStringList{"program", "F"} << "tty n" << false << "" << 7 << "vom Anwender abgebrochen";
        QTest::newRow("no terminal, no --yes")
            << QStringList{"program", "F"} << "none" << false << "" << 2 << "nur mit --yes";
        QTest::newRow("stdout full") << QStringList{"show", "F", "--json"} << "none" << false << "/dev/full" << 3
                                     << "Standardausgabe kann nicht geschrieben werden";
        QTest::newRow("read keeps a damaged memory")
            << QStringList{"read", "-o", "kept.txc"} << "none" << true << "" << 6 << "trotzdem";
        QTest::newRow("verify lists a damaged memory's differences")
            << QStringList{"verify", "F"} << "none" << true << "" << 6 << "Codierlänge: 24 Bit -> ";
        QTest::newRow("diff lists a damaged memory's differences")
            << QStringList{"diff", "F", "port:COM2"} << "none" << true << "" << 1 << "Codierlänge: 24 Bit -> ";
    }
    void statusesMeanWhatTheySay()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QString, input);
        QFETCH(bool, damaged);
        QFETCH(QString, outputTo);
        QFETCH(int, status);
        QFETCH(QString, said);
        Memory memory = test::transmitterMemory();
        memory[111] = static_cast<std::uint8_t>(memory[102] + 2); // kept by the completion before saving
        memory[122] = test::checksumOf(memory);
        ConfigImage file;
        file.bytes() = memory;
        file[95] = 24;
        if (damaged) memory[122] ^= 0x5A;
        QVERIFY(files::writeLinesFile(dir.filePath("F"), files::fileLines(file, {"COM2", "2.20"})));
        const QStringList via = attach(false, memory);
        const QString folder = files::backupFolder();
        QDir(folder).removeRecursively();

        QProcess cli;
        cli.setWorkingDirectory(dir.path());
        cli.setProcessEnvironment(QProcessEnvironment::systemEnvironment());
        if (!outputTo.isEmpty()) cli.setStandardOutputFile(outputTo);
        int terminal = -1;
        if (input.startsWith("tty")) {
            terminal = posix_openpt(O_RDWR | O_NOCTTY);
            QVERIFY(terminal >= 0 && grantpt(terminal) == 0 && unlockpt(terminal) == 0);
            cli.setStandardInputFile(QString::fromLocal8Bit(ptsname(terminal)));
        } else {
            cli.setStandardInputFile(QProcess::nullDevice());
        }
        QStringList args = arguments;
        args.replaceInStrings(QRegularExpression("^F$"), dir.filePath("F"));
        cli.start(QStringLiteral(MORVI_CLI_PATH), args + via);
        QVERIFY(cli.waitForStarted());
        if (terminal >= 0) QCOMPARE(write(terminal, "n\n", 2), 2);
        QVERIFY(cli.waitForFinished(30000));
        if (terminal >= 0) close(terminal);
        const QString output = QString::fromUtf8(cli.readAllStandardOutput() + cli.readAllStandardError());
        QCOMPARE(cli.exitCode(), status);
        QVERIFY2(output.contains(said), qPrintable(output));

        QVERIFY(emulator->memory() == memory);
        QVERIFY(logResults(folder).isEmpty());
        if (arguments.first() == "read") {
            const auto kept = files::readLinesFile(dir.filePath("kept.txc"));
            QVERIFY(kept && files::imageFromLines(*kept)->bytes() == memory);
        }
    }
};

QTEST_GUILESS_MAIN(CliDevicesTest)
#include "test_cli_devices.moc"
