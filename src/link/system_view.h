#pragma once

#include "port_failure.h"
#include "port_map.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <optional>
#include <vector>

namespace morvi::link {

// Who asks: the user whose rights decide what may be opened.
struct Identity {
    unsigned uid = 0;
    QList<unsigned> groups; // the primary group and the supplementary ones
    QString user;
    // The running process itself: the kernel decides its rights (ACLs and
    // capabilities included). Otherwise the owner, group and mode bits do.
    bool isProcess = false;

    static Identity process();
};

// A device on the USB bus, as sysfs lists it.
struct UsbDevice {
    QString name;        // "1-1.2"
    QString vendor;      // "0403", lower case
    QString product;     // "6001"
    QString serial;      // empty when the device has none
    QString node;        // "/dev/bus/usb/001/005"
    QStringList drivers; // the kernel drivers bound to its interfaces
};

// A process, as /proc shows it.
struct ProcessRef {
    int pid = 0;
    QString command; // "ModemManager"
};

// The system as its files show it below one root folder: /sys, /dev, /proc,
// /run, /etc/group and the udev rule folders. "/" is the running system;
// tests build trees of their own. Paths in and out are the system's paths
// ("/dev/ttyUSB0"), never the tree's.
class SystemView {
public:
    explicit SystemView(QString root);

    bool isLiveSystem() const { return root_ == QLatin1String("/"); }
    // The file in the tree for a system path.
    QString file(const QString &path) const;
    bool exists(const QString &path) const;
    // The first line of a file, trimmed; empty when it cannot be read.
    QString firstLine(const QString &path) const;
    // Symbolic links followed inside the tree (by-id names lead to ttyUSB0).
    QString resolved(const QString &path) const;

    DeviceAccess access(const QString &path, const Identity &who) const;
    // The name of the group that owns the file, or its number.
    QString owningGroup(const QString &path) const;
    // The numeric id of a group and its listed members, from /etc/group.
    std::optional<unsigned> groupId(const QString &group) const;
    QStringList groupMembers(const QString &group) const;

    // The serial devices below /sys/class/tty that stand for hardware (used
    // for trees; the running system asks the port layer the program uses).
    std::vector<SerialDevice> serialDevices() const;
    // "ftdi_sio" for ttyUSB0; empty when the device has no driver link.
    QString ttyDriver(const QString &ttyName) const;
    std::optional<int> latencyTimer(const QString &ttyName) const;
    std::vector<UsbDevice> usbDevices() const;

    std::vector<ProcessRef> processes() const;
    // Other processes with the device open (as far as /proc lets us see).
    std::vector<ProcessRef> holders(const QString &device) const;
    // The process named in the device's lock file, and whether it still runs;
    // none for this process's own lock.
    struct Lock {
        QString file;
        ProcessRef owner;
        bool alive = false;
    };
    std::optional<Lock> lock(const QString &device) const;

    // The udev rules in effect: one per file name, the folder of highest
    // precedence winning; a rule masked by an empty file or a link to
    // /dev/null is left out. Name and system path of each.
    std::vector<std::pair<QString, QString>> udevRules() const;

private:
    QString root_;
};

} // namespace morvi::link
