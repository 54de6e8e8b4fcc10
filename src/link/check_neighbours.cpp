#include "connection_check.h"

#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSet>

#include <sys/stat.h>

namespace morvi::link {

namespace {

using Mark = Finding::Mark;

// "0403:6001" for every USB device a rules file names, by sysfs attributes
// or by the kernel's PRODUCT string (hex without leading zeros). Lines
// commented out do not count.
QSet<QString> namedDevices(const QString &rulesFile)
{
    static const QRegularExpression product(QStringLiteral("ENV\\{PRODUCT\\}==\"([0-9a-fA-F]+)/([0-9a-fA-F]+)/"));
    static const QRegularExpression vendorAttr(QStringLiteral("ATTRS?\\{idVendor\\}==\"([0-9a-fA-F]{4})\""));
    static const QRegularExpression productAttr(QStringLiteral("ATTRS?\\{idProduct\\}==\"([0-9a-fA-F]{4})\""));
    QSet<QString> named;
    QFile file(rulesFile);
    if (!file.open(QIODevice::ReadOnly)) return named;
    auto id = [](const QString &hex) { return hex.toLower().rightJustified(4, QLatin1Char('0')); };
    for (const QByteArray &raw : file.readAll().split('\n')) {
        const QString line = QString::fromUtf8(raw).trimmed();
        if (line.startsWith(QLatin1Char('#'))) continue;
        if (const auto m = product.match(line); m.hasMatch()) named << id(m.captured(1)) + ':' + id(m.captured(2));
        const auto v = vendorAttr.match(line);
        const auto p = productAttr.match(line);
        if (v.hasMatch() && p.hasMatch()) named << id(v.captured(1)) + ':' + id(p.captured(1));
    }
    return named;
}

void checkModemManager(const SystemView &view, bool ruleMarksAdapter, std::vector<Finding> &out)
{
    const QString subject = QStringLiteral("ModemManager");
    for (const ProcessRef &p : view.processes()) {
        if (p.command != subject) continue;
        out.push_back(
            {Mark::hint, subject,
             QStringLiteral("läuft (PID %1) und prüft neu angesteckte USB-Seriell-Wandler einige Sekunden lang "
                            "mit AT-Befehlen")
                 .arg(p.pid),
             ruleMarksAdapter ? QStringLiteral("FTDI-Geräte hält die udev-Regel von Morvi fern; für andere Wandler "
                                               "\"sudo systemctl stop ModemManager\".")
                              : QStringLiteral("die udev-Regel von Morvi installieren, oder \"sudo systemctl stop "
                                               "ModemManager\".")});
        return;
    }
    out.push_back({Mark::ok, subject, QStringLiteral("läuft nicht"), {}});
}

void checkBrltty(const SystemView &view, const std::vector<std::pair<QString, QString>> &rules,
                 std::vector<Finding> &out)
{
    const QString subject = QStringLiteral("brltty");
    bool installed = false;
    bool claims = false;
    const auto devices = view.usbDevices();
    for (const auto &[name, path] : rules) {
        if (!name.contains(subject)) continue;
        installed = true;
        const QSet<QString> named = namedDevices(view.file(path));
        for (const UsbDevice &d : devices) {
            const QString id = d.vendor + QLatin1Char(':') + d.product;
            if (!named.contains(id)) continue;
            claims = true;
            out.push_back({Mark::error, subject,
                           QStringLiteral("die Regel %1 nennt das angeschlossene Gerät %2 (USB %3); brltty "
                                          "beansprucht es, und sein /dev/ttyUSB* verschwindet")
                               .arg(path, id, d.name),
                           QStringLiteral("\"sudo apt remove brltty\", oder die Regel abschalten: \"sudo ln -s "
                                          "/dev/null /etc/udev/rules.d/%1\"; dann das Gerät neu anstecken.")
                               .arg(name)});
        }
    }
    if (!claims)
        out.push_back({Mark::ok,
                       subject,
                       installed ? QStringLiteral("keine seiner udev-Regeln nennt ein angeschlossenes Gerät")
                                 : QStringLiteral("keine udev-Regeln installiert"),
                       {}});
}

void checkDialout(const SystemView &view, const Identity &who, std::vector<Finding> &out)
{
    const QString group = QStringLiteral("dialout");
    const auto id = view.groupId(group);
    const QString user = who.user.isEmpty() ? QString::number(who.uid) : who.user;
    if (who.uid == 0) {
        out.push_back({Mark::ok, group, QStringLiteral("Benutzer root darf jedes Gerät öffnen"), {}});
    } else if (!id) {
        out.push_back({Mark::ok, group, QStringLiteral("diese Gruppe gibt es hier nicht"), {}});
    } else if (who.groups.contains(*id)) {
        out.push_back({Mark::ok, group, QStringLiteral("Benutzer %1 ist Mitglied").arg(user), {}});
    } else if (view.groupMembers(group).contains(who.user)) {
        out.push_back(
            {Mark::hint, group,
             QStringLiteral("Benutzer %1 ist eingetragen, diese Anmeldung hat die Gruppe aber noch nicht").arg(user),
             QStringLiteral("ab- und wieder anmelden.")});
    } else {
        out.push_back({Mark::hint, group, QStringLiteral("Benutzer %1 ist kein Mitglied").arg(user),
                       QStringLiteral("\"sudo adduser $USER dialout\", dann ab- und wieder anmelden.")});
    }
}

// The backups hold the key addresses a receiver accepts: for this user only.
void checkBackupFolder(const QString &folder, std::vector<Finding> &out)
{
    const QString subject = QStringLiteral("Sicherungen");
    struct stat st {};
    if (folder.isEmpty() || ::stat(QFile::encodeName(folder).constData(), &st) != 0) {
        out.push_back({Mark::ok, subject, QStringLiteral("noch kein Ordner %1").arg(folder), {}});
        return;
    }
    const QString mode = QStringLiteral("%1").arg(st.st_mode & 07777, 4, 8, QLatin1Char('0'));
    if (st.st_mode & (S_IRWXG | S_IRWXO))
        out.push_back({Mark::hint, subject,
                       QStringLiteral("der Ordner %1 ist auch für andere Benutzer offen (Rechte %2)").arg(folder, mode),
                       QStringLiteral("\"chmod 700 %1\".").arg(folder)});
    else
        out.push_back({Mark::ok, subject, QStringLiteral("%1, Rechte %2").arg(folder, mode), {}});
}

} // namespace

void checkNeighbours(const SystemView &view, const CheckInputs &inputs, std::vector<Finding> &out)
{
    const auto rules = view.udevRules();
    QString morviRule;
    for (const auto &[name, path] : rules)
        if (name == QLatin1String(morviRuleName)) morviRule = path;
    QFile rule(view.file(morviRule));
    const bool marks =
        !morviRule.isEmpty() && rule.open(QIODevice::ReadOnly) && rule.readAll().contains("ID_MM_DEVICE_IGNORE");
    checkModemManager(view, marks, out);
    checkBrltty(view, rules, out);
    const QString udev = QStringLiteral("udev-Regel");
    if (morviRule.isEmpty())
        out.push_back({Mark::hint, udev, QStringLiteral("%1 ist nicht installiert").arg(QLatin1String(morviRuleName)),
                       QStringLiteral("das Paket morvi installieren (oder \"sudo cmake --install build\") und den "
                                      "USB-Adapter neu anstecken.")});
    else if (!marks)
        out.push_back({Mark::hint, udev,
                       QStringLiteral("%1 hält ModemManager nicht fern (ältere Fassung)").arg(morviRule),
                       QStringLiteral("das Paket morvi neu installieren.")});
    else
        out.push_back({Mark::ok, udev, QStringLiteral("%1 installiert").arg(morviRule), {}});
    checkDialout(view, inputs.identity, out);
    checkBackupFolder(inputs.backupFolder, out);
}

} // namespace morvi::link
