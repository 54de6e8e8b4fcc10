#include "cli.h"

#include "config_file.h"
#include "config_summary.h"
#include "line_text.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <optional>

namespace morvi::cli {

namespace {

const char *const helpText = R"(Aufruf: morvi-cli BEFEHL [ARGUMENTE] [OPTIONEN]

Befehle:
  show DATEI.txc [--json]    die ganze Konfiguration als Text: jedes Feld mit
                             seinem Wert, jede Taste mit Klasse und Adresse
  diff A B [--json]          die Unterschiede zweier Konfigurationsdateien;
                             keine Ausgabe, wenn sie gleich sind
  --help                     diese Hilfe

Rückgabewerte:
  0  erfolgreich (diff: keine Unterschiede)
  1  diff: Unterschiede gefunden
  2  Aufruffehler
  3  Dateifehler (nicht lesbar, keine gültige Konfiguration, nicht schreibbar)
  4  Verbindungsfehler (Port nicht verfügbar, keine Antwort, Adapter verloren)
  5  Firmware des Senders passt nicht zu dieser Software
  6  Prüfung ergab Unterschiede
)";

struct Arguments {
    QStringList positional;
    bool json = false;
    QString unknownOption;
};

Arguments parse(const QStringList &arguments)
{
    Arguments parsed;
    for (const QString &a : arguments) {
        if (a == QLatin1String("--json"))
            parsed.json = true;
        else if (a.startsWith(QLatin1String("--")) && parsed.unknownOption.isEmpty())
            parsed.unknownOption = a;
        else
            parsed.positional << a;
    }
    return parsed;
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

int diff(const Arguments &args, QTextStream &out, QTextStream &err)
{
    if (args.positional.size() != 3) {
        err << "Aufruf: morvi-cli diff A B [--json]\n";
        return usageError;
    }
    const auto a = loadConfiguration(args.positional[1], err);
    const auto b = loadConfiguration(args.positional[2], err);
    if (!a || !b) return fileError;
    const auto changes = compareSummaries(summarize(*a), summarize(*b));
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
    return changes.empty() ? success : differencesFound;
}

} // namespace

int run(const QStringList &arguments, QTextStream &out, QTextStream &err)
{
    const Arguments args = parse(arguments);
    if (arguments.contains(QLatin1String("--help")) || arguments.contains(QLatin1String("-h"))) {
        out << QString::fromUtf8(helpText);
        return success;
    }
    if (!args.unknownOption.isEmpty()) {
        err << QStringLiteral("Unbekannte Option \"%1\" (morvi-cli --help zeigt die Befehle).").arg(args.unknownOption)
            << '\n';
        return usageError;
    }
    const QString command = args.positional.value(0);
    if (command == QLatin1String("show")) return show(args, out, err);
    if (command == QLatin1String("diff")) return diff(args, out, err);
    err << (command.isEmpty() ? QStringLiteral("Kein Befehl angegeben")
                              : QStringLiteral("Unbekannter Befehl \"%1\"").arg(command))
        << " (morvi-cli --help zeigt die Befehle).\n";
    return usageError;
}

} // namespace morvi::cli
