#include "programming_record.h"

#include "config_file.h"
#include "line_text.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

#include <unistd.h>

namespace morvi::files {

QString backupFolder()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) + QStringLiteral("/morvi/backups");
}

namespace {

// Only the user may read the backups and the log: the key addresses in them
// are the codes a receiver accepts.
constexpr QFileDevice::Permissions ownerOnly = QFileDevice::ReadOwner | QFileDevice::WriteOwner;

// The folder, created for its owner alone; an existing folder keeps its rights.
bool makeFolder(const QString &folder)
{
    if (QFileInfo(folder).isDir()) return true;
    const QString parent = QFileInfo(folder).absolutePath();
    if (!QDir().mkpath(parent)) return false;
    // Another program may have created it in the meantime.
    return QDir().mkdir(folder, ownerOnly | QFileDevice::ExeOwner) || QFileInfo(folder).isDir();
}

} // namespace

std::optional<QString> writeBackup(const ConfigImage &memory, const QString &linkName, const QDateTime &when,
                                   const QString &folder)
{
    if (!makeFolder(folder)) return std::nullopt;
    const QString firmware = QStringLiteral("%1.%2")
                                 .arg(memory[offset::firmwareMajor])
                                 .arg(memory[offset::firmwareMinor], 2, 10, QLatin1Char('0'));
    const QByteArray bytes = encodeLines(fileLines(memory, {linkName, firmware}));
    // No blank in the name ("USB schnell"), for the shell's sake.
    const QString stem = folder + QLatin1Char('/') + when.toString(QStringLiteral("yyyy-MM-dd_HH-mm-ss_")) +
                         QString(linkName).replace(QLatin1Char(' '), QLatin1Char('-'));
    QFile file(stem + QStringLiteral(".txc"));
    // Created only where no file is: two programs in the same second each keep their own.
    for (int n = 2; !file.open(QIODevice::WriteOnly | QIODevice::NewOnly, ownerOnly); ++n) {
        if (!file.exists() || n > 999) return std::nullopt;
        file.setFileName(stem + QStringLiteral("_%1.txc").arg(n));
    }
    if (file.write(bytes) != bytes.size() || !file.flush() || ::fsync(file.handle()) != 0) {
        file.remove();
        return std::nullopt;
    }
    return file.fileName();
}

bool appendProgrammingLog(const ProgrammingLogEntry &entry, const QString &folder)
{
    if (!makeFolder(folder)) return false;
    QFile log(folder + QLatin1Char('/') + QLatin1String(programmingLogName));
    // The rights apply when the log is created; an existing log is appended to as it is.
    if (!log.open(QIODevice::ReadWrite | QIODevice::Append, ownerOnly)) return false;
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
