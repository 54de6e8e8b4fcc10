#pragma once

#include <QString>
#include <QStringList>

#include <optional>

namespace morvi::files {

// Everything a standard open or save dialog is set up with.
struct FileDialogRequest {
    enum class Kind { Open, Save };
    Kind kind = Kind::Open;
    QString title;
    QStringList filters; // entries such as "alle Dateien (*.*)", the pattern in brackets
    QString defaultSuffix;
    QString initialName; // the dialog's file name: a bare name or a whole path
    bool confirmOverwrite = false;
    bool mustExist = false;
};

// The seam between the file commands and the toolkit's dialogs, so that
// tests can answer for the user.
class FileDialogs {
public:
    virtual ~FileDialogs() = default;
    // The chosen path, or nothing when the user cancels.
    virtual std::optional<QString> choose(const FileDialogRequest &request) = 0;
};

} // namespace morvi::files
