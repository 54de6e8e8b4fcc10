#include "port_map.h"

#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSerialPortInfo>
#include <algorithm>

namespace morvi::link {

namespace {

// A mapping file larger than this is not a mapping file.
constexpr qint64 maxFileSize = 64 * 1024;

// "ttyUSB10" sorts after "ttyUSB9": the trailing number counts as a number.
bool numberedBefore(const QString &a, const QString &b)
{
    static const QRegularExpression tail(QStringLiteral("^(.*?)(\\d+)$"));
    const auto ma = tail.match(a);
    const auto mb = tail.match(b);
    if (ma.hasMatch() && mb.hasMatch() && ma.captured(1) == mb.captured(1))
        return ma.captured(2).toULongLong() < mb.captured(2).toULongLong();
    return a < b;
}

// Where a device lands among the defaults: USB converters of the usual kind first.
int rank(const SerialDevice &d)
{
    if (!d.usb) return 2;
    return QFileInfo(d.path).fileName().startsWith(QLatin1String("ttyUSB")) ? 0 : 1;
}

// The same device whatever link leads to it.
QString identity(const QString &path)
{
    const QString canonical = QFileInfo(path).canonicalFilePath();
    return canonical.isEmpty() ? path : canonical;
}

QStringList readLines(const QString &path)
{
    QFile file(path);
    if (path.isEmpty() || !file.open(QIODevice::ReadOnly) || file.size() > maxFileSize) return {};
    QString text = QString::fromUtf8(file.readAll());
    // An editor may have put a byte-order mark in front.
    if (text.startsWith(QChar(0xFEFF))) text.remove(0, 1);
    return text.split(QRegularExpression(QStringLiteral("\\r\\n|\\r|\\n")));
}

} // namespace

std::vector<SerialDevice> systemSerialDevices()
{
    std::vector<SerialDevice> devices;
    // Qt leaves out the board's ports that answer as absent.
    for (const QSerialPortInfo &info : QSerialPortInfo::availablePorts())
        devices.push_back({info.systemLocation(), info.hasVendorIdentifier()});
    return devices;
}

QMap<QString, QString> parsePortMap(const QStringList &lines)
{
    static const QRegularExpression name(QStringLiteral("^COM[0-9]+$"));
    QMap<QString, QString> mapping;
    for (const QString &raw : lines) {
        const QString line = raw.trimmed();
        if (line.isEmpty() || line.startsWith(QLatin1Char('#')) || line.startsWith(QLatin1Char(';'))) continue;
        const qsizetype eq = line.indexOf(QLatin1Char('='));
        if (eq < 0) continue;
        const QString port = line.left(eq).trimmed().toUpper();
        if (!name.match(port).hasMatch()) continue;
        mapping.insert(port, line.mid(eq + 1).trimmed());
    }
    return mapping;
}

PortResolver resolvePorts(std::vector<SerialDevice> devices, const QMap<QString, QString> &mapping)
{
    PortResolver resolver;
#ifdef Q_OS_WIN
    // The port names are the system's own; only the mapping changes them.
    devices.clear();
#endif
    QStringList taken;
    for (auto it = mapping.begin(); it != mapping.end(); ++it) {
        resolver.setDevice(it.key(), it.value());
        if (!it.value().isEmpty()) taken << identity(it.value());
    }
    std::stable_sort(devices.begin(), devices.end(), [](const SerialDevice &a, const SerialDevice &b) {
        if (rank(a) != rank(b)) return rank(a) < rank(b);
        return numberedBefore(a.path, b.path);
    });
    auto next = devices.begin();
    for (int n = 1; n <= PortResolver::portCount; ++n) {
        if (mapping.contains(PortResolver::portName(n))) continue;
        while (next != devices.end() && taken.contains(identity(next->path)))
            ++next;
        if (next == devices.end()) break;
        resolver.setDevice(n, next->path);
        ++next;
    }
    return resolver;
}

QMap<QString, QString> PortMap::mapping() const { return parsePortMap(readLines(file_)); }

PortResolver PortMap::resolve() const
{
    return resolvePorts(devices_ ? devices_() : std::vector<SerialDevice>{}, mapping());
}

} // namespace morvi::link
