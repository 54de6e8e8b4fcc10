#include "config_file_actions.h"

#include "config_file.h"
#include "line_text.h"

#include <QDir>
#include <QFileInfo>

namespace morvi::files {

namespace {

const QStringList txcFilters{QStringLiteral("Handsender-Konfiguration (*.txc)"), QStringLiteral("alle Dateien (*.*)")};

FileDialogRequest openRequest(const QString &name)
{
    return {.kind = FileDialogRequest::Kind::Open,
            .title = QStringLiteral("Datei Laden"),
            .filters = txcFilters,
            .defaultSuffix = QStringLiteral("txc"),
            .initialName = name,
            .mustExist = true};
}

FileDialogRequest saveRequest(const QString &name)
{
    return {.kind = FileDialogRequest::Kind::Save,
            .title = QStringLiteral("Datei Speichern"),
            .filters = txcFilters,
            .defaultSuffix = QStringLiteral("txc"),
            .initialName = name,
            .confirmOverwrite = true};
}

std::string fileLine(const QString &path) { return "Datei: \"" + path.toStdString() + "\""; }

} // namespace

ConfigFileActions::ConfigFileActions(Editor &editor, Reporter &reporter, ConfigFileHost &host, FileDialogs &dialogs,
                                     QStringList &Memo1)
    : editor_(editor), reporter_(reporter), host_(host), dialogs_(dialogs), Memo1_(Memo1)
{
}

void ConfigFileActions::setOpenFileName(const QString &name)
{
    openFileName_ = name;
    host_.showFileName(name);
}

std::optional<QString> ConfigFileActions::runDialog(const FileDialogRequest &request)
{
    auto path = dialogs_.choose(request);
    // Like the standard dialogs elsewhere, a choice moves the current
    // directory, which the settings file remembers at exit.
    if (path) QDir::setCurrent(QFileInfo(*path).absolutePath());
    return path;
}

void ConfigFileActions::BuildFile()
{
    files::BuildFile(editor_, host_.sendBoxes(), reporter_, {host_.serialPortName(), host_.firmwareLabel()}, Memo1_);
}

bool ConfigFileActions::Speichern1Click()
{
    bool saved = false;
    try {
        const auto path = runDialog(saveRequest(saveFileName_));
        if (!path) {
            reporter_.showinfo("\"Datei Speichern\" abgebrochen", colour::red, option::block);
        } else {
            saveFileName_ = *path;
            BuildFile();
            if (!writeLinesFile(*path, Memo1_)) throw std::runtime_error("configuration file not written");
            setOpenFileName(*path);
            configName_ = *path;
            reporter_.showinfo(fileLine(*path), colour::green, option::timeStamp);
            reporter_.showinfo("erfolgreich gespeichert", colour::green, option::blankAfter);
            saved = true;
        }
    } catch (const std::exception &) {
        reporter_.beep();
        reporter_.showinfo(" Fehler bei \"Datei speichern!\"", colour::red, option::block);
    }
    host_.showdata();
    return saved;
}

void ConfigFileActions::DateiGeladen()
{
    Memo1_.clear();
    auto lines = readLinesFile(openFileName_);
    if (!lines) throw FileLoadError("configuration file not readable");
    Memo1_ = std::move(*lines);
    const auto loaded = imageFromLines(Memo1_);
    if (!loaded) throw FileLoadError("configuration file has a bad image line");

    editor_.image = *loaded;
    configName_ = openFileName_;
    host_.showFileName(configName_);
    host_.applyDerivedState(editor_.readEDATA());
    reporter_.showinfo(fileLine(openFileName_), colour::green, option::timeStamp);
    reporter_.showinfo("geladen !", colour::green, option::blankAfter);

    if (!editor_.checkfirmware(reporter_)) {
        reporter_.beep();
        reporter_.showinfo("Achtung: die geladene Datei wurde ursprünglich für eine nicht kompatible "
                           "Firmwareversion abgespeichert.",
                           colour::red, 0);
        reporter_.showinfo("Die Einstellungen können daher falsch sein !", colour::red, 0);
        reporter_.showinfo("Es wird dringend empfohlen eine komplett neue Konfiguration zu erstellen!", colour::red,
                           option::blankAfter);
    }
}

bool ConfigFileActions::Laden1Click()
{
    bool loaded = false;
    try {
        const auto path = runDialog(openRequest(openFileName_));
        if (!path) {
            reporter_.showinfo("\"Datei Laden\" abgebrochen", colour::red, option::block);
        } else {
            // The dialog offers a file that failed again next time; the status
            // bar and the save dialog go on naming the configuration in the editor.
            openFileName_ = *path;
            DateiGeladen();
            loaded = true;
        }
        saveFileName_ = openFileName_;
    } catch (const std::exception &) {
        reporter_.beep();
        reporter_.showinfo(" Fehler bei \"Datei laden!\"", colour::red, option::block);
    }
    if (editor_.image[offset::maxSendCount] != 0) host_.applyDerivedState({.sendLimitOn = true, .normalPreset = false});
    host_.showdata();
    return loaded;
}

} // namespace morvi::files
