#include "settings_file.h"

#include "file_integer.h"
#include "line_text.h"

#include <QDir>

#include <algorithm>
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

} // namespace

bool isPortNumber(const QString &text)
{
    return !text.isEmpty() && std::all_of(text.begin(), text.end(), [](QChar c) { return c >= u'0' && c <= u'9'; });
}

QString SettingsFilePath() { return QDir(QDir::currentPath()).filePath(settingsFileName); }

bool readSettingsFile(const QString &path, ProgramSettings &settings, QStringList &Memo1)
{
    Memo1.clear();
    auto lines = readLinesFile(path);
    if (!lines) return false;
    Memo1 = std::move(*lines);

    if (QDir::setCurrent(line(Memo1, 2))) settings.directory = QDir::currentPath();
    settings.SavedComNumber = line(Memo1, 4);
    settings.portName =
        QStringLiteral("COM") + (isPortNumber(settings.SavedComNumber) ? settings.SavedComNumber : QStringLiteral("1"));
    return readPosition(Memo1, 5, QStringLiteral("#posmain#"), settings.posMain) &&
           readPosition(Memo1, 8, QStringLiteral("#poshelp#"), settings.posHelp) &&
           readPosition(Memo1, 11, QStringLiteral("#possys#"), settings.posSystem);
}

QString portNumberLine(const QString &statusText, const QString &SavedComNumber)
{
    if (statusText.size() == 4) return statusText.mid(3);
    const QString unavailable = QStringLiteral(" (f)");
    if (SavedComNumber.isEmpty() && statusText.startsWith(QStringLiteral("COM")) && statusText.endsWith(unavailable))
        return statusText.mid(3, statusText.size() - 3 - unavailable.size());
    return SavedComNumber;
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

} // namespace morvi::files
