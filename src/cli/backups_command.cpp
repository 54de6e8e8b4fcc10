#include "backups_command.h"

#include "backup_list.h"
#include "cli.h"

#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace morvi::cli {

namespace {
QJsonValue orNull(const std::optional<QString> &text) { return text ? QJsonValue(*text) : QJsonValue(); }
} // namespace

int listBackups(const QString &folder, bool json, QTextStream &out)
{
    const std::vector<files::BackupListing> backups = files::listBackups(folder);
    if (json) {
        QJsonArray array;
        for (const files::BackupListing &b : backups) {
            // An unsaved configuration has no file name; a run without a log line has neither.
            const QJsonValue config =
                b.configName && !b.configName->isEmpty() ? QJsonValue(*b.configName) : QJsonValue();
            array.append(QJsonObject{{"file", QDir::toNativeSeparators(b.path)},
                                     {"date", b.when.toString(Qt::ISODate)},
                                     {"link", b.linkName},
                                     {"config", config},
                                     {"result", orNull(b.result)}});
        }
        out << QJsonDocument(array).toJson(QJsonDocument::Indented);
        return success;
    }
    if (backups.empty()) out << "Keine Sicherungen in " << QDir::toNativeSeparators(folder) << '\n';
    for (const files::BackupListing &b : backups) {
        const QString config = !b.configName             ? QStringLiteral("?")
                               : b.configName->isEmpty() ? QStringLiteral("(ungespeichert)")
                                                         : *b.configName;
        out << b.when.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")) << "  " << b.linkName.leftJustified(4) << "  "
            << config << "  " << b.result.value_or(QStringLiteral("(kein Protokolleintrag)")) << '\n'
            << "    " << QDir::toNativeSeparators(b.path) << '\n';
    }
    return success;
}

} // namespace morvi::cli
