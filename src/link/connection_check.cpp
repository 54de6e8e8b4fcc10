#include "connection_check.h"

#include "adapter_library.h"

#include <QJsonArray>
#include <QtGlobal>

namespace morvi::link {

namespace {

using Mark = Finding::Mark;

// What to do about another program holding a device.
QString stopRemedy(const ProcessRef &p)
{
    if (p.command == QLatin1String("ModemManager"))
        return QStringLiteral("\"sudo systemctl stop ModemManager\"; auf Dauer die udev-Regel von Morvi installieren.");
    if (p.command == QLatin1String("brltty")) return QStringLiteral("\"sudo systemctl stop brltty\".");
    return QStringLiteral("das Programm %1 beenden (\"kill %2\").").arg(p.command, QString::number(p.pid));
}

QString who(const ProcessRef &p) { return QStringLiteral("%1 (PID %2)").arg(p.command, QString::number(p.pid)); }

void checkPort(const SystemView &view, const CheckInputs &inputs, int n, const PortResolver &ports,
               const QMap<QString, QString> &mapping, std::vector<Finding> &out)
{
    const QString port = PortResolver::portName(n);
    const QString device = ports.device(port);
    const bool mapped = mapping.contains(port);
    const QString why = mapped ? QLatin1String(portMapFileName) : QStringLiteral("Vorgabe");
    auto add = [&](Mark mark, const QString &text, const QString &remedy = {}) {
        out.push_back({mark, port, text, remedy});
    };
    if (device.isEmpty()) {
        if (mapped)
            add(Mark::ok, QStringLiteral("in %1 ohne Gerät").arg(why));
        else
            add(Mark::hint, QStringLiteral("kein Gerät zugeordnet (Vorgabe)"),
                QStringLiteral("einen USB-Seriell-Wandler anstecken oder %1 in %2 einem Gerät zuordnen.")
                    .arg(port, inputs.portMapFile));
        return;
    }
    const QString name = QStringLiteral("%1 (%2)").arg(device, why);
    const QString tty = view.resolved(device).section(QLatin1Char('/'), -1);
    const DeviceAccess access = view.access(device, inputs.identity);
    if (access == DeviceAccess::missing) {
        add(Mark::error, name + QStringLiteral(": Gerät nicht vorhanden"),
            mapped ? QStringLiteral("den Wandler anstecken oder die Zeile %1 in %2 berichtigen.")
                         .arg(port, inputs.portMapFile)
                   : QStringLiteral("den Wandler wieder anstecken."));
        return;
    }
    QStringList facts{QStringLiteral("vorhanden")};
    // The board's ports name a bus driver there, which tells a technician nothing.
    const bool usb = tty.startsWith(QLatin1String("ttyUSB")) || tty.startsWith(QLatin1String("ttyACM"));
    if (const QString driver = view.ttyDriver(tty); usb && !driver.isEmpty())
        facts << QStringLiteral("Treiber ") + driver;
    std::vector<Finding> problems;
    auto problem = [&](Mark mark, const QString &text, const QString &remedy) {
        problems.push_back({mark, port, device + QStringLiteral(": ") + text, remedy});
    };
    if (access == DeviceAccess::denied) {
        const QString group = view.owningGroup(device);
        const bool listed = view.groupMembers(group).contains(inputs.identity.user);
        problem(Mark::error, QStringLiteral("keine Zugriffsrechte (Gruppe %1)").arg(group),
                listed ? QStringLiteral("%1 ist in der Gruppe %2 eingetragen: ab- und wieder anmelden.")
                             .arg(inputs.identity.user, group)
                       : QStringLiteral("\"sudo adduser $USER %1\", dann ab- und wieder anmelden.").arg(group));
    } else {
        facts << QStringLiteral("Zugriff erlaubt");
    }
    const auto holders = view.holders(device);
    const auto lock = view.lock(device);
    if (!holders.empty()) {
        problem(Mark::error, QStringLiteral("von %1 geöffnet").arg(who(holders.front())), stopRemedy(holders.front()));
    } else if (lock && lock->alive) {
        problem(Mark::error, QStringLiteral("von %1 belegt (Sperrdatei %2)").arg(who(lock->owner), lock->file),
                stopRemedy(lock->owner));
    } else if (lock) {
        problem(
            Mark::hint,
            QStringLiteral("veraltete Sperrdatei %1 (PID %2 läuft nicht mehr)").arg(lock->file).arg(lock->owner.pid),
            QStringLiteral("\"sudo rm %1\".").arg(lock->file));
    } else {
        facts << QStringLiteral("von keinem anderen Programm belegt");
    }
    if (const auto latency = view.latencyTimer(tty)) {
        if (*latency > 1)
            problem(Mark::hint,
                    QStringLiteral("Latenz-Timer %1 ms (jede Antwort des Senders kann so lange warten)").arg(*latency),
                    QStringLiteral("Morvi stellt beim Öffnen 1 ms ein; bleibt es dabei: \"echo 1 | sudo tee "
                                   "/sys/bus/usb-serial/devices/%1/latency_timer\".")
                        .arg(tty));
        else
            facts << QStringLiteral("Latenz-Timer %1 ms").arg(*latency);
    }
    add(Mark::ok, name + QStringLiteral(": ") + facts.join(QStringLiteral(", ")));
    out.insert(out.end(), problems.begin(), problems.end());
}

} // namespace

QString markText(Finding::Mark mark)
{
    switch (mark) {
    case Mark::ok: return QStringLiteral("OK");
    case Mark::hint: return QStringLiteral("Hinweis");
    case Mark::error: return QStringLiteral("Fehler");
    }
    return {};
}

QString checkRoot()
{
    const QString root = qEnvironmentVariable("MORVI_SYSTEM_ROOT");
    return root.isEmpty() ? QStringLiteral("/") : root;
}

CheckInputs systemCheckInputs(const QString &portMapFile, const QString &adapterLibrary, const QString &backupFolder)
{
    CheckInputs inputs;
    inputs.root = checkRoot();
    inputs.identity = Identity::process();
    inputs.portMapFile = portMapFile;
    inputs.adapterLibraries = adapterLibrary.isEmpty() ? systemAdapterLibraries() : QStringList{adapterLibrary};
    inputs.backupFolder = backupFolder;
    return inputs;
}

void checkPorts(const SystemView &view, const CheckInputs &inputs, std::vector<Finding> &out)
{
    // The same mapping the program makes; on the running system from the
    // port layer it opens ports with, in a tree from the tree's sysfs.
    const std::vector<SerialDevice> devices = view.isLiveSystem() ? systemSerialDevices() : view.serialDevices();
    PortMap map([&devices] { return devices; });
    map.setFile(inputs.portMapFile);
    const PortResolver ports = map.resolve();
    const auto mapping = map.mapping();
    for (int n = 1; n <= PortResolver::portCount; ++n)
        checkPort(view, inputs, n, ports, mapping, out);
}

std::vector<Finding> connectionCheck(const CheckInputs &inputs)
{
    const SystemView view(inputs.root);
    std::vector<Finding> findings;
    checkPorts(view, inputs, findings);
    checkAdapter(view, inputs, findings);
    checkNeighbours(view, inputs, findings);
    return findings;
}

bool blocksConnection(const std::vector<Finding> &findings)
{
    return std::any_of(findings.begin(), findings.end(), [](const Finding &f) { return f.mark == Mark::error; });
}

QString reportText(const std::vector<Finding> &findings)
{
    QString text;
    for (const Finding &f : findings) {
        text += markText(f.mark).leftJustified(8) + f.subject + QStringLiteral(": ") + f.text;
        if (!f.remedy.isEmpty()) text += QStringLiteral(". Abhilfe: ") + f.remedy;
        text += QLatin1Char('\n');
    }
    return text;
}

QJsonObject reportJson(const std::vector<Finding> &findings)
{
    QJsonArray list;
    for (const Finding &f : findings) {
        QJsonObject o{{"mark", markText(f.mark)}, {"subject", f.subject}, {"text", f.text}};
        o.insert("remedy", f.remedy.isEmpty() ? QJsonValue() : QJsonValue(f.remedy));
        list.append(o);
    }
    return {{"blocking", blocksConnection(findings)}, {"findings", list}};
}

} // namespace morvi::link
