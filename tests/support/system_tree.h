#pragma once

// A system's files below a temporary folder, as the connection check reads
// them: a well-set-up machine with an FTDI serial cable on ttyUSB0 and the
// programming adapter on the bus, which tests then spoil one thing at a time.
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <sys/stat.h>
#include <unistd.h>

namespace morvi::test {

class SystemTree {
public:
    SystemTree()
    {
        write("/etc/group", QStringLiteral("dialout:x:%1:\n").arg(::getegid()).toUtf8());
        // The cable: a tty with its USB-serial driver and latency timer.
        write("/dev/ttyUSB0", {}, 0660);
        mkdir("/sys/class/tty/ttyUSB0/device");
        link("/sys/class/tty/ttyUSB0/device/driver", "../../../../bus/usb-serial/drivers/ftdi_sio");
        write("/sys/bus/usb-serial/devices/ttyUSB0/latency_timer", "1\n");
        link("/dev/serial/by-id/usb-FTDI_FT232R-if00-port0", "../../ttyUSB0");
        usbDevice("1-1", "6001", "A50285BI", 2);
        // The adapter, open to the user at the seat as the udev rule makes it.
        usbDevice("1-2", "6001", "QZK00017", 3);
        write("/dev/bus/usb/001/003", {}, 0666);
        QFile rule(QStringLiteral(MORVI_UDEV_RULE_PATH));
        rule.open(QIODevice::ReadOnly);
        write("/usr/lib/udev/rules.d/70-morvi-usb-adapter.rules", rule.readAll());
        mkdir("/proc/1");
        write("/proc/1/comm", "systemd\n");
    }

    QString root() const { return dir_.path(); }
    QString path(const QString &systemPath) const { return dir_.path() + systemPath; }

    void write(const QString &systemPath, const QByteArray &content, int mode = 0644)
    {
        QDir().mkpath(QFileInfo(path(systemPath)).path());
        QFile file(path(systemPath));
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(content) != content.size())
            qFatal("cannot write %s", qPrintable(systemPath));
        file.close();
        ::chmod(QFile::encodeName(path(systemPath)).constData(), mode_t(mode));
    }
    void mkdir(const QString &systemPath) { QDir().mkpath(path(systemPath)); }
    void link(const QString &systemPath, const QString &target)
    {
        QDir().mkpath(QFileInfo(path(systemPath)).path());
        QFile::remove(path(systemPath));
        if (::symlink(QFile::encodeName(target).constData(), QFile::encodeName(path(systemPath)).constData()) != 0)
            qFatal("cannot link %s", qPrintable(systemPath));
    }
    void remove(const QString &systemPath) { QFile::remove(path(systemPath)); }
    void chmod(const QString &systemPath, int mode)
    {
        ::chmod(QFile::encodeName(path(systemPath)).constData(), mode_t(mode));
    }
    // A process by its command name, with the devices it holds open.
    void process(int pid, const QString &command, const QStringList &open = {})
    {
        write(QStringLiteral("/proc/%1/comm").arg(pid), (command + '\n').toUtf8());
        for (int fd = 0; fd < open.size(); ++fd)
            link(QStringLiteral("/proc/%1/fd/%2").arg(pid).arg(fd + 3), open[fd]);
    }
    // An FTDI device on bus 1 whose first interface the serial driver holds.
    void usbDevice(const QString &name, const QString &product, const QString &serial, int devnum)
    {
        const QString dir = QStringLiteral("/sys/bus/usb/devices/") + name;
        write(dir + "/idVendor", "0403\n");
        write(dir + "/idProduct", (product + '\n').toUtf8());
        write(dir + "/serial", (serial + '\n').toUtf8());
        write(dir + "/busnum", "1\n");
        write(dir + "/devnum", QByteArray::number(devnum) + '\n');
        link(dir + ":1.0/driver", "../../../../bus/usb/drivers/ftdi_sio");
    }

private:
    QTemporaryDir dir_;
};

} // namespace morvi::test
