#pragma once

#include "system_view.h"

#include <QJsonObject>
#include <QString>
#include <QStringList>
#include <vector>

namespace morvi::link {

// One thing the connection check found, with what to do about it.
struct Finding {
    // "Fehler" blocks a connection; "Hinweis" may slow it or trip it up.
    enum class Mark { ok, hint, error };
    Mark mark = Mark::ok;
    QString subject; // "COM1", "USB", "ModemManager", ...
    QString text;
    QString remedy; // empty for "OK"
};

QString markText(Finding::Mark mark);

// What the check looks at besides the system itself.
struct CheckInputs {
    QString root = QStringLiteral("/"); // the system's files lie below it
    Identity identity;
    QString portMapFile;          // the morvi-ports.ini the program reads
    QStringList adapterLibraries; // the candidates, as the program loads them
    QString backupFolder;
};

// The root folder: "/" unless MORVI_SYSTEM_ROOT names a tree (for tests).
QString checkRoot();
// The running system as the program sees it: this process's rights, the
// system's adapter libraries unless one is given.
CheckInputs systemCheckInputs(const QString &portMapFile, const QString &adapterLibrary, const QString &backupFolder);

// The findings about COM1 to COM4, the USB adapter and what may keep them away.
std::vector<Finding> connectionCheck(const CheckInputs &inputs);
// Whether any finding is a "Fehler".
bool blocksConnection(const std::vector<Finding> &findings);

// One line per finding: the mark, the finding and its remedy.
QString reportText(const std::vector<Finding> &findings);
QJsonObject reportJson(const std::vector<Finding> &findings);

// Parts of the check, each adding its findings.
void checkPorts(const SystemView &view, const CheckInputs &inputs, std::vector<Finding> &out);
void checkAdapter(const SystemView &view, const CheckInputs &inputs, std::vector<Finding> &out);
void checkNeighbours(const SystemView &view, const CheckInputs &inputs, std::vector<Finding> &out);

// The udev rule Morvi installs.
inline constexpr const char *morviRuleName = "70-morvi-usb-adapter.rules";

} // namespace morvi::link
