#include "config_file.h"

#include "file_integer.h"
#include "maker.h"

namespace morvi::files {

namespace {
const QString creditLine =
    QStringLiteral("Morvi Konfigurationssoftware - Autor: M. Beispiel - 12/2026 - ") + QString::fromLatin1(maker::web);
} // namespace

void BuildFile(Editor &editor, const SendBoxes &boxes, Reporter &reporter, const TrailerFacts &facts,
               QStringList &Memo1)
{
    editor.makeEDATA(boxes, reporter);
    Memo1 = fileLines(editor.image, facts);
}

QStringList fileLines(const ConfigImage &image, const TrailerFacts &facts)
{
    QStringList Memo1;
    for (const std::uint8_t byte : image.bytes())
        Memo1.append(QString::number(byte));
    Memo1.append(facts.portName);
    for (int i = 0; i < 10; ++i)
        Memo1.append(QStringLiteral("freier String"));
    Memo1.append(QStringLiteral("Firmware: ") + facts.firmwareLabel);
    Memo1.append(QString::number(softwareVersionMajor));
    Memo1.append(QString::number(softwareVersionMinor));
    Memo1.append(QStringLiteral("--*--"));
    Memo1.append(QStringLiteral("comments: -reserved-"));
    Memo1.append(creditLine);
    return Memo1;
}

std::optional<ConfigImage> imageFromLines(const QStringList &lines)
{
    if (lines.size() < imageSize) return std::nullopt;
    ConfigImage image;
    for (int i = 0; i < imageSize; ++i) {
        const auto value = parseFileInteger(lines[i]);
        if (!value) return std::nullopt;
        image[i] = static_cast<std::uint8_t>(*value & 0xFF);
    }
    return image;
}

} // namespace morvi::files
