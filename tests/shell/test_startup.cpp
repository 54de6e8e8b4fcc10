// Start-up in its two stages, the settings it reads and writes, and shut-down.
#include "main_window.h"
#include "german_dialogs.h"
#include "fake_adapter.h"
#include "program_start.h"
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

class StartupTest : public QObject, private test::ProgramStart {
    Q_OBJECT
private slots:
    void initTestCase() { QVERIFY(prepare()); }
    void init() { enter(); }
    void cleanup() { leave(); }

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

    void closingBeforeTheTimerWritesNoSettings()
    {
        auto program = start();
        program->FMorvi().close();
        QVERIFY(!QFile::exists(dir.filePath("morvi.ini")));
    }
};

QTEST_MAIN(StartupTest)
#include "test_startup.moc"
