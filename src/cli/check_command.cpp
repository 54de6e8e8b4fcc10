#include "check_command.h"

#include "cli.h"
#include "connection_check.h"
#include "port_map.h"
#include "programming_record.h"

#include <QDir>
#include <QJsonDocument>

namespace morvi::cli {

int checkConnection(bool json, const QString &adapterLibrary, QTextStream &out)
{
    // The mapping file is read from the current folder, as by the transfers.
    const auto inputs = link::systemCheckInputs(QDir::current().filePath(QString::fromLatin1(link::portMapFileName)),
                                                adapterLibrary, files::backupFolder());
    const auto findings = link::connectionCheck(inputs);
    if (json)
        out << QJsonDocument(link::reportJson(findings)).toJson(QJsonDocument::Indented);
    else
        out << link::reportText(findings);
    return link::blocksConnection(findings) ? linkError : success;
}

} // namespace morvi::cli
