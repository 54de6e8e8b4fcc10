#include "backup_list.h"

#include "programming_record.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>

#include <algorithm>

namespace morvi::files {

namespace {

struct LogLine {
    QDateTime when;
    QString linkName;
    QString configName;
    QString result;
    bool taken = false;
};

const QString timeFormat = QStringLiteral("yyyy-MM-dd HH:mm:ss");

std::vector<LogLine> readLog(const QString &folder)
{
    std::vector<LogLine> lines;
    QFile file(folder + QLatin1Char('/') + QLatin1String(programmingLogName));
    if (!file.open(QIODevice::ReadOnly)) return lines;
    // The log is written in UTF-8, one run per line.
    for (const QString &line : QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'))) {
        const QStringList fields = line.split(QLatin1Char('\t'));
        // An unfinished line, left by a crash, has no result.
        if (fields.size() < 5) continue;
        const QDateTime when = QDateTime::fromString(fields[0], timeFormat);
        if (!when.isValid()) continue;
        const QString config = fields[2] == QLatin1String("-") ? QString() : fields[2];
        lines.push_back({when, fields[1], config, fields.mid(4).join(QLatin1Char('\t'))});
    }
    std::stable_sort(lines.begin(), lines.end(), [](const LogLine &a, const LogLine &b) { return a.when < b.when; });
    return lines;
}

} // namespace

std::vector<BackupListing> listBackups(const QString &folder)
{
    // The names writeBackup gives: date, time, link, and a number for a second backup in the same second.
    static const QRegularExpression name(
        QStringLiteral(R"(^(\d{4}-\d\d-\d\d_\d\d-\d\d-\d\d)_([A-Za-z0-9-]+?)(?:_(\d+))?\.txc$)"));
    struct Found {
        BackupListing listing;
        int number;
    };
    std::vector<Found> found;
    const QDir dir(folder);
    for (const QString &file : dir.entryList({QStringLiteral("*.txc")}, QDir::Files)) {
        const auto m = name.match(file);
        if (!m.hasMatch()) continue;
        const QDateTime when = QDateTime::fromString(m.captured(1), QStringLiteral("yyyy-MM-dd_HH-mm-ss"));
        if (!when.isValid()) continue;
        // The name has a dash where the link's name has a blank ("USB-schnell").
        const QString linkName = m.captured(2).replace(QLatin1Char('-'), QLatin1Char(' '));
        found.push_back({{dir.filePath(file), when, linkName, {}, {}}, m.captured(3).toInt()});
    }
    // Oldest first for the matching; a numbered backup came after the one without.
    std::sort(found.begin(), found.end(), [](const Found &a, const Found &b) {
        return a.listing.when != b.listing.when ? a.listing.when < b.listing.when : a.number < b.number;
    });

    std::vector<LogLine> log = readLog(folder);
    for (std::size_t i = 0; i < found.size(); ++i) {
        BackupListing &backup = found[i].listing;
        std::optional<QDateTime> next;
        for (std::size_t j = i + 1; j < found.size() && !next; ++j)
            if (found[j].listing.linkName == backup.linkName) next = found[j].listing.when;
        for (LogLine &line : log) {
            if (line.taken || line.linkName != backup.linkName || line.when < backup.when) continue;
            if (next && line.when > *next) break;
            line.taken = true;
            backup.configName = line.configName;
            backup.result = line.result;
            break;
        }
    }

    std::vector<BackupListing> newestFirst;
    for (auto it = found.rbegin(); it != found.rend(); ++it)
        newestFirst.push_back(it->listing);
    return newestFirst;
}

} // namespace morvi::files
