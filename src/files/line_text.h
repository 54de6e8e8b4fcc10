#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <optional>

namespace morvi::files {

// The text form shared by the configuration file and the settings file:
// the system's 8-bit encoding without byte-order mark, CR LF after every
// line including the last.
QByteArray encodeLines(const QStringList &lines);

// Decodes a whole file: a UTF-8 or UTF-16 byte-order mark selects that
// encoding, anything else is read in the system encoding. CR LF, a lone CR
// and a lone LF each end a line; a last line without an end still counts.
QStringList decodeLines(const QByteArray &bytes);

// Reads a whole file; nothing when it cannot be opened or read.
std::optional<QStringList> readLinesFile(const QString &path);

// Writes through a temporary file that replaces the target only once it is
// complete, so a failed write leaves the previous file as it was. Where the
// folder refuses the temporary file, an existing file is written in place,
// its old content put back if the write fails.
bool writeLinesFile(const QString &path, const QStringList &lines);

} // namespace morvi::files
