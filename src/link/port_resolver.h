#pragma once

#include <QMap>
#include <QString>

namespace morvi::link {

// Turns the program's port names into device paths: "COM1".."COM4", and any
// other "COMn" the port mapping names. Elsewhere than Windows a name without
// a device cannot be opened; on Windows a name is its own device unless mapped.
class PortResolver {
public:
    static constexpr int portCount = 4;

    PortResolver() = default;
    // The device for COMn, n from 1 to 4.
    void setDevice(int n, const QString &path);
    // The device for any port name; an empty path leaves the name without one.
    void setDevice(const QString &portName, const QString &path);
    // Empty when the name has no device.
    QString device(const QString &portName) const;
    // 1..4 for "COM1".."COM4", 0 for any other name.
    static int portNumber(const QString &portName);
    static QString portName(int n) { return QStringLiteral("COM%1").arg(n); }

private:
    QMap<QString, QString> devices_;
};

} // namespace morvi::link
