// Start-up in its two stages, and shut-down.
#include "main_window.h"
#include "morvi_program.h"
#include "system_dialog.h"
#include "web_page.h"

#include <QAction>
#include <QMenu>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTextEdit>
#include <QtTest>

using namespace morvi;

class StartupTest : public QObject {
    Q_OBJECT
    QTemporaryDir dir;
    QString startDir;

    static std::unique_ptr<shell::MorviProgram> start()
    {
        auto program = std::make_unique<shell::MorviProgram>();
        program->FMorvi().setBeepSound([] {});
        program->FMorvi().show();
        QApplication::setActiveWindow(&program->FMorvi());
        if (!QTest::qWaitForWindowActive(&program->FMorvi())) qWarning("main window did not become active");
        return program;
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
        QDir::setCurrent(startDir);
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
        QCOMPARE(w.pos(), shell::mainDesignPosition);
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
    }

    void menuItemsOpenTheirDialogs_data()
    {
        QTest::addColumn<QString>("item");
        QTest::addColumn<QString>("dialog");
        QTest::newRow("system") << "MSystem" << "Fsystem";
        QTest::newRow("help") << "MHilfe" << "helpform";
        QTest::newRow("waitstates") << "Mwaitstates" << "Fwaitstates";
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
        QCOMPARE(program->Fsystem().pos(), shell::systemDesignPosition);
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

    void closingBeforeTheTimerWritesNoSettings()
    {
        auto program = start();
        program->FMorvi().close();
        QVERIFY(!QFile::exists(dir.filePath("morvi.ini")));
    }
};

QTEST_MAIN(StartupTest)
#include "test_startup.moc"
