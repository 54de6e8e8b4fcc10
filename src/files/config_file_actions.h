#pragma once

#include "config_file_host.h"
#include "editor.h"
#include "file_dialogs.h"
#include "reporter.h"

#include <QString>
#include <QStringList>

#include <stdexcept>

namespace morvi::files {

// The open dialog's name from start-up on, before any file was chosen.
inline const QString startFileName = QStringLiteral("neue datei.txc");

// Raised by DateiGeladen when the file or one of its image lines cannot be read.
class FileLoadError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The save and load commands of the file menu. The window owns the editor,
// the reporter and Memo1; this class keeps the two dialogs' file names.
class ConfigFileActions {
public:
    ConfigFileActions(Editor &editor, Reporter &reporter, ConfigFileHost &host, FileDialogs &dialogs,
                      QStringList &Memo1);

    // Each returns whether the image and the file now hold the same configuration.
    bool Speichern1Click();
    bool Laden1Click();
    // Reads the file the open dialog names into the image and reports; the
    // image changes only when all 128 image lines are valid.
    void DateiGeladen();
    // Builds the file's lines into Memo1, completing the image first.
    void BuildFile();

    // The open dialog's file name; start-up sets it to startFileName, and the
    // status bar shows it.
    const QString &openFileName() const { return openFileName_; }
    void setOpenFileName(const QString &name);
    const QString &saveFileName() const { return saveFileName_; }
    // The configuration in the editor: the file it was loaded from or last
    // saved as; empty while it is neither. A failed load changes nothing here.
    const QString &configName() const { return configName_; }

private:
    std::optional<QString> runDialog(const FileDialogRequest &request);

    Editor &editor_;
    Reporter &reporter_;
    ConfigFileHost &host_;
    FileDialogs &dialogs_;
    QStringList &Memo1_;
    QString openFileName_;
    QString saveFileName_ = QStringLiteral("default.txc");
    QString configName_;
};

} // namespace morvi::files
