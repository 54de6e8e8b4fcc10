#include "system_view.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <algorithm>
#include <map>

#include <grp.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

namespace morvi::link {

namespace {

// The raw target of a symbolic link; empty when the file is none.
QString linkTarget(const QString &file)
{
    char buffer[4096];
    const ssize_t n = ::readlink(QFile::encodeName(file).constData(), buffer, sizeof buffer - 1);
    return n > 0 ? QFile::decodeName(QByteArray(buffer, int(n))) : QString();
}

QString baseName(const QString &path) { return path.section(QLatin1Char('/'), -1); }

bool allDigits(const QString &text)
{
    return !text.isEmpty() && std::all_of(text.begin(), text.end(), [](QChar c) { return c.isDigit(); });
}

// The fields of each line of /etc/group: name, password, id, members.
std::vector<QStringList> groupLines(const SystemView &view)
{
    QFile file(view.file(QStringLiteral("/etc/group")));
    std::vector<QStringList> lines;
    if (!file.open(QIODevice::ReadOnly)) return lines;
    for (const QByteArray &line : file.readAll().split('\n')) {
        const QStringList fields = QString::fromUtf8(line).split(QLatin1Char(':'));
        if (fields.size() >= 4) lines.push_back(fields);
    }
    return lines;
}

} // namespace

Identity Identity::process()
{
    Identity who;
    who.isProcess = true;
    who.uid = ::geteuid();
    who.groups << ::getegid();
    std::vector<gid_t> groups(std::max(0, ::getgroups(0, nullptr)));
    const int n = ::getgroups(int(groups.size()), groups.data());
    for (int i = 0; i < n; ++i)
        if (!who.groups.contains(groups[std::size_t(i)])) who.groups << groups[std::size_t(i)];
    std::vector<char> buffer(16384);
    passwd entry{};
    passwd *found = nullptr;
    if (::getpwuid_r(who.uid, &entry, buffer.data(), buffer.size(), &found) == 0 && found)
        who.user = QString::fromLocal8Bit(found->pw_name);
    return who;
}

SystemView::SystemView(QString root) : root_(root.isEmpty() ? QStringLiteral("/") : QDir::cleanPath(root)) {}

QString SystemView::file(const QString &path) const
{
    return isLiveSystem() ? path : root_ + QLatin1Char('/') + QDir::cleanPath(path).mid(1);
}

bool SystemView::exists(const QString &path) const { return QFileInfo::exists(file(resolved(path))); }

QString SystemView::firstLine(const QString &path) const
{
    QFile f(file(path));
    if (!f.open(QIODevice::ReadOnly)) return {};
    return QString::fromUtf8(f.readLine(4096)).trimmed();
}

QString SystemView::resolved(const QString &path) const
{
    QString current = QDir::cleanPath(path);
    for (int hop = 0; hop < 16; ++hop) {
        const QString target = linkTarget(file(current));
        if (target.isEmpty()) break;
        current = QDir::cleanPath(target.startsWith(QLatin1Char('/'))
                                      ? target
                                      : current.section(QLatin1Char('/'), 0, -2) + QLatin1Char('/') + target);
    }
    return current;
}

DeviceAccess SystemView::access(const QString &path, const Identity &who) const
{
    const QString f = file(resolved(path));
    if (who.isProcess) return deviceAccess(f);
    struct stat st {};
    if (::stat(QFile::encodeName(f).constData(), &st) != 0) return DeviceAccess::missing;
    if (who.uid == 0) return DeviceAccess::allowed;
    mode_t needed = S_IROTH | S_IWOTH;
    if (st.st_uid == who.uid)
        needed = S_IRUSR | S_IWUSR;
    else if (who.groups.contains(st.st_gid))
        needed = S_IRGRP | S_IWGRP;
    return (st.st_mode & needed) == needed ? DeviceAccess::allowed : DeviceAccess::denied;
}

QString SystemView::owningGroup(const QString &path) const
{
    struct stat st {};
    if (::stat(QFile::encodeName(file(resolved(path))).constData(), &st) != 0) return {};
    const QString id = QString::number(st.st_gid);
    for (const QStringList &g : groupLines(*this))
        if (g[2] == id) return g[0];
    return id;
}

std::optional<unsigned> SystemView::groupId(const QString &group) const
{
    for (const QStringList &g : groupLines(*this))
        if (g[0] == group) return g[2].toUInt();
    return std::nullopt;
}

QStringList SystemView::groupMembers(const QString &group) const
{
    for (const QStringList &g : groupLines(*this))
        if (g[0] == group) return g[3].split(QLatin1Char(','), Qt::SkipEmptyParts);
    return {};
}

std::vector<SerialDevice> SystemView::serialDevices() const
{
    std::vector<SerialDevice> devices;
    const QString dir = file(QStringLiteral("/sys/class/tty"));
    for (const QString &name : QDir(dir).entryList(QDir::AllEntries | QDir::NoDotAndDotDot, QDir::Name)) {
        // Only ttys with a device behind them are hardware (not consoles or pseudo-terminals).
        if (!QFileInfo::exists(dir + QLatin1Char('/') + name + QStringLiteral("/device"))) continue;
        const bool usb = name.startsWith(QLatin1String("ttyUSB")) || name.startsWith(QLatin1String("ttyACM"));
        devices.push_back({QStringLiteral("/dev/") + name, usb});
    }
    return devices;
}

QString SystemView::ttyDriver(const QString &ttyName) const
{
    return baseName(linkTarget(file(QStringLiteral("/sys/class/tty/%1/device/driver").arg(ttyName))));
}

std::optional<int> SystemView::latencyTimer(const QString &ttyName) const
{
    bool ok = false;
    const int ms = firstLine(QStringLiteral("/sys/bus/usb-serial/devices/%1/latency_timer").arg(ttyName)).toInt(&ok);
    return ok ? std::optional<int>(ms) : std::nullopt;
}

std::vector<UsbDevice> SystemView::usbDevices() const
{
    std::vector<UsbDevice> devices;
    const QString base = QStringLiteral("/sys/bus/usb/devices/");
    const QStringList names = QDir(file(base)).entryList(QDir::AllEntries | QDir::NoDotAndDotDot, QDir::Name);
    for (const QString &name : names) {
        if (name.contains(QLatin1Char(':'))) continue; // an interface, listed with its device
        UsbDevice d;
        d.name = name;
        d.vendor = firstLine(base + name + QStringLiteral("/idVendor")).toLower();
        d.product = firstLine(base + name + QStringLiteral("/idProduct")).toLower();
        if (d.vendor.isEmpty()) continue;
        d.serial = firstLine(base + name + QStringLiteral("/serial"));
        d.node = QStringLiteral("/dev/bus/usb/%1/%2")
                     .arg(firstLine(base + name + QStringLiteral("/busnum")).toInt(), 3, 10, QLatin1Char('0'))
                     .arg(firstLine(base + name + QStringLiteral("/devnum")).toInt(), 3, 10, QLatin1Char('0'));
        for (const QString &other : names)
            if (other.startsWith(name + QLatin1Char(':'))) {
                const QString driver = baseName(linkTarget(file(base + other + QStringLiteral("/driver"))));
                if (!driver.isEmpty() && !d.drivers.contains(driver)) d.drivers << driver;
            }
        devices.push_back(d);
    }
    return devices;
}

std::vector<ProcessRef> SystemView::processes() const
{
    std::vector<ProcessRef> list;
    for (const QString &pid : QDir(file(QStringLiteral("/proc"))).entryList(QDir::Dirs | QDir::NoDotAndDotDot))
        if (allDigits(pid)) list.push_back({pid.toInt(), firstLine(QStringLiteral("/proc/%1/comm").arg(pid))});
    return list;
}

std::vector<ProcessRef> SystemView::holders(const QString &device) const
{
    const QString target = resolved(device);
    std::vector<ProcessRef> found;
    for (const ProcessRef &p : processes()) {
        if (isLiveSystem() && p.pid == ::getpid()) continue;
        // Other users' descriptors stay hidden unless we are root.
        const QString fds = file(QStringLiteral("/proc/%1/fd").arg(p.pid));
        for (const QString &fd : QDir(fds).entryList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot))
            if (linkTarget(fds + QLatin1Char('/') + fd) == target) {
                found.push_back(p);
                break;
            }
    }
    return found;
}

std::optional<SystemView::Lock> SystemView::lock(const QString &device) const
{
    const QString name = baseName(resolved(device));
    for (const char *dir : {"/run/lock", "/var/lock"}) {
        const QString path = QStringLiteral("%1/LCK..%2").arg(QLatin1String(dir), name);
        if (!QFileInfo::exists(file(path))) continue;
        Lock lock;
        lock.file = path;
        lock.owner.pid = firstLine(path).toInt();
        // The program's own lock while it has the port open is no obstacle.
        if (isLiveSystem() && lock.owner.pid == ::getpid()) return std::nullopt;
        lock.alive = lock.owner.pid > 0 && exists(QStringLiteral("/proc/%1").arg(lock.owner.pid));
        if (lock.alive) lock.owner.command = firstLine(QStringLiteral("/proc/%1/comm").arg(lock.owner.pid));
        return lock;
    }
    return std::nullopt;
}

std::vector<std::pair<QString, QString>> SystemView::udevRules() const
{
    // Highest precedence first; /lib is /usr/lib on merged systems and counts after it.
    const char *const dirs[] = {"/etc/udev/rules.d", "/run/udev/rules.d", "/usr/local/lib/udev/rules.d",
                                "/usr/lib/udev/rules.d", "/lib/udev/rules.d"};
    std::map<QString, QString> rules; // empty path: masked
    for (const char *dir : dirs) {
        const QString folder = QString::fromLatin1(dir);
        for (const QFileInfo &info :
             QDir(file(folder)).entryInfoList({QStringLiteral("*.rules")}, QDir::Files | QDir::System)) {
            if (rules.count(info.fileName())) continue;
            const QString path = folder + QLatin1Char('/') + info.fileName();
            const bool masked = info.size() == 0 || linkTarget(info.filePath()) == QLatin1String("/dev/null");
            rules[info.fileName()] = masked ? QString() : path;
        }
    }
    std::vector<std::pair<QString, QString>> effective;
    for (const auto &[name, path] : rules)
        if (!path.isEmpty()) effective.emplace_back(name, path);
    return effective;
}

} // namespace morvi::link
