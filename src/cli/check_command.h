#pragma once

#include <QString>
#include <QTextStream>

namespace morvi::cli {

// "morvi-cli check": the connection check on this machine, as text or JSON;
// the exit status is linkError when a finding blocks a connection.
int checkConnection(bool json, const QString &adapterLibrary, QTextStream &out);

} // namespace morvi::cli
