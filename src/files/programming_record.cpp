#include "programming_record.h"

#include "config_file.h"
#include "line_text.h"

#include <QDir>
#include <QFile>
#include <QStandardPaths>

namespace morvi::files {

QString backupFolder()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) + QStringLiteral("/morvi/backups");
}

std::optional<QString> writeBackup(const ConfigImage &memory, const QString &linkName, const QDateTime &when,
                                   const QString &folder)
{
    if (!QDir().mkpath(folder)) return std::nullopt;
    // No blank in the name ("USB schnell"), for the shell's sake.
    const QString stem = folder + QLatin1Char('/') + when.toString(QStringLiteral("yyyy-MM-dd_HH-mm-ss_")) +
                         QString(linkName).replace(QLatin1Char(' '), QLatin1Char('-'));
    QString path = stem + QStringLiteral(".txc");
    for (int n = 2; QFile::exists(path); ++n)
        path = stem + QStringLiteral("_%1.txc").arg(n);
    const QString firmware = QStringLiteral("%1.%2")
                                 .arg(memory[offset::firmwareMajor])
                                 .arg(memory[offset::firmwareMinor], 2, 10, QLatin1Char('0'));
    if (!writeLinesFile(path, fileLines(memory, {linkName, firmware}))) return std::nullopt;
    return path;
}

bool appendProgrammingLog(const ProgrammingLogEntry &entry, const QString &folder)
{
    if (!QDir().mkpath(folder)) return false;
    QFile log(folder + QLatin1Char('/') + QLatin1String(programmingLogName));
    if (!log.open(QIODevice::ReadWrite | QIODevice::Append)) return false;
    QByteArray line;
    if (log.size() > 0) {
        log.seek(log.size() - 1);
        if (log.read(1) != "\n") line += '\n';
    }
    line += QStringList{entry.when.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")), entry.linkName,
                        entry.configName.isEmpty() ? QStringLiteral("-") : entry.configName,
                        QStringLiteral("Prüfsumme %1").arg(entry.checksum), entry.result}
                .join(QLatin1Char('\t'))
                .toUtf8();
    line += '\n';
    // One write of the whole line: a crash leaves it complete or missing, never
    // mixed into the next one.
    return log.write(line) == line.size() && log.flush();
}

} // namespace morvi::files
