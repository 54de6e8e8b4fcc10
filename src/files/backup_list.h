#pragma once

#include <QDateTime>
#include <QString>

#include <optional>
#include <vector>

namespace morvi::files {

// One backup in the backup folder, with what the programming log says of
// the run that took it.
struct BackupListing {
    QString path;
    QDateTime when; // from the file name: when the backup was taken
    QString linkName;
    // From the log line matched to the backup; none when no line matches
    // (a run the program did not live to record).
    std::optional<QString> configName; // empty: an unsaved configuration
    std::optional<QString> result;
};

// The backups in folder, newest first. A backup is matched to the first log
// line of the same link, not yet matched, that was written at or after the
// backup and no later than the next backup of that link: a run logs its
// line when it ends, before the next run on that link can take its backup.
// Lines of runs that ended before writing (and so took no backup) come
// before the backup of the next run and are passed over.
std::vector<BackupListing> listBackups(const QString &folder);

} // namespace morvi::files
