#pragma once

#include "config_image.h"
#include "editor.h"
#include "reporter.h"

#include <QString>
#include <QStringList>

#include <optional>

namespace morvi::files {

// A configuration file: the 128 image bytes, one decimal number per line,
// then an informative trailer that is never read back.
inline constexpr int configFileLines = 145;

// What the trailer records about the moment of saving.
struct TrailerFacts {
    QString portName;      // the selected serial port, e.g. "COM1"
    QString firmwareLabel; // the text of the window's firmware label, e.g. "2.20"
};

// Completes the image (makeEDATA, which may warn and beep) and builds the
// 145 lines of the file into Memo1.
void BuildFile(Editor &editor, const SendBoxes &boxes, Reporter &reporter, const TrailerFacts &facts,
               QStringList &Memo1);

// The 145 lines of a file holding the image exactly as it is.
QStringList fileLines(const ConfigImage &image, const TrailerFacts &facts);

// The image held by lines 1 to 128, each taking the low eight bits of its
// integer. Nothing when a line is missing or is not an integer, so that a
// bad file never leaves half an image behind.
std::optional<ConfigImage> imageFromLines(const QStringList &lines);

} // namespace morvi::files
