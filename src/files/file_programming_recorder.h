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

private:
    Reporter &reporter_;
    std::function<QString()> configName_;
    QString folder_;
};

// The log's words for an outcome ("erfolgreich", "Zeitüberschreitung bei Byte 57", ...).
QString outcomeText(const ProgrammingOutcome &outcome);

} // namespace morvi::files
