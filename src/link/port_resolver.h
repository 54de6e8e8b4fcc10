#pragma once

#include <QString>
#include <array>

namespace morvi::link {

// Turns the program's port names "COM1".."COM4" into device paths. Any other
// name has no device, so opening it fails.
class PortResolver {
public:
    static constexpr int portCount = 4;

    PortResolver();
    // The device for COMn, n from 1 to 4.
    void setDevice(int n, const QString &path);
    // Empty when the name is not one of the four ports.
    QString device(const QString &portName) const;
    // 1..4 for "COM1".."COM4", 0 for any other name.
    static int portNumber(const QString &portName);
    static QString portName(int n) { return QStringLiteral("COM%1").arg(n); }

private:
    std::array<QString, portCount> devices_;
};

} // namespace morvi::link
