#pragma once

#include "scripted_dialogs.h"

#include "config_file_actions.h"
#include "presets.h"
#include "recording_reporter.h"

#include <QDir>
#include <QFile>
#include <QStringList>

#include <vector>

#include <csignal>
#include <sys/resource.h>

namespace morvi::test {

// Stands in for the main window: remembers what the file commands asked of it.
class FakeHost : public files::ConfigFileHost {
public:
    SendBoxes boxes;
    QString port = QStringLiteral("COM1");
    QString firmware = QStringLiteral("2.20");
    std::vector<DerivedState> derived;
    QStringList shownNames;
    int refreshes = 0;

    SendBoxes sendBoxes() const override { return boxes; }
    QString serialPortName() const override { return port; }
    QString firmwareLabel() const override { return firmware; }
    void applyDerivedState(const DerivedState &d) override
    {
        derived.push_back(d);
        if (d.sendLimitOn) boxes.sendLimit = true;
    }
    void showFileName(const QString &name) override { shownNames << name; }
    void showdata() override { ++refreshes; }
};

// The image after a fresh start: defaults, Normal preset, version stamp.
inline Editor startedEditor()
{
    Editor e;
    e.resetImage();
    applyPreset(e.image, TransmitterType::Normal);
    e.image[offset::softwareMajor] = softwareVersionMajor;
    e.image[offset::softwareMinor] = softwareVersionMinor;
    return e;
}

// The window's side of the file commands, in one place.
struct FileBench {
    Editor editor = startedEditor();
    RecordingReporter reporter;
    FakeHost host;
    ScriptedDialogs dialogs;
    QStringList Memo1;
    files::ConfigFileActions actions{editor, reporter, host, dialogs, Memo1};

    void save(const QString &path)
    {
        dialogs.answers << path;
        actions.Speichern1Click();
    }
    void load(const QString &path)
    {
        dialogs.answers << path;
        actions.Laden1Click();
    }
};

inline QByteArray fileBytes(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

inline bool putFile(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

// Restores the current directory, which loading, saving and the settings move.
class CurrentDirGuard {
public:
    ~CurrentDirGuard() { QDir::setCurrent(saved_); }

private:
    QString saved_ = QDir::currentPath();
};

// Makes every write beyond the first bytes of a file fail, even for root, so
// that a save can be made to fail half-way. The signal the limit raises is ignored.
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes)
    {
        getrlimit(RLIMIT_FSIZE, &saved_);
        oldHandler_ = std::signal(SIGXFSZ, SIG_IGN);
        rlimit limit = saved_;
        limit.rlim_cur = bytes;
        setrlimit(RLIMIT_FSIZE, &limit);
    }
    ~FileSizeLimit()
    {
        setrlimit(RLIMIT_FSIZE, &saved_);
        std::signal(SIGXFSZ, oldHandler_);
    }

private:
    rlimit saved_{};
    void (*oldHandler_)(int) = nullptr;
};

} // namespace morvi::test
