#pragma once

// The whole program started as a technician starts it, in a scratch folder
// of its own, for the tests of the running program.
#include "morvi_program.h"
#include "qserial_port.h"
#include "scripted_dialogs.h"
#include "tx_emulator.h"
#include "serial_link.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>
#include <memory>

namespace morvi::test {

class ProgramStart {
protected:
    QTemporaryDir dir;
    QString startDir;

    bool prepare()
    {
        startDir = QDir::currentPath();
        return dir.isValid();
    }
    void enter() { QDir::setCurrent(dir.path()); }
    void leave()
    {
        QFile::remove(dir.filePath("morvi.ini"));
        QFile::remove(dir.filePath("morvi-usb.ini"));
        QDir::setCurrent(startDir);
    }

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
    start(std::unique_ptr<ScriptedDialogs> dialogs = std::make_unique<ScriptedDialogs>(),
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

    // Started on COM2, where the emulated transmitter is, and asking nothing before programming.
    static std::unique_ptr<shell::MorviProgram> startedOnCom2(tools::TxEmulator &transmitter)
    {
        auto program =
            start(std::make_unique<test::ScriptedDialogs>(), serialLink(QString::fromStdString(transmitter.slavePath())));
        ui::TFMorvi &w = program->FMorvi();
        if (!QTest::qWaitFor([&] { return !program->inittimer().isActive(); })) qWarning("start-up did not finish");
        w.findChild<QAction *>("COM21")->trigger();
        w.setConfirm([](const QString &) { return true; });
        return program;
    }

    // Alt+F4 through the X server: the window manager closes the active window
    // as its close box does. Waits until the close has arrived.
    static void closeByWindowManager(QWidget &window, const QStringList &asked)
    {
        QCOMPARE(QProcess::execute(QStringLiteral("xdotool"), {"key", "alt+F4"}), 0);
        QTRY_VERIFY(!asked.isEmpty() || !window.isVisible());
    }
};

} // namespace morvi::test
