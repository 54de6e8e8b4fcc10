#include "usb_choice_file.h"

#include "line_text.h"

namespace morvi::files {

namespace {
const QString fastLine = QStringLiteral("schnell=1");
} // namespace

bool readFastUsbChoice(const QString &path)
{
    const auto lines = readLinesFile(path);
    return lines && lines->contains(fastLine);
}

bool writeFastUsbChoice(const QString &path, bool fast)
{
    return writeLinesFile(path, {fast ? fastLine : QStringLiteral("schnell=0")});
}

} // namespace morvi::files
