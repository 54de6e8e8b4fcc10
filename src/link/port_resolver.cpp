#include "port_resolver.h"

namespace morvi::link {

PortResolver::PortResolver()
{
    for (int n = 1; n <= portCount; ++n)
#ifdef Q_OS_WIN
        devices_[n - 1] = portName(n);
#else
        devices_[n - 1] = QStringLiteral("/dev/ttyS%1").arg(n - 1);
#endif
}

void PortResolver::setDevice(int n, const QString &path)
{
    if (n >= 1 && n <= portCount) devices_[n - 1] = path;
}

QString PortResolver::device(const QString &portName) const
{
    const int n = portNumber(portName);
    return n == 0 ? QString() : devices_[n - 1];
}

int PortResolver::portNumber(const QString &portName)
{
    for (int n = 1; n <= portCount; ++n)
        if (portName == PortResolver::portName(n)) return n;
    return 0;
}

} // namespace morvi::link
