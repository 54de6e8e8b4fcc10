#pragma once

#include "config_image.h"

#include <QDateTime>
#include <QString>

#include <optional>

namespace morvi::files {

// Where every programming run leaves its traces: a backup of the
// transmitter's memory before the first write, and one line in the log. The
// folder is "morvi/backups" in the user's data directory (on Linux
// ~/.local/share/morvi/backups), shared by the window and morvi-cli.
QString backupFolder();
inline constexpr const char *programmingLogName = "programmierprotokoll.txt";

// Saves the transmitter's memory as a configuration file named by date, time
// and link ("2026-12-09_15-04-05_COM1.txc"); a name already taken, also by
// another program at the same moment, gets a number. The folder is created
// for its owner alone, the file readable by its owner only. Returns the
// file's path, or nothing when the file could not be written.
std::optional<QString> writeBackup(const ConfigImage &memory, const QString &linkName, const QDateTime &when,
                                   const QString &folder = backupFolder());

// One programming run as its log line records it.
struct ProgrammingLogEntry {
    QDateTime when;
    QString linkName;   // "COM1" or "USB"
    QString configName; // the configuration file's name, empty for an unsaved configuration
    int checksum = 0;   // image byte 122 as written
    QString result;     // "erfolgreich", "Prüfung: Unterschiede bei Adresse ...", ...
};

// Appends the entry as one whole line, tab-separated, to the log in folder.
// A line left unfinished by a crash is closed first, so every entry starts a
// line of its own. False when the log could not be written.
bool appendProgrammingLog(const ProgrammingLogEntry &entry, const QString &folder = backupFolder());

} // namespace morvi::files
