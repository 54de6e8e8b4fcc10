#pragma once

#include <QSerialPort>
#include <QString>

namespace morvi::link {

// What this process may do with a device file.
enum class DeviceAccess { missing, denied, allowed };
DeviceAccess deviceAccess(const QString &path);

// Why portName did not open, naming its device, as a line for the info
// window: no device tied to the name, no such device, missing rights (with
// the group that gives them), or another program holding it.
QString openFailureText(const QString &portName, const QString &device, QSerialPort::SerialPortError error);

} // namespace morvi::link
