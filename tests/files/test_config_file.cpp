#include "file_bench.h"
#include "maker.h"

#include <QTemporaryDir>
#include <QtTest>

using namespace morvi;
using namespace morvi::test;
using files::FileDialogRequest;

namespace {

QStringList imageLines(const ConfigImage &image)
{
    QStringList lines;
    for (const std::uint8_t byte : image.bytes())
        lines << QString::number(byte);
    return lines;
}

QByteArray crlf(const QStringList &lines) { return (lines.join("\r\n") + "\r\n").toUtf8(); }

QByteArray utf16(const QByteArray &ascii, QStringConverter::Encoding encoding, bool mark)
{
    QStringEncoder encoder(encoding, mark ? QStringConverter::Flag::WriteBom : QStringConverter::Flag::Default);
    return encoder.encode(QString::fromLatin1(ascii));
}

// Differs from the started image in every byte, yet is a file that loads quietly:
// a known type and a compatible firmware.
ConfigImage quietFileImage()
{
    ConfigImage image = startedEditor().image;
    for (int i = 0; i < imageSize; ++i)
        image[i] = static_cast<std::uint8_t>(image[i] + 1 + i);
    image[offset::transmitterType] = 2;
    image[offset::firmwareMajor] = 2;
    image[offset::firmwareMinor] = 30;
    return image;
}

const Report loadFailed{" Fehler bei \"Datei laden!\"", colour::red, option::block};
const Report saveFailed{" Fehler bei \"Datei speichern!\"", colour::red, option::block};

Report fileReport(const QString &path) { return {"Datei: \"" + path.toStdString() + "\"", colour::green, 1}; }

} // namespace

class ConfigFileTest : public QObject {
    Q_OBJECT
    QTemporaryDir dir;
    std::optional<CurrentDirGuard> cwd;

private slots:
    void init() { cwd.emplace(); }
    void cleanup() { cwd.reset(); }

    void savedFileHasTheExactLines()
    {
        FileBench b;
        b.host.port = "COM3";
        const QString path = dir.filePath("exact.txc");
        b.save(path);

        const QByteArray bytes = fileBytes(path);
        QCOMPARE(bytes.count("\r\n"), 145);
        QCOMPARE(bytes.count('\n'), 145);
        QCOMPARE(bytes.count('\r'), 145);
        QVERIFY(bytes.endsWith("\r\n"));
        const QStringList lines = QString::fromLatin1(bytes).split("\r\n");
        QCOMPARE(lines.mid(0, 128), imageLines(b.editor.image));
        QCOMPARE(lines.mid(125, 3), (QStringList{"34", "2", "20"}));
        QStringList trailer{"COM3"};
        for (int i = 0; i < 10; ++i)
            trailer << "freier String";
        trailer << "Firmware: 2.20"
                << "3"
                << "34"
                << "--*--"
                << "comments: -reserved-";
        QCOMPARE(lines.mid(128, 16), trailer);
        QVERIFY(lines[144].contains("12/2026") && lines[144].contains(maker::web));

        QCOMPARE(b.reporter.reports,
                 (std::vector<Report>{fileReport(path), {"erfolgreich gespeichert", colour::green, 2}}));
        QCOMPARE(b.reporter.beeps, 0);
        QCOMPARE(b.actions.openFileName(), path);
        QCOMPARE(b.host.shownNames, QStringList{path});
        QCOMPARE(b.host.refreshes, 1);
    }

    // Row k holds the value (k + i) mod 256 in byte i, so the rows take every
    // value through every position.
    void everyValueLoadsAndSaveLoadSaveIsByteIdentical_data()
    {
        QTest::addColumn<int>("k");
        for (int k = 0; k < 256; ++k)
            QTest::addRow("values from %d", k) << k;
    }
    void everyValueLoadsAndSaveLoadSaveIsByteIdentical()
    {
        QFETCH(int, k);
        ConfigImage crafted;
        for (int i = 0; i < imageSize; ++i)
            crafted[i] = static_cast<std::uint8_t>(k + i);
        const QString source = dir.filePath("crafted.txc");
        QVERIFY(putFile(source, crlf(imageLines(crafted))));

        FileBench first;
        first.load(source);
        Editor expected;
        expected.image = crafted;
        expected.readEDATA(); // an unknown type gets the Normal preset
        QCOMPARE(first.editor.image, expected.image);

        const QString saved = dir.filePath("first.txc"), again = dir.filePath("again.txc");
        first.save(saved);
        FileBench second;
        second.load(saved);
        QCOMPARE(second.editor.image, first.editor.image);
        second.save(again);
        QCOMPARE(fileBytes(again), fileBytes(saved));
    }

    void loadEdgeCases_data()
    {
        QTest::addColumn<QByteArray>("bytes"); // a null array: no file at all
        QTest::addColumn<bool>("loads");
        QTest::addColumn<int>("byte99");
        const QStringList good = imageLines(quietFileImage());
        const int goodByte = quietFileImage()[99];
        const auto withLine100 = [&good](const QString &text) {
            QStringList lines = good;
            lines[99] = text;
            return crlf(lines);
        };
        QTest::newRow("256") << withLine100("256") << true << 0;
        QTest::newRow("-1") << withLine100("-1") << true << 255;
        QTest::newRow(" 17") << withLine100(" 17") << true << 17;
        QTest::newRow("$1F") << withLine100("$1F") << true << 31;
        QTest::newRow("0x1f") << withLine100("0x1f") << true << 31;
        QTest::newRow("17 ") << withLine100("17 ") << false << 0;
        QTest::newRow("empty line") << withLine100("") << false << 0;
        QTest::newRow("127 lines") << crlf(good.mid(0, 127)) << false << 0;
        QTest::newRow("only the 128 image lines") << crlf(good) << true << goodByte;
        QTest::newRow("anything after line 128") << crlf(good + QStringList{"COM9", "junk", ""}) << true << goodByte;
        QTest::newRow("LF ends, last line open") << good.join("\n").toUtf8() << true << goodByte;
        QTest::newRow("CR ends") << (good.join("\r") + "\r").toUtf8() << true << goodByte;
        QTest::newRow("UTF-8 mark") << "\xEF\xBB\xBF" + crlf(good) << true << goodByte;
        QTest::newRow("UTF-16 LE mark") << utf16(crlf(good), QStringConverter::Utf16LE, true) << true << goodByte;
        QTest::newRow("UTF-16 BE mark") << utf16(crlf(good), QStringConverter::Utf16BE, true) << true << goodByte;
        QTest::newRow("UTF-16 without mark") << utf16(crlf(good), QStringConverter::Utf16LE, false) << false << 0;
        QTest::newRow("no file") << QByteArray() << false << 0;
    }
    void loadEdgeCases()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(bool, loads);
        QFETCH(int, byte99);
        const QString path = dir.filePath(QTest::currentDataTag() + QStringLiteral(".txc"));
        QFile::remove(path);
        if (!bytes.isNull()) QVERIFY(putFile(path, bytes));

        FileBench b;
        b.actions.setOpenFileName(files::startFileName);
        const Editor before = b.editor;
        b.load(path);

        // The open dialog keeps the chosen file; the status bar names only a file that loaded.
        QCOMPARE(b.actions.openFileName(), path);
        QCOMPARE(b.host.shownNames.last(), loads ? path : files::startFileName);
        QCOMPARE(b.actions.configName(), loads ? path : QString());
        QCOMPARE(b.host.refreshes, 1);
        if (loads) {
            ConfigImage expected = quietFileImage();
            expected[99] = static_cast<std::uint8_t>(byte99);
            QCOMPARE(b.editor.image, expected);
            QCOMPARE(b.reporter.reports, (std::vector<Report>{fileReport(path), {"geladen !", colour::green, 2}}));
            QCOMPARE(b.reporter.beeps, 0);
            QCOMPARE(b.actions.saveFileName(), path);
        } else {
            QCOMPARE(b.editor.image, before.image);
            QVERIFY(b.editor.keyClassFlags == before.keyClassFlags);
            QCOMPARE(b.reporter.reports, std::vector<Report>{loadFailed});
            QCOMPARE(b.reporter.beeps, 1);
            QCOMPARE(b.actions.saveFileName(), QStringLiteral("default.txc"));
            QVERIFY(b.host.derived.empty());
        }
    }

    void loadReportsAnIncompatibleFirmware_data()
    {
        QTest::addColumn<int>("major");
        QTest::addColumn<int>("minor");
        QTest::addColumn<bool>("compatible");
        QTest::newRow("3.00") << 3 << 0 << false;
        QTest::newRow("2.59") << 2 << 59 << true;
    }
    void loadReportsAnIncompatibleFirmware()
    {
        QFETCH(int, major);
        QFETCH(int, minor);
        QFETCH(bool, compatible);
        ConfigImage file = quietFileImage();
        file[offset::firmwareMajor] = static_cast<std::uint8_t>(major);
        file[offset::firmwareMinor] = static_cast<std::uint8_t>(minor);
        const QString path = dir.filePath("firmware.txc");
        QVERIFY(putFile(path, crlf(imageLines(file))));

        FileBench b;
        b.load(path);
        QCOMPARE(b.editor.image, file); // loaded all the same
        std::vector<Report> expected{fileReport(path), {"geladen !", colour::green, 2}};
        if (!compatible) {
            expected.push_back({"Achtung: die geladene Datei wurde ursprünglich für eine nicht kompatible "
                                "Firmwareversion abgespeichert.",
                                colour::red, 0});
            expected.push_back({"Die Einstellungen können daher falsch sein !", colour::red, 0});
            expected.push_back(
                {"Es wird dringend empfohlen eine komplett neue Konfiguration zu erstellen!", colour::red, 2});
        }
        QCOMPARE(b.reporter.reports, expected);
        QCOMPARE(b.reporter.beeps, compatible ? 0 : 1);
        const FirmwareVersion known =
            compatible ? FirmwareVersion{std::uint8_t(major), std::uint8_t(minor)} : FirmwareVersion{};
        QVERIFY(b.editor.knownFirmware == known);
    }

    // After a load, good or bad, a send limit in the image checks maxBegrenzung.
    void sendLimitChecksTheBox_data()
    {
        QTest::addColumn<bool>("fileIsGood");
        QTest::newRow("limit loaded") << true;
        QTest::newRow("limit kept after a failed load") << false;
    }
    void sendLimitChecksTheBox()
    {
        QFETCH(bool, fileIsGood);
        ConfigImage file = quietFileImage();
        file[offset::maxSendCount] = 5;
        QStringList lines = imageLines(file);
        if (!fileIsGood) lines[3] = "x";
        const QString path = dir.filePath("limit.txc");
        QVERIFY(putFile(path, crlf(lines)));
        FileBench b;
        b.editor.image[offset::maxSendCount] = fileIsGood ? 0 : 3;
        b.load(path);
        QVERIFY(b.host.boxes.sendLimit);
        QCOMPARE(b.editor.image[offset::maxSendCount], std::uint8_t(fileIsGood ? 5 : 3));
    }

    void cancelledDialogs_data()
    {
        QTest::addColumn<bool>("saving");
        QTest::addColumn<QString>("message");
        QTest::newRow("save") << true << "\"Datei Speichern\" abgebrochen";
        QTest::newRow("load") << false << "\"Datei Laden\" abgebrochen";
    }
    void cancelledDialogs()
    {
        QFETCH(bool, saving);
        QFETCH(QString, message);
        FileBench b;
        b.actions.setOpenFileName(files::startFileName);
        const Editor before = b.editor;
        const QString folder = QDir::currentPath();
        saving ? b.actions.Speichern1Click() : b.actions.Laden1Click();
        QCOMPARE(b.reporter.reports, (std::vector<Report>{{message.toStdString(), colour::red, 3}}));
        QCOMPARE(b.reporter.beeps, 0);
        QCOMPARE(b.editor.image, before.image);
        QCOMPARE(b.host.refreshes, 1);
        QCOMPARE(QDir::currentPath(), folder);
        // A cancelled load hands the open dialog's name to the save dialog.
        QCOMPARE(b.actions.saveFileName(), saving ? QStringLiteral("default.txc") : files::startFileName);
    }

    void dialogsAndCurrentDirectory()
    {
        FileBench b;
        b.actions.setOpenFileName(files::startFileName);
        QVERIFY(QDir(dir.path()).mkpath("deep/er"));
        const QString path = dir.filePath("deep/er/x.txc");
        b.actions.Laden1Click(); // cancelled
        b.save(path);
        b.load(path);

        const QStringList filters{"Handsender-Konfiguration (*.txc)", "alle Dateien (*.*)"};
        const auto &r = b.dialogs.requests;
        QCOMPARE(r.size(), 3u);
        QVERIFY(r[0].kind == FileDialogRequest::Kind::Open && r[0].mustExist && !r[0].confirmOverwrite);
        QCOMPARE(r[0].title, QStringLiteral("Datei Laden"));
        QCOMPARE(r[0].initialName, QStringLiteral("neue datei.txc"));
        QVERIFY(r[1].kind == FileDialogRequest::Kind::Save && !r[1].mustExist && r[1].confirmOverwrite);
        QCOMPARE(r[1].title, QStringLiteral("Datei Speichern"));
        QCOMPARE(r[1].initialName, QStringLiteral("neue datei.txc"));
        QCOMPARE(r[2].initialName, path);
        for (const auto &request : r) {
            QCOMPARE(request.filters, filters);
            QCOMPARE(request.defaultSuffix, QStringLiteral("txc"));
        }
        QCOMPARE(QDir::currentPath(), QFileInfo(path).absolutePath());
    }

    void failedSaveKeepsTheOldFile_data()
    {
        QTest::addColumn<QString>("how");
        QTest::newRow("folder is a file") << "folder is a file";
        QTest::newRow("write cut short") << "write cut short";
        QTest::newRow("read-only folder") << "read-only folder";
    }
    void failedSaveKeepsTheOldFile()
    {
        QFETCH(QString, how);
        QTemporaryDir folder;
        const QByteArray old = "old file\r\n";
        QString target = folder.filePath("kept.txc");
        QVERIFY(putFile(target, old));
        FileBench b;
        b.actions.setOpenFileName(files::startFileName);

        if (how == "folder is a file") {
            target = folder.filePath("kept.txc/inner.txc");
            b.save(target);
        } else if (how == "write cut short") {
            const FileSizeLimit limit(64); // the old file is smaller, a new one is not
            b.save(target);
        } else {
            QFile::setPermissions(folder.path(), QFileDevice::ReadOwner | QFileDevice::ExeOwner);
            const bool writable = putFile(folder.filePath("probe"), "x");
            if (!writable) b.save(target);
            QFile::setPermissions(folder.path(),
                                  QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
            if (writable) QSKIP("this user writes into read-only folders (root); the other rows cover the failure");
        }
        QCOMPARE(fileBytes(folder.filePath("kept.txc")), old);
        QCOMPARE(QDir(folder.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"kept.txc"});
        QCOMPARE(b.reporter.reports, std::vector<Report>{saveFailed});
        QCOMPARE(b.reporter.beeps, 1);
        QCOMPARE(b.actions.openFileName(), files::startFileName);
        QCOMPARE(b.host.refreshes, 1);
    }
};

QTEST_GUILESS_MAIN(ConfigFileTest)
#include "test_config_file.moc"
