// Loads arbitrary bytes as a configuration file through the load command.
// A rejected file must leave the editor exactly as it was.
#include "file_bench.h"

#include <QTemporaryDir>

#include <cstdlib>

using namespace morvi;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    static QTemporaryDir dir;
    static const QString path = dir.filePath("input.txc");
    // Choosing the file moves the current directory; libFuzzer's own paths may be relative.
    static const QString home = QDir::currentPath();
    if (!test::putFile(path, QByteArray(reinterpret_cast<const char *>(data), static_cast<qsizetype>(size))))
        std::abort();

    test::FileBench b;
    // Every byte and some key classes differ from the defaults, so that any stray write shows.
    for (int i = 0; i < imageSize; ++i)
        b.editor.image[i] = static_cast<std::uint8_t>(37 * i + 11);
    b.editor.image[offset::transmitterType] = 2;
    b.editor.readEDATA();
    const Editor before = b.editor;

    b.load(path);
    QDir::setCurrent(home);
    const bool rejected = !b.reporter.reports.empty() && b.reporter.reports[0].text == " Fehler bei \"Datei laden!\"";
    if (rejected) {
        if (!(b.editor.image == before.image) || !(b.editor.keyClassFlags == before.keyClassFlags) ||
            !(b.editor.knownFirmware == before.knownFirmware) || b.reporter.reports.size() != 1)
            std::abort();
    } else {
        // Accepted: 128 image lines, none empty or ending in a blank.
        if (b.Memo1.size() < imageSize || b.reporter.reports.size() < 2) std::abort();
        for (int i = 0; i < imageSize; ++i)
            if (b.Memo1[i].isEmpty() || b.Memo1[i].endsWith(u' ')) std::abort();
    }
    return 0;
}
