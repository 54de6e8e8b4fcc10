#include "file_programming_recorder.h"

#include <QDir>
#include <QFileInfo>

#include <utility>

namespace morvi::files {

FileProgrammingRecorder::FileProgrammingRecorder(Reporter &reporter, std::function<QString()> configName,
                                                 QString folder)
    : reporter_(reporter), configName_(std::move(configName)), folder_(std::move(folder)),
      restoreHint_([](const QString &backup) {
          return "Sicherung des bisherigen Sendespeichers: " + backup.toStdString() +
                 " (mit \"Datei → Laden\" laden und erneut programmieren)";
      })
{
}

bool FileProgrammingRecorder::backupBeforeWrite(const ConfigImage &memory, const std::string &linkName)
{
    const auto path = writeBackup(memory, QString::fromStdString(linkName), QDateTime::currentDateTime(), folder_);
    runBackup_ = path ? QDir::toNativeSeparators(*path) : QString();
    if (!path) {
        reporter_.showinfo("Sicherung des Sendespeichers in \"" + QDir::toNativeSeparators(folder_).toStdString() +
                               "\" nicht möglich: Programmierung abgebrochen, nichts geschrieben",
                           colour::red, option::block);
        return false;
    }
    reporter_.showinfo("Bisheriger Sendespeicher gesichert: " + QDir::toNativeSeparators(*path).toStdString(),
                       colour::black, 0);
    return true;
}

void FileProgrammingRecorder::programmingEnded(const std::string &linkName, std::uint8_t checksum,
                                               const ProgrammingOutcome &outcome)
{
    const ProgrammingLogEntry entry{QDateTime::currentDateTime(), QString::fromStdString(linkName),
                                    QFileInfo(configName_()).fileName(), checksum, outcomeText(outcome)};
    if (!appendProgrammingLog(entry, folder_))
        reporter_.showinfo("Programmierprotokoll in \"" + QDir::toNativeSeparators(folder_).toStdString() +
                               "\" kann nicht geschrieben werden",
                           colour::red, option::blankAfter);
    // Whatever the transmitter holds now, the backup taken before it is the way back.
    const QString backup = std::exchange(runBackup_, {});
    if (outcome.kind != ProgrammingOutcome::Kind::success && !backup.isEmpty())
        reporter_.showinfo(restoreHint_(backup), colour::black, 0);
}

QString outcomeText(const ProgrammingOutcome &outcome)
{
    using Kind = ProgrammingOutcome::Kind;
    switch (outcome.kind) {
    case Kind::success: return QStringLiteral("erfolgreich");
    case Kind::verifyDifferences: {
        QStringList addresses;
        for (int a : outcome.addresses)
            addresses << QString::number(a);
        return QStringLiteral("Verify-Fehler bei Adresse ") + addresses.join(QStringLiteral(", "));
    }
    case Kind::checksumError: return QStringLiteral("Prüfsummenfehler");
    case Kind::timeout: return QStringLiteral("Zeitüberschreitung bei Byte %1").arg(outcome.bytepos);
    case Kind::firmwareRefused: return QStringLiteral("Firmware nicht kompatibel");
    case Kind::linkError: return QStringLiteral("Verbindungsfehler");
    case Kind::abandoned: return QStringLiteral("abgebrochen");
    case Kind::backupFailed: return QStringLiteral("Sicherung nicht möglich, nichts geschrieben");
    }
    return {};
}

} // namespace morvi::files
