#pragma once

#include "port_map.h"
#include "port_resolver.h"
#include "reporter.h"
#include "serial_port.h"

#include <QObject>
#include <QString>
#include <QTimer>
#include <array>
#include <cstdint>
#include <functional>
#include <memory>

namespace morvi::link {

class QtSerialPort;

// The serial link on COM1..COM4: port choice, the probe behind the
// "&Kommunikation" menu, opening for a transfer and the delayed close.
class SerialLink : public QObject {
    Q_OBJECT
public:
    static constexpr int portCount = PortResolver::portCount;
    static constexpr int closeDelayMs = 300;

    // The system's serial ports.
    explicit SerialLink(QObject *parent = nullptr);
    // The system's serial ports, tied to the port names by map.
    explicit SerialLink(std::unique_ptr<PortMap> map, QObject *parent = nullptr);
    explicit SerialLink(std::unique_ptr<SerialPort> port, QObject *parent = nullptr);
    ~SerialLink() override;

    // Null when the link was given its port ready-made.
    PortMap *portMap() { return portMap_.get(); }
    // Reads the port mapping anew (the system's devices and the mapping
    // file); the next open of the port uses it. Run before every probe and by
    // every transfer start, so a cable plugged in since is found.
    void refreshPorts();
    // "COMn: device" for the menu item of COMn (1..4).
    QString portTip(int n) const;
    // Where setupport says why a port did not open.
    void setReporter(Reporter *reporter) { reporter_ = reporter; }

    SerialPort &port() { return *port_; }
    QString portName() const { return port_->name(); }

    // Result of the last probe, COM1 at index 0; all clear before the first probe.
    const std::array<bool, portCount> &comavailable() const { return comavailable_; }
    // Whether the menu item of COMn (1..4) is enabled; all are before the first probe.
    bool portItemEnabled(int n) const;

    // The port probe: every port is closed, opened and closed again; the
    // selected name is kept and the port is left closed. While a transfer
    // runs over the port the probe leaves everything as it is.
    void MKommunikationClick();
    // Set by the serial transfer while it runs over the port.
    void setInTransfer(bool inTransfer) { inTransfer_ = inTransfer; }
    bool inTransfer() const { return inTransfer_; }
    // Whether the selected port may be used.
    bool comok() const { return comok(portName()); }
    bool comok(const QString &portName) const;
    // Opens the port auswahl for a transfer, with both buffers cleared.
    bool setupport(const QString &auswahl);
    // The transfer position that setupport puts back to 0.
    void setBytepos(std::uint8_t *bytepos) { bytepos_ = bytepos; }

    // Closes the port 300 ms after a transfer ended; every request or USB
    // block sent stops it, so no stall during a run can close the port.
    QTimer &timercloseport() { return timercloseport_; }
    void timercloseportTimer();
    // Run when timercloseport fires: stops the USB adapter's poll timer.
    void setStopUsbPoll(std::function<void()> stopUsbPoll) { stopUsbPoll_ = std::move(stopUsbPoll); }

    // COM11Click..COM41Click: selects COMn (1..4) and reports the choice.
    // The window moves the check mark and refreshes.
    void portChosen(int n, Reporter &reporter);

private:
    std::unique_ptr<PortMap> portMap_;
    QtSerialPort *mappedPort_ = nullptr;
    Reporter *reporter_ = nullptr;
    std::unique_ptr<SerialPort> port_;
    std::array<bool, portCount> comavailable_{};
    std::array<bool, portCount> itemEnabled_{true, true, true, true};
    std::uint8_t *bytepos_ = nullptr;
    bool inTransfer_ = false;
    QTimer timercloseport_;
    std::function<void()> stopUsbPoll_;
};

} // namespace morvi::link
