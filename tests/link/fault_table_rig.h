#pragma once

// The fault table's rig: one program's link objects on a transmitter reached
// over the serial link or the adapter, the faults it can strike with, and the
// info-window lines the rows expect.
#include "config_file_actions.h"
#include "d2xx_unit.h"
#include "device_links.h"
#include "config_file.h"
#include "file_programming_recorder.h"
#include "adapter_backend.h"
#include "line_text.h"
#include "link_test_support.h"
#include "qserial_port.h"
#include "qt_string.h"
#include "recording_reporter.h"
#include "scripted_dialogs.h"
#include "serial_link.h"
#include "serial_transport.h"
#include "transfer.h"
#include "tx_emulator.h"
#include "usb_exchange.h"
#include "usb_link.h"

#include <QDir>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QThread>
#include <QTest>
#include <algorithm>
#include <memory>
#include <utility>

enum class Via { serial, usb, usbFast };
enum class Fault {
    none,
    silent,
    vanish,
    wrongEcho,
    fadingCell,
    slow,
    secondRead,
    secondProgram,
    menu,
    save,
    close,
    noBackup,
    slowBackup,
    // The transmitter acknowledges its last write with one more byte (present,
    // absent, or trailing the block's other answers) instead of answering the
    // reads after it one place late.
    ack,
    noAck,
    lateAck
};
// What the editor holds after the row's transfer.
enum class Held { before, user, transmitter, nothing };
Q_DECLARE_METATYPE(Via)
Q_DECLARE_METATYPE(morvi::link::Run)
Q_DECLARE_METATYPE(Fault)
Q_DECLARE_METATYPE(Held)

namespace morvi::test::fault_rig {

using namespace morvi::link;
using tools::TxEmulator;

inline FakeAdapter fake{fakeVendorPath};
inline constexpr char adapterSerial[] = "QZK00042";
inline constexpr int runTimeoutMs = 20000;
inline constexpr std::uint8_t fadedValue = 99;

inline QString line(const std::string &text, Rgb colour, int option)
{
    return QStringLiteral("%1 | #%2 | %3").arg(qs(text)).arg(colour, 6, 16, QChar('0')).arg(option);
}

inline QStringList lines(const std::vector<Report> &reports)
{
    QStringList list;
    for (const Report &r : reports)
        list << line(r.text, r.colour, r.option);
    return list;
}

inline QStringList timeout(int byte)
{
    QStringList l{line("Übertragungsfehler bei Byte " + std::to_string(byte), colour::red, option::timeStamp)};
    if (byte == 0) l << line("    ! Verbindung prüfen !", colour::red, option::blankAfter);
    return l;
}

inline const QStringList adapterGone{
    line(std::string("! USB-Adapter ") + adapterSerial + " nicht mehr gefunden !", colour::red, option::timeStamp),
    line("RS232-Kommunikation wieder aktiviert !", colour::green, 0)};
inline const QStringList readOk{line("Daten erfolgreich gelesen", colour::green, option::block)};
inline const QStringList programOk{line("Daten erfolgreich übertragen", colour::green, option::block)};
// Stands for the verify errors of a read-back taken one address early.
inline const QString shiftedVerify = QStringLiteral("<shifted verify>");

// The program's record of programming runs, watched: was the transmitter
// still untouched when the first backup was taken?
struct WatchedRecorder : ProgrammingRecorder {
    files::FileProgrammingRecorder files;
    std::function<bool()> untouched;
    // A slow disk: the backup blocks the program this long.
    int backupDelayMs = 0;
    std::function<void()> onBackup;
    int backups = 0;
    bool firstBackupBeforeAnyWrite = false;
    // Runs that took a backup, and so began to write, and did not succeed.
    int failedAfterWriting = 0;
    bool backedUp = false;

    WatchedRecorder(Reporter &reporter, const QString &folder, std::function<bool()> transmitterUntouched)
        : files(
              reporter, [] { return QStringLiteral("/configs/rig.txc"); }, folder),
          untouched(std::move(transmitterUntouched))
    {
    }
    bool backupBeforeWrite(const ConfigImage &memory, const std::string &linkName) override
    {
        if (backups++ == 0) firstBackupBeforeAnyWrite = untouched();
        if (onBackup) onBackup();
        QThread::msleep(static_cast<unsigned long>(backupDelayMs));
        backedUp = files.backupBeforeWrite(memory, linkName);
        return backedUp;
    }
    void programmingEnded(const std::string &linkName, std::uint8_t checksum,
                          const ProgrammingOutcome &outcome) override
    {
        files.programmingEnded(linkName, checksum, outcome);
        if (std::exchange(backedUp, false) && outcome.kind != ProgrammingOutcome::Kind::success) ++failedAfterWriting;
    }
};

// One program's link objects, the program's own composition, on one
// transmitter reached over the serial link or the adapter.
struct Rig {
    Via via;
    RecordingReporter reporter;
    RecordingHost host;
    Editor editor;
    test::ScriptedDialogs dialogs;
    QStringList memo1;
    std::unique_ptr<TxEmulator> emulator;
    Memory unplugged{}; // the memory of a transmitter whose terminal is gone
    Memory original;
    QTemporaryDir records;
    QString recordFolder = records.path();
    std::unique_ptr<WatchedRecorder> recorder;
    std::unique_ptr<DeviceLinks> links;
    // Its parts; null once the window is closed.
    SerialLink *serial = nullptr;
    Transfer *transfer = nullptr;
    UsbLink *usb = nullptr;
    UsbExchange *exchange = nullptr;
    std::unique_ptr<files::ConfigFileActions> fileActions;

    Rig(Via v, const Memory &memory, const QString &backupFolder = {}) : via(v), original(memory)
    {
        if (!backupFolder.isEmpty()) recordFolder = backupFolder;
        fake.reset();
        if (via == Via::serial) {
            emulator = std::make_unique<TxEmulator>(memory);
        } else {
            fake.add(adapterSerial);
            fake.attach(memory.data());
            // The transmitter behind the adapter answers reads after writes one request late.
            fake.fault("lag", 0, 0xEE);
        }
        editor.resetImage();
        start();
    }
    ~Rig() { closeWindow(); }

    PortResolver resolver() const
    {
        PortResolver r;
        for (int n = 1; n <= PortResolver::portCount; ++n)
            r.setDevice(n, QStringLiteral("/nonexistent/morvi-fault-port%1").arg(n));
        if (emulator) r.setDevice(1, QString::fromStdString(emulator->slavePath()));
        return r;
    }

    // The program starts: the probe, and the adapter search that finds the adapter if there is one.
    void start()
    {
        recorder = std::make_unique<WatchedRecorder>(reporter, recordFolder, [this] { return memory() == original; });
        links = std::make_unique<DeviceLinks>(editor, reporter, host,
                                              std::make_unique<SerialLink>(std::make_unique<QtSerialPort>(resolver())),
                                              test::backendLibrary(), recorder.get());
        serial = &links->serial();
        transfer = &links->transfer();
        usb = &links->usb();
        exchange = &links->exchange();
        exchange->setFast(via == Via::usbFast);
        fileActions = std::make_unique<files::ConfigFileActions>(editor, reporter, host, dialogs, memo1);
        usb->setAdapterprefix(QStringLiteral("QZK"));
        serial->MKommunikationClick();
        usb->timerUSBsearchTimer();
        usb->timerUSBsearch().stop();
        // The table is about faults, not pace; the fast exchange paces itself.
        if (via == Via::usb) {
            exchange->USBtimer().setInterval(4);
            exchange->eTimer().setInterval(3);
        }
        reporter.clear();
    }
    // The window closes: the program's link objects go, in the program's order.
    void closeWindow()
    {
        fileActions.reset();
        links.reset();
        serial = nullptr;
        transfer = nullptr;
        usb = nullptr;
        exchange = nullptr;
    }

    Memory memory() const
    {
        if (via != Via::serial) return fake.transmitter();
        return emulator ? emulator->memory() : unplugged;
    }
    void silentFrom(int n)
    {
        if (via == Via::serial)
            emulator->setSilentAfter(static_cast<std::size_t>(n));
        else
            fake.fault("silent", fake.requests() + n, 0);
    }
    void delay(int ms)
    {
        if (via == Via::serial)
            emulator->setAnswerDelay(ms);
        else
            fake.timing(ms, 0);
    }
    void wrongEcho(int address)
    {
        if (via == Via::serial)
            emulator->corruptAnswer(static_cast<std::uint8_t>(address), 0x01);
        else
            fake.fault("corrupt", 128 + address, 0xA5);
    }
    void fade(int address)
    {
        if (via == Via::serial)
            emulator->setFadingCell(static_cast<std::uint8_t>(address), fadedValue);
        else
            fake.fault("fade", address, fadedValue);
    }
    // The terminal closes, or the adapter is pulled and the presence check runs next.
    void vanish()
    {
        if (via == Via::serial) {
            unplugged = emulator->memory();
            emulator.reset();
        } else {
            fake.remove(adapterSerial);
            QTimer::singleShot(0, usb, [this] { usb->timerUSBsearchTimer(); });
        }
    }
    void replug()
    {
        if (via == Via::serial && !emulator) {
            emulator = std::make_unique<TxEmulator>(unplugged);
            static_cast<QtSerialPort &>(serial->port()).setResolver(resolver());
        }
        if (via != Via::serial && !usb->usbmode()) {
            fake.add(adapterSerial);
            usb->timerUSBsearchTimer();
            usb->timerUSBsearch().stop();
        }
    }
    // The last write's acknowledgement instead of the lagging read-back.
    void acknowledge(Fault fault)
    {
        const Memory m = fake.transmitter();
        fake.attach(m.data());
        constexpr int lastWrite = 128 + 125;
        if (fault == Fault::ack) fake.fault("extra", lastWrite, 0xEE);
        if (fault == Fault::lateAck) fake.fault("late", lastWrite, 0xEE);
    }
    void clearFaults()
    {
        if (via == Via::serial) {
            emulator->clearFaults();
        } else {
            const Memory m = fake.transmitter();
            fake.attach(m.data());
            fake.timing(0, 0);
        }
    }
    bool idle()
    {
        return !transfer->busy() && !transfer->RStimeout().isActive() && !exchange->USBtimer().isActive() &&
               !exchange->polltimer().isActive() && !exchange->eTimer().isActive() &&
               !transfer->serial().timerwaitstate().isActive() && !serial->inTransfer();
    }
};

// Something the editor holds that differs from the transmitter.
inline void fillEditor(Editor &editor)
{
    editor.image[0] = 0x77;
    editor.image[50] = 0x12;
    editor.image[114] = 9;
    editor.image[117] = 8;
}

} // namespace morvi::test::fault_rig
