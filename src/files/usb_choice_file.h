#pragma once

#include <QString>

namespace morvi::files {

// The technician's choice of USB exchange, kept in a file of its own beside
// the settings file, so that the settings file keeps its lines.
inline constexpr char usbChoiceFileName[] = "morvi-usb.ini";

// Whether the file chooses the fast exchange ("schnell=1"); a missing or
// unreadable file, or any other content, chooses the standard exchange.
bool readFastUsbChoice(const QString &path);
// Replaces the file; false when it cannot be written.
bool writeFastUsbChoice(const QString &path, bool fast);

} // namespace morvi::files
