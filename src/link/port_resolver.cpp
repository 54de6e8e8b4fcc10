#include "port_resolver.h"

namespace morvi::link {

void PortResolver::setDevice(int n, const QString &path)
{
    if (n >= 1 && n <= portCount) setDevice(portName(n), path);
}

void PortResolver::setDevice(const QString &portName, const QString &path) { devices_.insert(portName, path); }

QString PortResolver::device(const QString &portName) const
{
#ifdef Q_OS_WIN
    return devices_.value(portName, portName);
#else
    return devices_.value(portName);
#endif
}

int PortResolver::portNumber(const QString &portName)
{
    for (int n = 1; n <= portCount; ++n)
        if (portName == PortResolver::portName(n)) return n;
    return 0;
}

} // namespace morvi::link
