#pragma once

#include <QTextStream>

namespace morvi::cli {

// "morvi-cli backups": the backups in folder, newest first, each with the
// date, the link, the configuration programmed and the result the
// programming log gives; as text or, with json, as an array of objects.
int listBackups(const QString &folder, bool json, QTextStream &out);

} // namespace morvi::cli
