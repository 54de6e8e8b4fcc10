// Start-up in its two stages, and shut-down.
#include "main_window.h"
#include "german_dialogs.h"
#include "fake_adapter.h"
#include "main_window_fixture.h"
#include "recording_reporter.h"
#include "line_text.h"
#include "morvi_program.h"
#include "programming_record.h"
#include "qserial_port.h"
#include "scripted_dialogs.h"
#include "stored_memory.h"
#include "tx_emulator.h"
#include "help_window.h"
#include "line_text.h"
#include "programming_record.h"
#include "system_dialog.h"
#include "web_page.h"

#include <QAction>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTextEdit>
#include <QProcess>
#include <QtTest>

using namespace morvi;

class StartupTest : public QObject {
    Q_OBJECT
    QTemporaryDir dir;
    QString startDir;

    // COM1..COM4 lead nowhere unless a test puts a device behind one.
    static std::unique_ptr<link::SerialLink> serialLink(const QString &com2Device = {})
    {
        link::PortResolver resolver;
        for (int n = 1; n <= 4; ++n)
            resolver.setDevice(n, QStringLiteral("/nonexistent/morvi-tty%1").arg(n));
        if (!com2Device.isEmpty()) resolver.setDevice(2, com2Device);
        return std::make_unique<link::SerialLink>(std::make_unique<link::QtSerialPort>(resolver));
    }

    // The program answers its file dialogs from the script it is given; it
    // finds no adapter library unless a test loads the fake one.
    static std::unique_ptr<shell::MorviProgram>
    start(std::unique_ptr<test::ScriptedDialogs> dialogs = std::make_unique<test::ScriptedDialogs>(),
          std::unique_ptr<link::SerialLink> serial = serialLink(),
          const QString &adapterLibrary = QStringLiteral("/nonexistent/libmorvi-adapter.so"))
    {
        auto program = std::make_unique<shell::MorviProgram>(
            shell::MorviProgram::Outside{std::move(dialogs), std::move(serial), adapterLibrary});
        program->FMorvi().setBeepSound([] {});
        program->FMorvi().show();
        QApplication::setActiveWindow(&program->FMorvi());
        if (!QTest::qWaitForWindowActive(&program->FMorvi())) qWarning("main window did not become active");
        return program;
    }

    // Alt+F4 through the X server: the window manager closes the active window
    // as its close box does. Waits until the close has arrived.
    static void closeByWindowManager(QWidget &window, const QStringList &asked)
    {
        QCOMPARE(QProcess::execute(QStringLiteral("xdotool"), {"key", "alt+F4"}), 0);
        QTRY_VERIFY(!asked.isEmpty() || !window.isVisible());
    }

private slots:
    void initTestCase()
    {
        QVERIFY(dir.isValid());
        startDir = QDir::currentPath();
    }
    void init() { QDir::setCurrent(dir.path()); }
    void cleanup()
    {
        QFile::remove(dir.filePath("morvi.ini"));
        QFile::remove(dir.filePath("morvi-usb.ini"));
        QDir::setCurrent(startDir);
    }

    void qtOwnDialogsSpeakGerman()
    {
        QVERIFY(shell::loadGermanQtTranslation(*qApp));
        QMessageBox question(QMessageBox::Question, QString(), QString(), QMessageBox::Yes | QMessageBox::No);
        QCOMPARE(question.button(QMessageBox::Yes)->text(), QStringLiteral("&Ja"));
        QCOMPARE(question.button(QMessageBox::No)->text(), QStringLiteral("&Nein"));
        const QString replace =
            QCoreApplication::translate("QFileDialog", "%1 already exists.\nDo you want to replace it?");
        QVERIFY2(replace.contains(QStringLiteral("existiert bereits")), qPrintable(replace));
    }

    void creationShowsTheNormalTypeAndReportsTheStart()
    {
        auto program = start();
        ui::TFMorvi &w = program->FMorvi();
        QVERIFY(program->inittimer().isActive());
        QCOMPARE(program->inittimer().interval(), 300);
        QCOMPARE(w.editor().knownFirmware, (FirmwareVersion{2, 20}));
        // Before the delayed initialisation the image is still all zero but for the preset and the stamp.
        QCOMPARE(int(w.editor().image[95]), 0);
        QCOMPARE(int(w.editor().image[101]), 25);
        QCOMPARE(int(w.editor().image[125]), 34);
        QCOMPARE(w.pos(), QPoint(219, 145));
        const QString info = w.findChild<QTextEdit *>("MInfo")->toPlainText();
        QVERIFY(
            QRegularExpression(QStringLiteral("^ {27}Info-Fenster\\n -\\d\\d:\\d\\d:\\d\\d-\\nProgrammstart\\n\\n$"))
                .match(info)
                .hasMatch());
    }

    void delayedInitialisation()
    {
        auto program = start();
        ui::TFMorvi &w = program->FMorvi();
        QTRY_VERIFY(!program->inittimer().isActive());
        QTRY_COMPARE(int(w.editor().image[95]), 40);
        QCOMPARE(int(w.editor().image[4]), 25);
        QCOMPARE(int(w.editor().image[110]), 60);
        QCOMPARE(w.findChild<QMenu *>("MTyp")->title(), QStringLiteral("&Typ (momentan: normal)"));
        QVERIFY(!w.findChild<QAction *>("MTyp_RS232")->isVisible());
        QVERIFY(w.findChild<QAction *>("COM11")->isChecked());
        QTRY_VERIFY(w.findChild<QPushButton *>("LeseButton")->hasFocus());
        QCOMPARE(program->settingsFilePath(), QDir::currentPath() + "/morvi.ini");
        QCOMPARE(w.link().fileName, QStringLiteral("neue datei.txc"));
        // Without an adapter the start-up reports nothing after "Programmstart".
        QVERIFY(w.findChild<QTextEdit *>("MInfo")->toPlainText().endsWith("Programmstart\n\n"));
    }

    void menuItemsOpenTheirDialogs_data()
    {
        QTest::addColumn<QString>("item");
        QTest::addColumn<QString>("dialog");
        QTest::newRow("system") << "MSystem"
                                << "Fsystem";
        QTest::newRow("help") << "MHilfe"
                              << "helpform";
        QTest::newRow("waitstates") << "Mwaitstates"
                                    << "Fwaitstates";
    }
    void menuItemsOpenTheirDialogs()
    {
        QFETCH(QString, item);
        QFETCH(QString, dialog);
        auto program = start();
        QWidget *opened = nullptr;
        QTimer::singleShot(0, this, [&] {
            opened = QApplication::activeModalWidget();
            if (opened) opened->close();
        });
        program->FMorvi().findChild<QAction *>(item)->trigger();
        QVERIFY(opened);
        QCOMPARE(opened->objectName(), dialog);
    }

    void systemDialogStartsAtItsDesignPosition()
    {
        auto program = start();
        QCOMPARE(program->Fsystem().pos(), QPoint(430, 246));
    }

    void makerPanelOpensTheWebPage()
    {
        auto program = start();
        QTRY_VERIFY(!program->inittimer().isActive());
        QStringList opened;
        ui::setWebPageOpener([&](const QString &address) { opened << address; });
        const int beeps = program->FMorvi().beepCount();
        QTest::mouseDClick(program->FMorvi().findChild<QWidget *>("urladd"), Qt::LeftButton);
        ui::setWebPageOpener({});
        QCOMPARE(opened, QStringList{"http://www.funktechnik.example"});
        QCOMPARE(program->FMorvi().beepCount(), beeps + 1);
    }

    void settingsSurviveARestart_data()
    {
        QTest::addColumn<bool>("byExitItem");
        QTest::newRow("close box") << false;
        QTest::newRow("Exit") << true;
    }
    void settingsSurviveARestart()
    {
        QFETCH(bool, byExitItem);
        QDir(dir.path()).mkdir("archiv");
        tools::TxEmulator transmitter;
        const QString com2 = QString::fromStdString(transmitter.slavePath());
        {
            auto program = start(std::make_unique<test::ScriptedDialogs>(), serialLink(com2));
            QTRY_VERIFY(!program->inittimer().isActive());
            program->FMorvi().move(300, 200);
            program->helpform().move(150, 100);
            program->Fsystem().move(400, 300);
            program->FMorvi().findChild<QAction *>("COM21")->trigger();
            QDir::setCurrent(dir.filePath("archiv"));
            if (byExitItem)
                program->FMorvi().findChild<QAction *>("Exit1")->trigger();
            else
                program->FMorvi().close();
        }
        QVERIFY(QFile::exists(dir.filePath("morvi.ini")));
        QDir::setCurrent(dir.path());
        auto program = start(std::make_unique<test::ScriptedDialogs>(), serialLink(com2));
        QTRY_VERIFY(!program->inittimer().isActive());
        QCOMPARE(QDir::currentPath(), dir.filePath("archiv"));
        QCOMPARE(program->FMorvi().pos(), QPoint(300, 200));
        QCOMPARE(program->helpform().pos(), QPoint(150, 100));
        QCOMPARE(program->Fsystem().pos(), QPoint(400, 300));
        QCOMPARE(program->FMorvi().link().portName, QStringLiteral("COM2"));
        QVERIFY(program->FMorvi().findChild<QAction *>("COM21")->isChecked());
    }

    // Chosen by keyboard in the "Kommunikation" menu, kept in a file of its own.
    void fastUsbChoiceSurvivesARestart()
    {
        for (const bool expected : {false, true, false}) {
            auto program = start();
            QTRY_VERIFY(!program->inittimer().isActive());
            ui::TFMorvi &w = program->FMorvi();
            auto *item = w.findChild<QAction *>("MschnellUSB");
            QCOMPARE(item->isChecked(), expected);
            auto *menu = w.findChild<QMenu *>("MKommunikation");
            QTest::keyClick(&w, Qt::Key_K, Qt::AltModifier);
            QTRY_VERIFY(menu->isVisible());
            QTest::keyClick(menu, Qt::Key_U);
            QTRY_VERIFY(!menu->isVisible());
            QCOMPARE(item->isChecked(), !expected);
            w.close();
            QVERIFY(QFile::exists(dir.filePath("morvi-usb.ini")));
            // The settings file keeps its own lines.
            QCOMPARE(files::readLinesFile(dir.filePath("morvi.ini")).value_or(QStringList{}).size(), 13);
        }
    }

    // A start without the device shows "COM1 (f)"; the port survives the next start.
    void anUnavailablePortIsKept_data()
    {
        QTest::addColumn<QByteArray>("ini"); // null: no settings file
        QTest::addColumn<QString>("written");
        QTest::newRow("no file") << QByteArray() << "1";
        QTest::newRow("empty port line") << QByteArray("#directory#\r\n\r\n#COM#\r\n\r\n") << "1";
        QTest::newRow("port line no number") << QByteArray("#directory#\r\n\r\n#COM#\r\nx\r\n") << "x";
    }
    void anUnavailablePortIsKept()
    {
        QFETCH(QByteArray, ini);
        QFETCH(QString, written);
        for (int run = 0; run < 2; ++run) {
            if (run == 0 && !ini.isNull()) {
                QFile file(dir.filePath("morvi.ini"));
                QVERIFY(file.open(QIODevice::WriteOnly));
                file.write(ini);
            }
            auto program = start();
            QTRY_VERIFY(!program->inittimer().isActive());
            QCOMPARE(program->FMorvi().link().portName, QStringLiteral("COM1"));
            QVERIFY(program->FMorvi().findChild<QAction *>("COM11")->isChecked());
            QCOMPARE(program->FMorvi().linkStatusText(), QStringLiteral("COM1 (f)"));
            program->FMorvi().close();
            QFile file(dir.filePath("morvi.ini"));
            QVERIFY(file.open(QIODevice::ReadOnly));
            QCOMPARE(QString::fromLatin1(file.readAll()).split("\r\n").value(3), written);
        }
    }

    // Changed edits are asked about before they are thrown away.
    void unsavedEdits_data()
    {
        QTest::addColumn<QString>("action");
        QTest::addColumn<bool>("edited");
        QTest::addColumn<bool>("answer");
        for (const char *action : {"Auslesen", "Laden", "close box", "Exit"}) {
            QTest::addRow("%s, unchanged", action) << action << false << false;
            QTest::addRow("%s, Ja", action) << action << true << true;
            QTest::addRow("%s, Nein", action) << action << true << false;
        }
    }
    void unsavedEdits()
    {
        QFETCH(QString, action);
        QFETCH(bool, edited);
        QFETCH(bool, answer);
        auto script = std::make_unique<test::ScriptedDialogs>();
        test::ScriptedDialogs *dialogs = script.get();
        auto program = start(std::move(script));
        ui::TFMorvi &w = program->FMorvi();
        QTRY_VERIFY(!program->inittimer().isActive());
        if (edited) QTest::mouseDClick(w.findChild<QWidget *>("pan1"), Qt::LeftButton, {}, QPoint(55, 40));
        const KeyMembership key1 = w.editor().keyClassFlags[0];
        QStringList asked;
        w.setDiscardQuestion([&](const QString &question) {
            asked << question;
            return answer;
        });
        auto *info = w.findChild<QTextEdit *>("MInfo");
        const QString before = info->toPlainText();

        if (action == "Auslesen") QTest::mouseClick(w.findChild<QPushButton *>("LeseButton"), Qt::LeftButton);
        if (action == "Laden") w.findChild<QAction *>("Laden1")->trigger();
        if (action == "close box") closeByWindowManager(w, asked);
        if (action == "Exit") w.findChild<QAction *>("Exit1")->trigger();
        QApplication::processEvents();

        const QStringList question{"Die Konfiguration wurde geändert. Änderungen verwerfen?"};
        QCOMPARE(asked, edited ? question : QStringList());
        const bool goesOn = !edited || answer;
        if (action == "Auslesen") QCOMPARE(info->toPlainText() != before, goesOn);
        if (action == "Laden") QCOMPARE(dialogs->requests.size(), std::size_t(goesOn ? 1 : 0));
        if (action == "close box" || action == "Exit") {
            QCOMPARE(w.isVisible(), !goesOn);
            QCOMPARE(QFile::exists(dir.filePath("morvi.ini")), goesOn);
        }
        if (!goesOn) QVERIFY(w.editor().keyClassFlags[0] == key1);
    }

    // Saving and loading leave nothing to ask about; a close by the program itself never asks.
    void noQuestionAfterSavingOrLoading()
    {
        auto script = std::make_unique<test::ScriptedDialogs>();
        test::ScriptedDialogs *dialogs = script.get();
        auto program = start(std::move(script));
        ui::TFMorvi &w = program->FMorvi();
        QTRY_VERIFY(!program->inittimer().isActive());
        QStringList asked;
        w.setDiscardQuestion([&](const QString &question) {
            asked << question;
            return true;
        });
        QWidget *pan1 = w.findChild<QWidget *>("pan1");
        const QString path = dir.filePath("gespeichert.txc");
        QTest::mouseDClick(pan1, Qt::LeftButton, {}, QPoint(55, 40));
        dialogs->answers = {path};
        w.findChild<QAction *>("Speichern1")->trigger();
        w.findChild<QAction *>("Laden1")->trigger(); // cancelled
        QCOMPARE(asked, QStringList());

        QTest::mouseDClick(pan1, Qt::LeftButton, {}, QPoint(55, 40));
        dialogs->answers = {path};
        w.findChild<QAction *>("Laden1")->trigger();
        QCOMPARE(asked.size(), 1);
        QVERIFY(w.editor().keyClassFlags[0].has(KeyClass::FixedFunction));
        asked.clear();
        closeByWindowManager(w, asked);
        QCOMPARE(asked, QStringList());
        QVERIFY(!w.isVisible());

        // The program's own close, as at the end of a session, goes without a question.
        auto again = start();
        QTRY_VERIFY(!again->inittimer().isActive());
        again->FMorvi().setDiscardQuestion([&](const QString &question) {
            asked << question;
            return false;
        });
        QTest::mouseDClick(again->FMorvi().findChild<QWidget *>("pan1"), Qt::LeftButton, {}, QPoint(55, 40));
        again->FMorvi().close();
        QCOMPARE(asked, QStringList());
        QVERIFY(!again->FMorvi().isVisible());
    }

    void unknownPortLeavesEveryPortUnmarked()
    {
        QFile ini(dir.filePath("morvi.ini"));
        QVERIFY(ini.open(QIODevice::WriteOnly));
        ini.write("[letztes Verzeichnis]\r\n\r\n[COM-Port]\r\n7\r\n");
        ini.close();
        auto program = start();
        QTRY_VERIFY(!program->inittimer().isActive());
        QCOMPARE(program->FMorvi().link().portName, QStringLiteral("COM7"));
        for (const char *item : {"COM11", "COM21", "COM31", "COM41"})
            QVERIFY(!program->FMorvi().findChild<QAction *>(item)->isChecked());
    }

    void savingAndLoadingFromTheMenu()
    {
        auto script = std::make_unique<test::ScriptedDialogs>();
        test::ScriptedDialogs *dialogs = script.get();
        auto program = start(std::move(script));
        QTRY_VERIFY(!program->inittimer().isActive());
        ui::TFMorvi &w = program->FMorvi();
        w.editor().image[95] = 24;
        w.editor().keyClassFlags[0].set(KeyClass::GroupSelect, true);
        const QString path = dir.filePath("sender.txc");
        dialogs->answers = {path, path};
        w.findChild<QAction *>("Speichern1")->trigger();
        QVERIFY(QFile::exists(path));

        w.editor().image[95] = 40;
        w.editor().keyClassFlags[0] = {};
        w.setDiscardQuestion([](const QString &) { return true; });
        w.findChild<QAction *>("Laden1")->trigger();
        QCOMPARE(int(w.editor().image[95]), 24);
        QVERIFY(w.editor().keyClassFlags[0].has(KeyClass::GroupSelect));
        QCOMPARE(w.findChild<QLineEdit *>("codelength")->text(), QStringLiteral(" 24"));
        QVERIFY(w.findChild<QTextEdit *>("MInfo")->toPlainText().contains("geladen !"));
        QCOMPARE(w.link().fileName, path);
    }

    void startupProbesThePorts()
    {
        tools::TxEmulator transmitter;
        auto program = start(std::make_unique<test::ScriptedDialogs>(),
                             serialLink(QString::fromStdString(transmitter.slavePath())));
        ui::TFMorvi &w = program->FMorvi();
        QTRY_VERIFY(!program->inittimer().isActive());
        for (int n = 1; n <= 4; ++n)
            QCOMPARE(w.findChild<QAction *>(QStringLiteral("COM%1").arg(n) + '1')->isEnabled(), n == 2);
        QCOMPARE(w.linkStatusText(), QStringLiteral("COM1 (f)"));

        w.findChild<QAction *>("COM21")->trigger();
        QCOMPARE(w.linkStatusText(), QStringLiteral("COM2"));
        QVERIFY(w.findChild<QAction *>("COM21")->isChecked());
        QVERIFY(w.findChild<QTextEdit *>("MInfo")->toPlainText().contains("gewählter COM-Port: COM2"));
    }

    void readingAndProgrammingThroughTheWindow()
    {
        // A transmitter holding a valid configuration with a 24-bit code.
        Editor stored;
        stored.resetImage();
        stored.image[95] = 24;
        stored.keyClassFlags[0].set(KeyClass::FixedFunction, true);
        tools::TxEmulator transmitter(test::storedMemory(stored));

        auto program = start(std::make_unique<test::ScriptedDialogs>(),
                             serialLink(QString::fromStdString(transmitter.slavePath())));
        ui::TFMorvi &w = program->FMorvi();
        QTRY_VERIFY(!program->inittimer().isActive());
        w.findChild<QAction *>("COM21")->trigger();

        QTest::mouseClick(w.findChild<QPushButton *>("LeseButton"), Qt::LeftButton);
        QVERIFY(w.findChild<QWidget *>("PanProg")->isVisible());
        QTRY_VERIFY_WITH_TIMEOUT(!w.findChild<QWidget *>("PanProg")->isVisible(), 10000);
        QCOMPARE(w.findChild<QLineEdit *>("codelength")->text(), QStringLiteral(" 24"));
        QVERIFY(w.editor().keyClassFlags[0].has(KeyClass::FixedFunction));
        QVERIFY(w.findChild<QTextEdit *>("MInfo")->toPlainText().contains("Daten erfolgreich gelesen"));
        QTRY_VERIFY(!w.editor().changed());

        QStringList asked;
        w.setConfirm([&](const QString &question) {
            asked << question;
            return true;
        });
        test::typeAndLeave(&w, "codelength", "16", "BlitzTime");
        QVERIFY(w.editor().changed());
        QTest::mouseClick(w.findChild<QPushButton *>("ProgButton"), Qt::LeftButton);
        QCOMPARE(asked, QStringList{"Gerätekonfiguration überschreiben?"});
        QTRY_VERIFY_WITH_TIMEOUT(
            w.findChild<QTextEdit *>("MInfo")->toPlainText().contains("Daten erfolgreich übertragen"), 15000);
        QCOMPARE(int(transmitter.memory()[95]), 16);
        QTRY_VERIFY(!w.editor().changed());
        QVERIFY(!w.findChild<QWidget *>("PanProg")->isVisible());
    }

    // The program ends during a run: the run is logged as cut off, with the file's name.
    void endingDuringAProgrammingRunLogsIt()
    {
        tools::TxEmulator transmitter;
        transmitter.setAnswerDelay(20);
        const QString log = files::backupFolder() + '/' + files::programmingLogName;
        QFile::remove(log);
        {
            auto program = start(std::make_unique<test::ScriptedDialogs>(),
                                 serialLink(QString::fromStdString(transmitter.slavePath())));
            ui::TFMorvi &w = program->FMorvi();
            QTRY_VERIFY(!program->inittimer().isActive());
            w.findChild<QAction *>("COM21")->trigger();
            w.setConfirm([](const QString &) { return true; });
            QTest::mouseClick(w.findChild<QPushButton *>("ProgButton"), Qt::LeftButton);
            QTRY_VERIFY_WITH_TIMEOUT(program->transfer().writing() && !program->transfer().reading(), 15000);
        }
        const auto lines = files::readLinesFile(log);
        QVERIFY(lines && !lines->isEmpty());
        const QStringList entry = lines->last().split('\t');
        QCOMPARE(entry.size(), 5);
        QCOMPARE(entry[1], QStringLiteral("COM2"));
        QCOMPARE(entry[2], QStringLiteral("-")); // nothing loaded or saved yet
        QCOMPARE(entry[4], QStringLiteral("abgebrochen"));
    }

    void anAdapterPluggedInTakesOverTheLink()
    {
        test::FakeAdapter fake(QStringLiteral(MORVI_FAKE_FTD2XX_PATH));
        QVERIFY(fake.load());
        fake.reset();
        fake.add("QZK12345xyz");

        auto program =
            start(std::make_unique<test::ScriptedDialogs>(), serialLink(), QStringLiteral(MORVI_FAKE_FTD2XX_PATH));
        ui::TFMorvi &w = program->FMorvi();
        auto *info = w.findChild<QTextEdit *>("MInfo");
        QTRY_VERIFY_WITH_TIMEOUT(info->toPlainText().contains("USB-Adapter QZK12345 gefunden"), 5000);
        QVERIFY(info->toPlainText().contains("! RS232-Kommunikation deaktiviert !"));
        QVERIFY(info->toPlainText().contains("Zur Programmierung Aktivieradapter verwenden"));
        QCOMPARE(w.linkStatusText(), QStringLiteral(" USB "));
        QVERIFY(!w.findChild<QMenu *>("MKommunikation")->menuAction()->isEnabled());

        QVERIFY(fake.remove("QZK12345xyz"));
        QTRY_VERIFY_WITH_TIMEOUT(info->toPlainText().contains("! USB-Adapter QZK12345 nicht mehr gefunden !"), 5000);
        QCOMPARE(w.linkStatusText(), QStringLiteral("COM1 (f)"));
        QVERIFY(w.findChild<QMenu *>("MKommunikation")->menuAction()->isEnabled());
        fake.reset();
    }

    // The window closed in each phase of a programming run: the run is recorded
    // as abandoned while everything it uses is still there (the sanitizer build
    // would see a read of freed memory), and the program ends cleanly.
    void closingDuringARunEndsItCleanly_data()
    {
        QTest::addColumn<QString>("phase");
        QTest::newRow("read") << "read";
        QTest::newRow("write") << "write";
        QTest::newRow("verify") << "verify";
    }
    void closingDuringARunEndsItCleanly()
    {
        QFETCH(QString, phase);
        tools::TxEmulator transmitter;
        auto program = start(std::make_unique<test::ScriptedDialogs>(),
                             serialLink(QString::fromStdString(transmitter.slavePath())));
        ui::TFMorvi &w = program->FMorvi();
        QTRY_VERIFY(!program->inittimer().isActive());
        w.findChild<QAction *>("COM21")->trigger();
        w.setConfirm([](const QString &) { return true; });
        const QString log = files::backupFolder() + '/' + files::programmingLogName;
        QFile::remove(log);

        QTest::mouseClick(w.findChild<QPushButton *>("ProgButton"), Qt::LeftButton);
        link::Transfer &transfer = program->transfer();
        const auto inPhase = [&] {
            const bool there = phase == "read"    ? transfer.reading()
                               : phase == "write" ? transfer.writing() && !transfer.reading()
                                                  : transfer.verifying();
            return there && transfer.bytepos() > 5;
        };
        QTRY_VERIFY_WITH_TIMEOUT(inPhase(), 15000);
        QVERIFY(w.close());
        QVERIFY(!transfer.busy());
        program.reset();
        const auto lines = files::readLinesFile(log);
        QVERIFY(lines && !lines->isEmpty());
        QCOMPARE(lines->last().section('\t', 4), QStringLiteral("abgebrochen"));
    }

    void closingBeforeTheTimerWritesNoSettings()
    {
        auto program = start();
        program->FMorvi().close();
        QVERIFY(!QFile::exists(dir.filePath("morvi.ini")));
    }
};

QTEST_MAIN(StartupTest)
#include "test_startup.moc"
