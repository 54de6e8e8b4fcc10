#pragma once

#include <QString>
#include <QStringList>

namespace morvi::files {

// The outer top-left corner of a window in screen pixels.
struct WindowPosition {
    int left = 0;
    int top = 0;
    friend bool operator==(const WindowPosition &, const WindowPosition &) = default;
};

namespace designPosition {
inline constexpr WindowPosition main{219, 145};
inline constexpr WindowPosition help{134, 89};
inline constexpr WindowPosition system{430, 246};
} // namespace designPosition

// What "morvi.ini" carries from one run to the next. The defaults are what a
// run without the file keeps.
struct ProgramSettings {
    // Made current when read; the window fills it from QDir::currentPath() before writing.
    QString directory;
    // An empty or non-numeric port line means COM1.
    QString portName = QStringLiteral("COM1");
    // Line 4 as read, kept to be written back when the status bar shows no plain port name.
    QString SavedComNumber;
    WindowPosition posMain = designPosition::main;
    WindowPosition posHelp = designPosition::help;
    WindowPosition posSystem = designPosition::system;
};

// The settings file in the current directory; taken once before reading so
// that it is written back to the same place.
QString SettingsFilePath();

// Whether a port line is a port number (digits only); any other line means COM1.
bool isPortNumber(const QString &text);

// Reads the settings file at path into settings, Memo1 holding its lines.
// Line 2 becomes the current directory when it names one. Reading stops at
// the first position line that is not an integer and keeps what it applied
// before. Returns false when the file was missing or the reading stopped.
bool readSettingsFile(const QString &path, ProgramSettings &settings, QStringList &Memo1);

// Line 4 at exit: the port digit when the status text is a plain four-letter
// port name such as "COM2", otherwise the number read at start-up; when none
// was read, the number of a port shown as not available ("COM1 (f)"), so that
// a start without the device keeps its port.
QString portNumberLine(const QString &statusText, const QString &SavedComNumber);

// Writes the 13 lines; statusText is the first status-bar panel's text.
// Returns false when the file could not be written; the old file then stays.
bool writeSettingsFile(const QString &path, const ProgramSettings &settings, const QString &statusText,
                       QStringList &Memo1);

} // namespace morvi::files
