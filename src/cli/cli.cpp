#include "cli.h"

#include "backups_command.h"
#include "check_command.h"
#include "config_file.h"
#include "config_summary.h"
#include "console_reporter.h"
#include "device_session.h"
#include "line_text.h"
#include "parameter_rules.h"
#include "programming_record.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <optional>
#include <unistd.h>

namespace morvi::cli {

namespace {

const char *const helpText = R"(Aufruf: morvi-cli BEFEHL [ARGUMENTE] [OPTIONEN]

Befehle:
  read [--port COMn | --adapter] -o DATEI.txc
                        Sender auslesen und die Konfiguration so speichern,
                        wie das Fenster sie speichert
  program DATEI.txc [--port COMn | --adapter] [--yes]
                        Konfiguration in den Sender programmieren, mit
                        Rücklese-Prüfung; fragt vorher, außer mit --yes
                        (ohne Terminal an der Eingabe nur mit --yes)
  verify DATEI.txc [--port COMn | --adapter]
                        Sender auslesen und mit der Datei vergleichen;
                        ändert nichts
  diff A B [--json]     die Unterschiede zweier Konfigurationen, als Felder
                        und Tasten; A und B sind je eine .txc-Datei oder ein
                        Sender (port:COM1 ... port:COM4, adapter); keine
                        Ausgabe, wenn sie gleich sind
  show DATEI.txc [--json]
                        die ganze Konfiguration als Text: jedes Feld mit
                        seinem Wert, jede Taste mit Klasse und Adresse
  ports [--json]        COM1 bis COM4 mit ihren Geräten, und ob der
                        USB-Adapter gefunden wird
  check [--json]        Verbindung prüfen: je Befund eine Zeile mit OK,
                        Hinweis oder Fehler und der Abhilfe (Ports, Rechte,
                        USB-Adapter, ModemManager, brltty, udev-Regel)
  backups [--json]      die Sicherungen vor jedem Programmieren, neueste
                        zuerst: Datum, Verbindung, programmierte Datei und
                        Ergebnis laut Programmierprotokoll
  --help                diese Hilfe

Optionen:
  --port COMn           der Sender an COM1 bis COM4 (Vorgabe: COM1)
  --adapter             der Sender am USB-Programmieradapter
  --library PFAD        die Bibliothek des USB-Adapters (sonst gesucht)
  --schnell             schnelle USB-Übertragung: jeder Block folgt, sobald
                        die Antworten des vorigen da sind, statt nach den
                        festen Wartezeiten (nur mit --adapter)
  --yes                 ohne Rückfrage programmieren
  --json                Ausgabe für Skripte (diff, show, ports, check,
                        backups)

COM1 bis COM4 stehen für serielle Geräte des Systems; morvi-ports.ini im
aktuellen Ordner legt sie fest (eine Zeile je Port, z.B. COM1=/dev/ttyUSB0),
wie beim Fenster.

Vor jedem Programmieren wird der bisherige Sendespeicher gesichert, und jeder
Programmierlauf wird protokolliert, beides in ~/.local/share/morvi/backups.
Bricht ein Lauf nach dem ersten Schreiben ab, nennt morvi-cli die Sicherung
und den Befehl, der sie zurückschreibt.

Strg+C (oder SIGTERM, SIGHUP) während einer Übertragung bricht sie sauber ab:
Port bzw. Adapter werden geschlossen, das Protokoll vermerkt "abgebrochen".
Ein zweites Strg+C beendet sofort.

Rückgabewerte:
  0  erfolgreich (diff, verify: keine Unterschiede)
  1  diff: Unterschiede gefunden
  2  Aufruffehler
  3  Dateifehler (nicht lesbar, keine gültige Konfiguration, nicht
     schreibbar, Sicherung nicht möglich, Standardausgabe nicht schreibbar)
  4  Verbindungsfehler (Port nicht verfügbar, keine Antwort, Adapter
     verloren, Adapter nicht gefunden; check: ein Befund "Fehler")
  5  Firmware des Senders passt nicht zu dieser Software
  6  Prüfung ergab Unterschiede (verify, Rücklese-Prüfung, Prüfsumme;
     read speichert einen Speicher mit falscher Prüfsumme trotzdem)
  7  vom Anwender abgebrochen (Rückfrage vor dem Programmieren verneint)
  130  durch Strg+C abgebrochen (128 + Nummer des Signals; SIGTERM: 143)
)";

struct Arguments {
    QStringList positional;
    bool json = false;
    bool yes = false;
    DeviceTarget target;
    QString output;
    QString error;
};

Arguments parse(const QStringList &arguments)
{
    Arguments parsed;
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QString &a = arguments[i];
        const auto value = [&]() -> QString {
            if (i + 1 < arguments.size()) return arguments[++i];
            parsed.error = QStringLiteral("Option \"%1\" braucht einen Wert.").arg(a);
            return {};
        };
        if (a == QLatin1String("--json")) {
            parsed.json = true;
        } else if (a == QLatin1String("--yes")) {
            parsed.yes = true;
        } else if (a == QLatin1String("--adapter")) {
            parsed.target.adapter = true;
        } else if (a == QLatin1String("--port")) {
            parsed.target.portName = value().toUpper();
        } else if (a == QLatin1String("--schnell")) {
            parsed.target.fast = true;
        } else if (a == QLatin1String("--library")) {
            parsed.target.adapterLibrary = value();
        } else if (a == QLatin1String("-o")) {
            parsed.output = value();
        } else if (a.startsWith(QLatin1Char('-')) && a.size() > 1) {
            if (parsed.error.isEmpty())
                parsed.error = QStringLiteral("Unbekannte Option \"%1\" (morvi-cli --help zeigt die Befehle).").arg(a);
        } else {
            parsed.positional << a;
        }
    }
    return parsed;
}

int exitFor(const ProgrammingOutcome &outcome)
{
    using Kind = ProgrammingOutcome::Kind;
    switch (outcome.kind) {
    case Kind::success: return success;
    case Kind::verifyDifferences:
    case Kind::checksumError: return verifyFailed;
    case Kind::firmwareRefused: return firmwareRefused;
    case Kind::backupFailed: return fileError;
    case Kind::timeout:
    case Kind::linkError:
    case Kind::abandoned: break;
    }
    return linkError;
}

// A run cut off by a signal ends the tool as the shell expects: 128 + the signal's number.
int statusOf(const DeviceSession &session, const ProgrammingOutcome &outcome)
{
    if (session.interruptedBy() != 0) return 128 + session.interruptedBy();
    return session.declined() ? declined : exitFor(outcome);
}

// The transmitter's configuration, read as "Auslesen" reads it into editor.
int readTransmitter(const DeviceTarget &target, Editor &editor, ConsoleReporter &reporter, QTextStream &err)
{
    editor.resetImage();
    DeviceSession session(editor, reporter, err, target, false);
    if (!session.connect()) return linkError;
    const ProgrammingOutcome outcome = session.read();
    return statusOf(session, outcome);
}

// A configuration file read as the window loads it: all 128 image lines or nothing.
std::optional<Editor> loadConfiguration(const QString &path, QTextStream &err)
{
    const auto lines = files::readLinesFile(path);
    if (!lines) {
        err << QStringLiteral("Datei \"%1\" kann nicht gelesen werden.").arg(path) << '\n';
        return std::nullopt;
    }
    const auto image = files::imageFromLines(*lines);
    if (!image) {
        err << QStringLiteral("Datei \"%1\" ist keine gültige Konfigurationsdatei.").arg(path) << '\n';
        return std::nullopt;
    }
    Editor editor;
    editor.image = *image;
    editor.readEDATA();
    return editor;
}

QString q(const std::string &text) { return QString::fromStdString(text); }

int show(const Arguments &args, QTextStream &out, QTextStream &err)
{
    if (args.positional.size() != 2) {
        err << "Aufruf: morvi-cli show DATEI.txc [--json]\n";
        return usageError;
    }
    const auto editor = loadConfiguration(args.positional[1], err);
    if (!editor) return fileError;
    const auto lines = summarize(*editor);
    if (args.json) {
        QJsonArray array;
        for (const SummaryLine &l : lines)
            array.append(QJsonObject{{"name", q(l.name)}, {"label", q(l.label)}, {"value", q(l.value)}});
        out << QJsonDocument(array).toJson(QJsonDocument::Indented);
        return success;
    }
    for (const SummaryLine &l : lines)
        out << (q(l.label) + QLatin1Char(':')).leftJustified(48) << ' ' << q(l.value) << '\n';
    return success;
}

// A configuration named on the command line: a file, or a transmitter ("port:COM1", "adapter").
int configurationOf(const QString &source, const Arguments &args, Editor &editor, QTextStream &err)
{
    if (source == QLatin1String("adapter") || source.startsWith(QLatin1String("port:"))) {
        DeviceTarget target = args.target;
        target.adapter = source == QLatin1String("adapter");
        if (!target.adapter) target.portName = source.mid(5).toUpper();
        ConsoleReporter reporter(err);
        return readTransmitter(target, editor, reporter, err);
    }
    auto loaded = loadConfiguration(source, err);
    if (!loaded) return fileError;
    editor = *loaded;
    return success;
}

int diff(const Arguments &args, QTextStream &out, QTextStream &err)
{
    if (args.positional.size() != 3) {
        err << "Aufruf: morvi-cli diff A B [--json]\n";
        return usageError;
    }
    Editor a, b;
    // A transmitter whose checksum is wrong differs from any sound configuration; its fields are compared all the same.
    bool damaged = false;
    for (auto [source, editor] : {std::pair{args.positional[1], &a}, std::pair{args.positional[2], &b}}) {
        const int status = configurationOf(source, args, *editor, err);
        if (status != success && status != verifyFailed) return status;
        damaged = damaged || status == verifyFailed;
    }
    const auto changes = compareSummaries(summarize(a), summarize(b));
    if (args.json) {
        QJsonArray array;
        for (const SummaryChange &c : changes)
            array.append(
                QJsonObject{{"name", q(c.name)}, {"label", q(c.label)}, {"a", q(c.before)}, {"b", q(c.after)}});
        out << QJsonDocument(array).toJson(QJsonDocument::Indented);
    } else {
        for (const SummaryChange &c : changes)
            out << q(c.label) << ": " << q(c.before) << " -> " << q(c.after) << '\n';
    }
    return changes.empty() && !damaged ? success : differencesFound;
}

int read(const Arguments &args, QTextStream &err)
{
    if (args.positional.size() != 1 || args.output.isEmpty()) {
        err << "Aufruf: morvi-cli read [--port COMn | --adapter] -o DATEI.txc\n";
        return usageError;
    }
    Editor editor;
    ConsoleReporter reporter(err);
    // A memory with a wrong checksum is kept, as the window keeps it: after a cut run it is what needs archiving.
    const int status = readTransmitter(args.target, editor, reporter, err);
    if (status != success && status != verifyFailed) return status;
    // Saved as the window saves after a read: the boxes stand as the image says.
    QStringList lines;
    files::BuildFile(editor, {flagOf(editor.image, FlagBox::CBzyk), editor.image[offset::maxSendCount] != 0}, reporter,
                     {args.target.portName, QString::fromStdString(reporter.firmwareLabel())}, lines);
    if (!files::writeLinesFile(args.output, lines)) {
        err << QStringLiteral("Datei \"%1\" kann nicht geschrieben werden.").arg(args.output) << '\n';
        return fileError;
    }
    if (status == verifyFailed)
        err << QStringLiteral("Prüfsumme falsch: der Sendespeicher ist trotzdem in \"%1\" gespeichert.")
                   .arg(args.output)
            << '\n';
    return status;
}

int program(const Arguments &args, QTextStream &err)
{
    if (args.positional.size() != 2) {
        err << "Aufruf: morvi-cli program DATEI.txc [--port COMn | --adapter] [--yes]\n";
        return usageError;
    }
    // Nobody could answer the question (a cron job, a pipe): refused before any port is opened.
    if (!args.yes && isatty(STDIN_FILENO) == 0) {
        err << "Ohne Terminal an der Standardeingabe programmiert morvi-cli nur mit --yes.\n";
        return usageError;
    }
    auto editor = loadConfiguration(args.positional[1], err);
    if (!editor) return fileError;
    ConsoleReporter reporter(err);
    // As the window loads a file: its firmware bytes are checked and remembered.
    editor->checkfirmware(reporter);
    DeviceSession session(*editor, reporter, err, args.target, args.yes);
    if (!session.connect()) return linkError;
    const ProgrammingOutcome outcome = session.program(args.positional[1]);
    return statusOf(session, outcome);
}

int verify(const Arguments &args, QTextStream &out, QTextStream &err)
{
    if (args.positional.size() != 2) {
        err << "Aufruf: morvi-cli verify DATEI.txc [--port COMn | --adapter]\n";
        return usageError;
    }
    auto file = loadConfiguration(args.positional[1], err);
    if (!file) return fileError;
    // What programming the file would write, completed as the programming run completes it.
    ConsoleReporter quiet(err);
    file->makeEDATA({flagOf(file->image, FlagBox::CBzyk), file->image[offset::maxSendCount] != 0}, quiet);
    file->image[offset::imageChecksum] = file->calculatechecksum(quiet);
    Editor transmitter;
    ConsoleReporter reporter(err);
    // A wrong checksum is a difference too; the others are listed all the same.
    const int status = readTransmitter(args.target, transmitter, reporter, err);
    if (status != success && status != verifyFailed) return status;
    QStringList differing;
    for (int i = 0; i < programmedBytes; ++i)
        if (!keptByTransmitter(i) && file->image[i] != transmitter.image[i]) differing << QString::number(i);
    if (differing.isEmpty()) return success;
    for (const SummaryChange &c : compareSummaries(summarize(*file), summarize(transmitter)))
        out << q(c.label) << ": " << q(c.before) << " -> " << q(c.after) << '\n';
    out << "Abweichende Adressen: " << differing.join(QStringLiteral(", ")) << '\n';
    return verifyFailed;
}

int ports(Arguments args, QTextStream &out, QTextStream &err)
{
    if (args.positional.size() != 1) {
        err << "Aufruf: morvi-cli ports [--json]\n";
        return usageError;
    }
    Editor editor;
    QString quietText;
    QTextStream quietStream(&quietText);
    ConsoleReporter quiet(quietStream);
    args.target.adapter = true; // always look for the adapter
    DeviceSession session(editor, quiet, err, args.target, false);
    const QJsonObject found = session.ports();
    if (args.json) {
        out << QJsonDocument(found).toJson(QJsonDocument::Indented);
        return success;
    }
    for (const QJsonValue &p : found.value("ports").toArray()) {
        const QJsonObject port = p.toObject();
        const QString device = port.value("device").toString();
        out << port.value("port").toString() << "  " << (device.isEmpty() ? QStringLiteral("(kein Gerät)") : device)
            << "  " << (port.value("available").toBool() ? "verfügbar" : "nicht verfügbar") << '\n';
    }
    const QJsonObject adapter = found.value("adapter").toObject();
    out << "USB-Adapter: "
        << (adapter.value("found").toBool() ? QStringLiteral("gefunden (%1)").arg(adapter.value("name").toString())
                                            : QStringLiteral("nicht gefunden"))
        << '\n';
    return success;
}

} // namespace

int run(const QStringList &arguments, QTextStream &out, QTextStream &err)
{
    if (arguments.contains(QLatin1String("--help")) || arguments.contains(QLatin1String("-h"))) {
        out << QString::fromUtf8(helpText);
        return success;
    }
    const Arguments args = parse(arguments);
    if (!args.error.isEmpty()) {
        err << args.error << '\n';
        return usageError;
    }
    const QString command = args.positional.value(0);
    if (command == QLatin1String("show")) return show(args, out, err);
    if (command == QLatin1String("diff")) return diff(args, out, err);
    if (command == QLatin1String("read")) return read(args, err);
    if (command == QLatin1String("program")) return program(args, err);
    if (command == QLatin1String("verify")) return verify(args, out, err);
    if (command == QLatin1String("ports")) return ports(args, out, err);
    if (command == QLatin1String("check")) {
        if (args.positional.size() == 1) return checkConnection(args.json, args.target.adapterLibrary, out);
        err << "Aufruf: morvi-cli check [--json]\n";
        return usageError;
    }
    if (command == QLatin1String("backups")) {
        if (args.positional.size() != 1) {
            err << "Aufruf: morvi-cli backups [--json]\n";
            return usageError;
        }
        return listBackups(files::backupFolder(), args.json, out);
    }
    err << (command.isEmpty() ? QStringLiteral("Kein Befehl angegeben")
                              : QStringLiteral("Unbekannter Befehl \"%1\"").arg(command))
        << " (morvi-cli --help zeigt die Befehle).\n";
    return usageError;
}

} // namespace morvi::cli
