#include "line_text.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStringDecoder>
#include <QStringEncoder>

#include <unistd.h>

namespace morvi::files {

QByteArray encodeLines(const QStringList &lines)
{
    QStringEncoder encoder(QStringConverter::System);
    QByteArray bytes;
    for (const QString &line : lines) {
        bytes += encoder.encode(line);
        bytes += "\r\n";
    }
    return bytes;
}

namespace {

QStringConverter::Encoding encodingOf(const QByteArray &bytes)
{
    if (bytes.startsWith("\xEF\xBB\xBF")) return QStringConverter::Utf8;
    if (bytes.startsWith("\xFF\xFE")) return QStringConverter::Utf16LE;
    if (bytes.startsWith("\xFE\xFF")) return QStringConverter::Utf16BE;
    return QStringConverter::System;
}

} // namespace

QStringList decodeLines(const QByteArray &bytes)
{
    // The default flags drop the byte-order mark instead of making it a character.
    QStringDecoder decoder(encodingOf(bytes));
    const QString text = decoder.decode(bytes);
    QStringList lines;
    qsizetype start = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c != u'\r' && c != u'\n') continue;
        lines.append(text.mid(start, i - start));
        if (c == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n') ++i;
        start = i + 1;
    }
    if (start < text.size()) lines.append(text.mid(start));
    return lines;
}

std::optional<QStringList> readLinesFile(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return std::nullopt;
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError) return std::nullopt;
    return decodeLines(bytes);
}

namespace {

// Writes over the file's old content where no file may be created beside it.
// The new bytes go over the old ones and the file is cut to length only when
// they are all written; if a write fails the old bytes are put back, so the
// file never stays cut short.
bool writeInPlace(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    // Unbuffered: after a failed write nothing is left queued to get in the way of the repair.
    if (!file.open(QIODevice::ReadWrite | QIODevice::Unbuffered)) return false;
    const QByteArray old = file.readAll();
    if (file.error() != QFileDevice::NoError) return false;
    const auto writeAll = [&file](const QByteArray &content) {
        return file.seek(0) && file.write(content) == content.size() && file.flush() && file.resize(content.size()) &&
               ::fsync(file.handle()) == 0;
    };
    if (writeAll(bytes)) return true;
    file.unsetError();
    [[maybe_unused]] const bool restored = writeAll(old);
    return false;
}

} // namespace

bool writeLinesFile(const QString &path, const QStringList &lines)
{
    const QByteArray bytes = encodeLines(lines);
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        // A folder that refuses the temporary file (a shared folder, say) may
        // still let the user change the file itself.
        return QFileInfo(path).isFile() && writeInPlace(path, bytes);
    }
    // commit() does not notice a failure while flushing the last buffered
    // bytes and would put a cut-short file in place; flush first and check.
    if (file.write(bytes) != bytes.size() || !file.flush()) {
        file.cancelWriting();
        return false;
    }
    return file.commit();
}

} // namespace morvi::files
