#include "port_failure.h"

#include "port_map.h"

#include <QFile>

#if defined(Q_OS_UNIX)
#include <cerrno>
#include <fcntl.h>
#include <grp.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>
#endif

namespace morvi::link {

namespace {

#if defined(Q_OS_UNIX)
// The group owning the device, which is the one that gives access to it ("dialout").
QString deviceGroup(const QString &path)
{
    struct stat st {};
    if (::stat(QFile::encodeName(path).constData(), &st) != 0) return QStringLiteral("dialout");
    std::vector<char> buffer(16384);
    group entry{};
    group *found = nullptr;
    if (::getgrgid_r(st.st_gid, &entry, buffer.data(), buffer.size(), &found) != 0 || !found)
        return QStringLiteral("dialout");
    return QString::fromLocal8Bit(found->gr_name);
}

QString userName()
{
    std::vector<char> buffer(16384);
    passwd entry{};
    passwd *found = nullptr;
    if (::getpwuid_r(::geteuid(), &entry, buffer.data(), buffer.size(), &found) != 0 || !found)
        return QStringLiteral("$USER");
    return QString::fromLocal8Bit(found->pw_name);
}
#endif

} // namespace

DeviceAccess deviceAccess(const QString &path)
{
#if defined(Q_OS_UNIX)
    // The effective user, groups and capabilities decide, as they do for open.
    if (::faccessat(AT_FDCWD, QFile::encodeName(path).constData(), R_OK | W_OK, AT_EACCESS) == 0)
        return DeviceAccess::allowed;
    switch (errno) {
    case ENOENT:
    case ENOTDIR: return DeviceAccess::missing;
    case EACCES:
    case EPERM:
    case EROFS: return DeviceAccess::denied;
    default: return DeviceAccess::allowed;
    }
#else
    return QFile::exists(path) ? DeviceAccess::allowed : DeviceAccess::missing;
#endif
}

QString openFailureText(const QString &portName, const QString &device, QSerialPort::SerialPortError error)
{
    if (device.isEmpty())
        return QStringLiteral("%1 ist keinem Gerät zugeordnet (Zuordnung in der Datei %2 neben morvi.ini).")
            .arg(portName, QLatin1String(portMapFileName));
    const QString port = QStringLiteral("%1 (%2): ").arg(portName, device);
    switch (deviceAccess(device)) {
    case DeviceAccess::missing: return port + QStringLiteral("Gerät nicht vorhanden.");
    case DeviceAccess::denied:
#if defined(Q_OS_UNIX)
        return port + QStringLiteral("keine Zugriffsrechte. Den Benutzer in die Gruppe %1 aufnehmen "
                                     "(\"sudo adduser %2 %1\") und neu anmelden.")
                          .arg(deviceGroup(device), userName());
#else
        return port + QStringLiteral("keine Zugriffsrechte.");
#endif
    case DeviceAccess::allowed: break;
    }
    if (error == QSerialPort::PermissionError)
        return port + QStringLiteral("Gerät wird von einem anderen Programm benutzt.");
    return port + QStringLiteral("Gerät lässt sich nicht öffnen.");
}

} // namespace morvi::link
