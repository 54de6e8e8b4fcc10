#pragma once

#include "console_reporter.h"
#include "editor.h"
#include "file_programming_recorder.h"
#include "device_links.h"
#include "signal_watch.h"
#include "transfer_host.h"

#include <QJsonArray>
#include <QJsonObject>
#include <QString>
#include <QTextStream>
#include <csignal>
#include <memory>

namespace morvi::cli {

// Which transmitter a command talks to: one of the serial ports, or the USB adapter.
struct DeviceTarget {
    QString portName = QStringLiteral("COM1");
    bool adapter = false;
    QString adapterLibrary; // empty: the system's adapter library
    bool fast = false;      // the adapter's fast exchange
    // "COM1", "USB" or "USB schnell", as the program's records name the link.
    QString linkName() const
    {
        if (!adapter) return portName;
        return fast ? QStringLiteral("USB schnell") : QStringLiteral("USB");
    }
};

// The transfers of the window, run from a terminal: the same link
// composition (DeviceLinks), with a host that asks on the terminal and draws a
// progress bar there instead of the window's progress panel.
class DeviceSession : private link::TransferHost {
public:
    DeviceSession(Editor &editor, ConsoleReporter &reporter, QTextStream &err, const DeviceTarget &target,
                  bool assumeYes);
    ~DeviceSession() override;

    // Finds the adapter when it is the target; false with one line when it is not there.
    bool connect();
    // The port names with their devices and whether each opens; the adapter
    // when it is the target (searched once).
    QJsonObject ports();
    // "Auslesen" and "Programmieren", each run to its end.
    ProgrammingOutcome read();
    ProgrammingOutcome program(const QString &configName);
    // The signal (SIGINT, SIGTERM, SIGHUP) that cut the last transfer off; 0 if none did.
    int interruptedBy() const { return interruptedBy_; }
    // Whether the question before programming was answered no.
    bool declined() const { return declined_; }

private:
    ProgrammingOutcome runUntilEnded();

    SendBoxes sendBoxes() const override;
    void showdata() override {}
    void applyDerivedState(const DerivedState &) override {}
    bool confirm(const std::string &question) override;
    void setFocus(Button) override {}
    void showPanProg(bool visible) override;
    void setLaction(const std::string &text) override;
    void setGauge(int percent) override;
    void showGaugeGesamt(bool) override {}
    void setGaugeGesamt(int percent) override;
    void drawProgress();
    void endBar();
    // What programs the backup back, as a command to paste.
    QString restoreCommand(const QString &backup) const;

    Editor &editor_;
    ConsoleReporter &reporter_;
    QTextStream &err_;
    DeviceTarget target_;
    bool assumeYes_;
    bool declined_ = false;
    QString configName_;
    // A bar only on a terminal; none when the output goes to a file or a pipe.
    bool drawBar_;
    bool barShown_ = false;
    QString action_;
    int percent_ = 0;
    // Watches while a transfer runs; outside one the signals end the tool as usual.
    shell::SignalWatch signals_{SIGINT, SIGTERM, SIGHUP};
    int interruptedBy_ = 0;

    // Outlives the links, whose transfer records a run cut off by the end;
    // it reads configName_.
    std::unique_ptr<files::FileProgrammingRecorder> recorder_;
    std::unique_ptr<link::DeviceLinks> links_;
};

} // namespace morvi::cli
