#include "file_programming_recorder.h"

#include <QDir>
#include <QFileInfo>

namespace morvi::files {

FileProgrammingRecorder::FileProgrammingRecorder(Reporter &reporter, std::function<QString()> configName,
                                                 QString folder)
    : reporter_(reporter), configName_(std::move(configName)), folder_(std::move(folder))
{
}

bool FileProgrammingRecorder::backupBeforeWrite(const ConfigImage &memory, const std::string &linkName)
{
    const auto path = writeBackup(memory, QString::fromStdString(linkName), QDateTime::currentDateTime(), folder_);
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
