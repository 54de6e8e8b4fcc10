// Reads arbitrary bytes as the settings file. Whatever was taken from it
// must survive being written and read again, as it does across a restart.
#include "file_bench.h"
#include "settings_file.h"

#include <QStringDecoder>
#include <QStringEncoder>
#include <QTemporaryDir>

#include <cstdlib>

using namespace morvi::files;

namespace {

bool encodesLosslessly(const QString &text)
{
    QStringEncoder encoder(QStringConverter::System);
    QStringDecoder decoder(QStringConverter::System);
    return decoder.decode(encoder.encode(text)) == text;
}

bool samePositions(const ProgramSettings &a, const ProgramSettings &b)
{
    return a.posMain == b.posMain && a.posHelp == b.posHelp && a.posSystem == b.posSystem;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    static QTemporaryDir dir;
    static const QString path = dir.filePath("morvi.ini"), again = dir.filePath("again.ini");
    static const QString home = QDir::currentPath();
    if (!morvi::test::putFile(path, QByteArray(reinterpret_cast<const char *>(data), static_cast<qsizetype>(size))))
        std::abort();
    QDir::setCurrent(home);

    ProgramSettings read;
    QStringList Memo1;
    readSettingsFile(path, read, Memo1);
    // A line that is no port number stands for COM1.
    const QString number = isPortNumber(read.SavedComNumber) ? read.SavedComNumber : QStringLiteral("1");
    if (read.portName != "COM" + number) std::abort();

    read.directory = QDir::currentPath();
    if (!writeSettingsFile(again, read, QString(), Memo1)) std::abort();
    ProgramSettings back;
    if (!readSettingsFile(again, back, Memo1) || !samePositions(back, read) || back.directory != read.directory)
        std::abort();
    if (encodesLosslessly(read.SavedComNumber) && back.SavedComNumber != read.SavedComNumber) std::abort();
    QDir::setCurrent(home);
    return 0;
}
