#pragma once

#include <QList>
#include <QRect>
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

// Reads the settings file at path into settings, Memo1 holding its lines.
// Line 2 becomes the current directory when it names one. Reading stops at
// the first position line that is not an integer and keeps what it applied
// before. Returns false when the file was missing or the reading stopped.
bool readSettingsFile(const QString &path, ProgramSettings &settings, QStringList &Memo1);

// Line 4 at exit: the port digit when the status text is a plain four-letter
// port name such as "COM2", otherwise the number read at start-up.
QString portNumberLine(const QString &statusText, const QString &SavedComNumber);

// Writes the 13 lines; statusText is the first status-bar panel's text.
// Returns false when the file could not be written; the old file then stays.
bool writeSettingsFile(const QString &path, const ProgramSettings &settings, const QString &statusText,
                       QStringList &Memo1);

// Frame widths of the three remembered windows.
struct WindowWidths {
    int main = 0;
    int help = 0;
    int system = 0;
};

// Whether a window at pos, width pixels wide, keeps enough of its title bar on
// one of the screens to be dragged with the mouse.
bool titleBarReachable(WindowPosition pos, int width, const QList<QRect> &screens);

// Puts every window that could not be reached back at its design position.
void keepWindowsReachable(ProgramSettings &settings, const WindowWidths &widths, const QList<QRect> &screens);

} // namespace morvi::files
