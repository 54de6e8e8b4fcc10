// The running program on a port that the mapping file beside morvi.ini ties
// to an emulated transmitter: the menu shows the device, "Auslesen" and
// "Programmieren" go through it, and a port without a device says why.
#include "editor.h"
#include "main_window.h"
#include "morvi_program.h"
#include "line_text.h"
#include "port_map.h"
#include "programming_record.h"
#include "recording_reporter.h"
#include "scripted_dialogs.h"
#include "stored_memory.h"
#include "tx_emulator.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QMenu>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTextEdit>
#include <QTextBlock>
#include <QtTest>
#include <csignal>

using namespace morvi;

class PortMappingTest : public QObject {
    Q_OBJECT
    QTemporaryDir dir;
    QString startDir;

private slots:
    void initTestCase()
    {
        QVERIFY(dir.isValid());
        startDir = QDir::currentPath();
        QDir::setCurrent(dir.path());
    }
    void cleanupTestCase() { QDir::setCurrent(startDir); }

    void aRunCutOffNamesTheBackupAndSessionEndClosesTheWindow()
    {
        Editor stored;
        stored.resetImage();
        tools::TxEmulator transmitter(test::storedMemory(stored));
        // Slow enough that the write phase lasts while it is cut off.
        transmitter.setAnswerDelay(2);
        QFile mapping(dir.filePath("morvi-ports.ini"));
        QVERIFY(mapping.open(QIODevice::WriteOnly));
        mapping.write("COM1=" + QByteArray::fromStdString(transmitter.slavePath()) + "\r\n");
        mapping.close();
        qputenv("XDG_DATA_HOME", dir.filePath("data").toUtf8());
        const QString folder = files::backupFolder();
        QDir(folder).removeRecursively();
        QFile::remove(dir.filePath("morvi.ini"));

        auto serial = std::make_unique<link::SerialLink>(
            std::make_unique<link::PortMap>([] { return std::vector<link::SerialDevice>{}; }));
        {
            shell::MorviProgram program(shell::MorviProgram::Outside{
                std::make_unique<test::ScriptedDialogs>(), std::move(serial), QStringLiteral("/nonexistent/libx.so")});
            ui::TFMorvi &w = program.FMorvi();
            w.setBeepSound([] {});
            w.setConfirm([](const QString &) { return true; });
            w.show();
            QTRY_VERIFY(!program.inittimer().isActive());
            auto *info = w.findChild<QTextEdit *>("MInfo");
            const auto programUntilWriting = [&] {
                const std::size_t asked = transmitter.requests().size();
                QTest::mouseClick(w.findChild<QPushButton *>("ProgButton"), Qt::LeftButton);
                QTRY_VERIFY_WITH_TIMEOUT(transmitter.requests().size() >= asked + imageSize + 10, 15000);
            };

            // "Auslesen" in the write phase cuts the run off: one black line names the way back.
            programUntilWriting();
            QTest::mouseClick(w.findChild<QPushButton *>("LeseButton"), Qt::LeftButton);
            const QStringList backups = QDir(folder).entryList({"*.txc"}, QDir::Files);
            QCOMPARE(backups.size(), 1);
            const QString line = "Sicherung des bisherigen Sendespeichers: " +
                                 QDir::toNativeSeparators(QDir(folder).filePath(backups.first())) +
                                 " (mit \"Datei → Laden\" laden und erneut programmieren)";
            const QTextBlock said = info->document()->find(line).block();
            QCOMPARE(said.text(), line);
            QCOMPARE(said.textFormats().first().format.foreground().color(), QColor(Qt::black));
            QTRY_VERIFY_WITH_TIMEOUT(info->toPlainText().contains("Daten erfolgreich gelesen"), 10000);

            // The session ends in the middle of the next run.
            programUntilWriting();
            ::raise(SIGTERM);
            QTRY_VERIFY(!w.isVisible());
            QVERIFY(QFile::exists(program.settingsFilePath()));
        }
        QStringList results;
        const QStringList log = files::readLinesFile(folder + "/" + files::programmingLogName).value_or(QStringList{});
        for (const QString &l : log)
            if (!l.isEmpty()) results << l.section('\t', 4);
        QCOMPARE(results, (QStringList{"abgebrochen", "abgebrochen"}));
    }

    void mappedPortReadsAndPrograms()
    {
        // A transmitter holding a valid configuration.
        Editor stored;
        stored.resetImage();
        tools::TxEmulator transmitter(test::storedMemory(stored));
        const QString terminal = QString::fromStdString(transmitter.slavePath());

        QFile mapping(dir.filePath("morvi-ports.ini"));
        QVERIFY(mapping.open(QIODevice::WriteOnly));
        mapping.write("COM1=" + terminal.toUtf8() + "\r\n");
        mapping.close();

        // The machine has no serial device of its own, and no adapter library.
        auto serial = std::make_unique<link::SerialLink>(
            std::make_unique<link::PortMap>([] { return std::vector<link::SerialDevice>{}; }));
        shell::MorviProgram program(shell::MorviProgram::Outside{std::make_unique<test::ScriptedDialogs>(),
                                                                 std::move(serial),
                                                                 QStringLiteral("/nonexistent/libmorvi-adapter.so")});
        ui::TFMorvi &w = program.FMorvi();
        w.setBeepSound([] {});
        w.show();
        QTRY_VERIFY(!program.inittimer().isActive());

        QAction *com1 = w.findChild<QAction *>("COM11");
        QVERIFY(com1->isEnabled());
        QCOMPARE(com1->statusTip(), "COM1: " + terminal);
        // Greyed, the item shows its device as its tool tip.
        QAction *com2 = w.findChild<QAction *>("COM21");
        QVERIFY(!com2->isEnabled());
        QCOMPARE(com2->statusTip(), QStringLiteral("COM2: kein Gerät zugeordnet"));
        QCOMPARE(com2->toolTip(), com2->statusTip());
        QVERIFY(w.findChild<QMenu *>("MKommunikation")->toolTipsVisible());
        QCOMPARE(w.linkStatusText(), QStringLiteral("COM1"));

        auto *info = w.findChild<QTextEdit *>("MInfo");
        QTest::mouseClick(w.findChild<QPushButton *>("LeseButton"), Qt::LeftButton);
        QTRY_VERIFY_WITH_TIMEOUT(info->toPlainText().contains("Daten erfolgreich gelesen"), 10000);

        w.setConfirm([](const QString &) { return true; });
        w.editor().image[95] = 16;
        QTest::mouseClick(w.findChild<QPushButton *>("ProgButton"), Qt::LeftButton);
        QTRY_VERIFY_WITH_TIMEOUT(info->toPlainText().contains("Daten erfolgreich übertragen"), 15000);
        QCOMPARE(int(transmitter.memory()[95]), 16);

        // Taken out of the file while the program runs, the port says why it does not open.
        QVERIFY(mapping.open(QIODevice::WriteOnly | QIODevice::Truncate));
        mapping.write("COM1=\r\n");
        mapping.close();
        QTest::mouseClick(w.findChild<QPushButton *>("LeseButton"), Qt::LeftButton);
        const QString text = info->toPlainText();
        const qsizetype why = text.lastIndexOf(
            "COM1 ist keinem Gerät zugeordnet (Zuordnung in der Datei morvi-ports.ini neben morvi.ini).");
        QVERIFY2(why >= 0, qPrintable(text));
        QVERIFY(text.indexOf("Fehler beim Öffnen COM-Port COM1", why) > why);
    }
};

QTEST_MAIN(PortMappingTest)
#include "test_port_mapping.moc"
