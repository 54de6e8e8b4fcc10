#pragma once

#include "port_resolver.h"

#include <QString>
#include <QStringList>
#include <functional>
#include <vector>

namespace morvi::link {

// A serial device the system has.
struct SerialDevice {
    QString path;
    bool usb = false; // a USB converter rather than a port on the board
};
using SerialDeviceList = std::function<std::vector<SerialDevice>()>;

// The serial devices the system really has; ports on the board that exist
// only as device files are left out.
std::vector<SerialDevice> systemSerialDevices();

// The file beside the settings file that ties port names to devices, one
// "COMn=device" line each. It is only ever read.
inline constexpr const char *portMapFileName = "morvi-ports.ini";

// Port name and device of every well-formed line: "COMn=device" with blanks
// around either side allowed and the name in any letter case; "COMn=" leaves
// the port without a device. Empty lines, lines starting with '#' or ';' and
// malformed lines are skipped; a later line for the same name wins.
QMap<QString, QString> parsePortMap(const QStringList &lines);

// COM1..COM4 for the devices: the names the mapping gives, the others in turn
// from the devices it does not name, USB converters first (ttyUSB before
// other kinds), each kind in the order of their numbers. Any other "COMn" of
// the mapping is taken as it stands.
PortResolver resolvePorts(std::vector<SerialDevice> devices, const QMap<QString, QString> &mapping);

// The mapping as it is now: the system's devices and the mapping file, both
// read anew at every call. A missing or unreadable file maps nothing.
class PortMap {
public:
    explicit PortMap(SerialDeviceList devices = systemSerialDevices) : devices_(std::move(devices)) {}

    // No file until start-up knows where the settings file lies.
    void setFile(const QString &path) { file_ = path; }
    QString file() const { return file_; }
    // The ports the file names, with their devices.
    QMap<QString, QString> mapping() const;
    PortResolver resolve() const;

private:
    SerialDeviceList devices_;
    QString file_;
};

} // namespace morvi::link
