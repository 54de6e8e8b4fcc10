// "Hilfe → Verbindung prüfen…" in the running program, opened and closed
// with real keys and clicks, against a system tree MORVI_SYSTEM_ROOT names.
#include "connection_check.h"
#include "connection_dialog.h"
#include "main_window.h"
#include "morvi_program.h"
#include "programming_record.h"
#include "scripted_dialogs.h"
#include "system_tree.h"

#include <QApplication>
#include <QClipboard>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTimer>
#include <QtTest>

using namespace morvi;

namespace {
const QString noLibrary = QStringLiteral("/nonexistent/libmorvi-adapter.so");
}

class ConnectionDialogTest : public QObject {
    Q_OBJECT
    test::SystemTree tree;
    QString startDir;

    std::unique_ptr<shell::MorviProgram> start()
    {
        auto serial = std::make_unique<link::SerialLink>(
            std::make_unique<link::PortMap>([] { return std::vector<link::SerialDevice>{}; }));
        auto program = std::make_unique<shell::MorviProgram>(
            shell::MorviProgram::Outside{std::make_unique<test::ScriptedDialogs>(), std::move(serial), noLibrary});
        program->FMorvi().setBeepSound([] {});
        program->FMorvi().show();
        QApplication::setActiveWindow(&program->FMorvi());
        if (!QTest::qWaitForWindowActive(&program->FMorvi())) qWarning("main window did not become active");
        return program;
    }

private slots:
    void initTestCase()
    {
        startDir = QDir::currentPath();
        tree.write("/work/morvi-ports.ini", "COM2=\nCOM3=\nCOM4=\n");
        tree.write("/usr/lib/udev/rules.d/85-brltty.rules", "ENV{PRODUCT}==\"403/6001/*\", GOTO=\"run\"\n");
        QDir::setCurrent(tree.path("/work"));
        qputenv("MORVI_SYSTEM_ROOT", tree.root().toUtf8());
    }
    void cleanupTestCase() { QDir::setCurrent(startDir); }

    void menuOpensTheReport_data()
    {
        QTest::addColumn<bool>("byEscape");
        QTest::newRow("closed by Escape") << true;
        QTest::newRow("closed by Schließen") << false;
    }
    void menuOpensTheReport()
    {
        QFETCH(bool, byEscape);
        auto program = start();
        QTRY_VERIFY(!program->inittimer().isActive());
        const QString expected = link::reportText(link::connectionCheck(
            link::systemCheckInputs(QDir::current().filePath("morvi-ports.ini"), noLibrary, files::backupFolder())));
        QVERIFY(expected.contains("Fehler  brltty: die Regel /usr/lib/udev/rules.d/85-brltty.rules nennt"));
        QApplication::clipboard()->clear();

        QString shown, copied, title;
        bool closed = false;
        QTimer poll;
        connect(&poll, &QTimer::timeout, this, [&] {
            auto *dialog = qobject_cast<ui::TFVerbindung *>(QApplication::activeModalWidget());
            if (!dialog || !QTest::qWaitForWindowActive(dialog)) return;
            poll.stop();
            title = dialog->windowTitle();
            shown = dialog->findChild<QPlainTextEdit *>("report")->toPlainText();
            QTest::mouseClick(dialog->findChild<QPushButton *>("Kopieren"), Qt::LeftButton);
            copied = QApplication::clipboard()->text();
            if (byEscape)
                QTest::keyClick(dialog, Qt::Key_Escape);
            else
                QTest::mouseClick(dialog->findChild<QPushButton *>("Schliessen"), Qt::LeftButton);
            closed = !dialog->isVisible();
        });
        poll.start(50);
        QTest::keyClick(&program->FMorvi(), Qt::Key_H, Qt::AltModifier);
        QMenu *menu = program->FMorvi().findChild<QMenu *>("MHilfeMenu");
        QTRY_VERIFY(menu->isVisible());
        QTest::keyClick(menu, Qt::Key_V);
        QTRY_VERIFY(closed);
        QCOMPARE(title, QStringLiteral("Verbindung prüfen"));
        QCOMPARE(shown, expected);
        QCOMPARE(copied, expected);
        QVERIFY(!QApplication::activeModalWidget());
    }

    void f1OpensTheHelp()
    {
        auto program = start();
        QTRY_VERIFY(!program->inittimer().isActive());
        QString opened;
        QTimer::singleShot(0, this, [&] {
            QWidget *dialog = QApplication::activeModalWidget();
            if (!dialog) return;
            opened = dialog->objectName();
            dialog->close();
        });
        QTest::keyClick(&program->FMorvi(), Qt::Key_F1);
        QCOMPARE(opened, QStringLiteral("helpform"));
    }
};

QTEST_MAIN(ConnectionDialogTest)
#include "test_connection_dialog.moc"
