#pragma once

#include "programming_record.h"
#include "programming_recorder.h"
#include "reporter.h"

#include <functional>

namespace morvi::files {

// Keeps the record of programming runs in the backup folder: the backup of
// the transmitter's memory before the first write, reported with one info
// line, and one line per run in the programming log. The window and
// morvi-cli share it.
class FileProgrammingRecorder : public ProgrammingRecorder {
public:
    // configName gives the name of the configuration file being programmed.
    FileProgrammingRecorder(Reporter &reporter, std::function<QString()> configName, QString folder = backupFolder());

    bool backupBeforeWrite(const ConfigImage &memory, const std::string &linkName) override;
    void programmingEnded(const std::string &linkName, std::uint8_t checksum,
                          const ProgrammingOutcome &outcome) override;

    const QString &folder() const { return folder_; }

    // What is said, after a run that wrote and did not succeed, about the
    // backup that puts the old configuration back; given the backup's path.
    // The window's line names its "Datei → Laden"; morvi-cli names its command.
    using RestoreHint = std::function<std::string(const QString &backupPath)>;
    void setRestoreHint(RestoreHint hint) { restoreHint_ = std::move(hint); }

private:
    Reporter &reporter_;
    std::function<QString()> configName_;
    QString folder_;
    // The backup of the running programming run. The backup is taken in the
    // same step that sends the first write, so a run that has one has
    // written to the transmitter (or tried to).
    QString runBackup_;
    RestoreHint restoreHint_;
};

// The log's words for an outcome ("erfolgreich", "Zeitüberschreitung bei Byte 57", ...).
QString outcomeText(const ProgrammingOutcome &outcome);

} // namespace morvi::files
