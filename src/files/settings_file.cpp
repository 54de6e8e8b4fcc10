#include "settings_file.h"

#include "file_integer.h"
#include "line_text.h"

#include <QDir>

#include <algorithm>
#include <cstdint>
#include <optional>

namespace morvi::files {

namespace {

const QString settingsFileName = QStringLiteral("morvi.ini");

// Lines are numbered from 1; a line the file does not have reads as empty.
QString line(const QStringList &lines, int number) { return lines.value(number - 1); }

// Applies one position pair if its marker matches. False when a position
// line is not an integer, which ends the reading.
bool readPosition(const QStringList &lines, int markerLine, const QString &marker, WindowPosition &pos)
{
    if (line(lines, markerLine) != marker) return true;
    const auto left = parseFileInteger(line(lines, markerLine + 1));
    if (!left) return false;
    pos.left = *left;
    const auto top = parseFileInteger(line(lines, markerLine + 2));
    if (!top) return false;
    pos.top = *top;
    return true;
}

// Height of the title bar strip, and how much of it must lie on one screen
// for the mouse to take hold of it.
constexpr int titleBarHeight = 24;
constexpr int minimumGripWidth = 40;
constexpr int minimumGripHeight = 10;

} // namespace

QString SettingsFilePath() { return QDir(QDir::currentPath()).filePath(settingsFileName); }

bool readSettingsFile(const QString &path, ProgramSettings &settings, QStringList &Memo1)
{
    Memo1.clear();
    auto lines = readLinesFile(path);
    if (!lines) return false;
    Memo1 = std::move(*lines);

    if (QDir::setCurrent(line(Memo1, 2))) settings.directory = QDir::currentPath();
    settings.portName = QStringLiteral("COM") + line(Memo1, 4);
    settings.SavedComNumber = line(Memo1, 4);
    return readPosition(Memo1, 5, QStringLiteral("#posmain#"), settings.posMain) &&
           readPosition(Memo1, 8, QStringLiteral("#poshelp#"), settings.posHelp) &&
           readPosition(Memo1, 11, QStringLiteral("#possys#"), settings.posSystem);
}

QString portNumberLine(const QString &statusText, const QString &SavedComNumber)
{
    return statusText.size() == 4 ? statusText.mid(3) : SavedComNumber;
}

bool writeSettingsFile(const QString &path, const ProgramSettings &settings, const QString &statusText,
                       QStringList &Memo1)
{
    Memo1.clear();
    const auto appendPosition = [&Memo1](const char *marker, WindowPosition pos) {
        Memo1 << QString::fromLatin1(marker) << QString::number(pos.left) << QString::number(pos.top);
    };
    Memo1 << QStringLiteral("#directory#") << settings.directory;
    Memo1 << QStringLiteral("#COM#") << portNumberLine(statusText, settings.SavedComNumber);
    appendPosition("#posmain#", settings.posMain);
    appendPosition("#poshelp#", settings.posHelp);
    appendPosition("#possys#", settings.posSystem);
    return writeLinesFile(path, Memo1);
}

bool titleBarReachable(WindowPosition pos, int width, const QList<QRect> &screens)
{
    // In 64 bits: a position from the file may lie anywhere in the 32-bit range.
    const std::int64_t left = pos.left, top = pos.top;
    const std::int64_t gripWidth = std::min(width, minimumGripWidth);
    for (const QRect &screen : screens) {
        const std::int64_t shownWidth = std::min<std::int64_t>(left + width, screen.x() + screen.width()) -
                                        std::max<std::int64_t>(left, screen.x());
        const std::int64_t shownHeight = std::min<std::int64_t>(top + titleBarHeight, screen.y() + screen.height()) -
                                         std::max<std::int64_t>(top, screen.y());
        if (shownWidth >= gripWidth && shownHeight >= minimumGripHeight) return true;
    }
    return false;
}

void keepWindowsReachable(ProgramSettings &settings, const WindowWidths &widths, const QList<QRect> &screens)
{
    const auto keep = [&screens](WindowPosition &pos, int width, WindowPosition design) {
        if (!titleBarReachable(pos, width, screens)) pos = design;
    };
    keep(settings.posMain, widths.main, designPosition::main);
    keep(settings.posHelp, widths.help, designPosition::help);
    keep(settings.posSystem, widths.system, designPosition::system);
}

} // namespace morvi::files
