#include "file_bench.h"
#include "file_integer.h"
#include "line_text.h"

#include <QTemporaryDir>
#include <QtTest>
#include <functional>
#include <optional>
#include <sys/wait.h>
#include <unistd.h>

using namespace morvi::files;

namespace {

QByteArray utf16(const QString &text, bool bigEndian)
{
    QStringEncoder encoder(bigEndian ? QStringConverter::Utf16BE : QStringConverter::Utf16LE,
                           QStringConverter::Flag::WriteBom);
    return encoder.encode(text);
}

// Runs `job` as a user without special rights, so that folder and file
// permissions apply even when the tests run as root; returns its exit status.
int asUnprivileged(const std::function<int()> &job)
{
    if (geteuid() != 0) return job();
    const pid_t child = fork();
    if (child == 0) {
        const uid_t nobody = 65534;
        if (setgid(nobody) != 0 || setuid(nobody) != 0) _exit(99);
        _exit(job());
    }
    int status = 0;
    waitpid(child, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : 98;
}

} // namespace

class FileTextTest : public QObject {
    Q_OBJECT
private slots:
    void integerRule_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("valid");
        QTest::addColumn<int>("value");
        QTest::newRow("decimal") << "17" << true << 17;
        QTest::newRow("leading blanks") << "  17" << true << 17;
        QTest::newRow("blanks and sign") << " -17" << true << -17;
        QTest::newRow("plus") << "+17" << true << 17;
        QTest::newRow("dollar hex") << "$1F" << true << 31;
        QTest::newRow("x hex") << "x1f" << true << 31;
        QTest::newRow("0X hex") << "0X1F" << true << 31;
        QTest::newRow("negative hex") << "-$10" << true << -16;
        QTest::newRow("largest") << "2147483647" << true << 2147483647;
        QTest::newRow("smallest") << "-2147483648" << true << int{-2147483647 - 1};
        QTest::newRow("hex uses all 32 bits") << "$FFFFFFFF" << true << -1;
        QTest::newRow("empty") << "" << false << 0;
        QTest::newRow("blank") << " " << false << 0;
        QTest::newRow("trailing blank") << "17 " << false << 0;
        QTest::newRow("inner blank") << "1 7" << false << 0;
        QTest::newRow("blank after sign") << "- 17" << false << 0;
        QTest::newRow("tab") << "\t17" << false << 0;
        QTest::newRow("sign only") << "-" << false << 0;
        QTest::newRow("prefix only") << "0x" << false << 0;
        QTest::newRow("dollar only") << "$" << false << 0;
        QTest::newRow("hex digit in decimal") << "1F" << false << 0;
        QTest::newRow("above 32 bits") << "2147483648" << false << 0;
        QTest::newRow("below 32 bits") << "-2147483649" << false << 0;
        QTest::newRow("hex above 32 bits") << "$100000000" << false << 0;
        QTest::newRow("fullwidth digits") << QStringLiteral("\uFF11\uFF17") << false << 0;
    }
    void integerRule()
    {
        QFETCH(QString, text);
        QFETCH(bool, valid);
        QFETCH(int, value);
        const auto parsed = parseFileInteger(text);
        QCOMPARE(parsed.has_value(), valid);
        if (valid) QCOMPARE(*parsed, value);
    }

    void decodeLines_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QStringList>("lines");
        const QStringList oneTwo{"1", "2"};
        QTest::newRow("CR LF") << QByteArray("1\r\n2\r\n") << oneTwo;
        QTest::newRow("LF") << QByteArray("1\n2\n") << oneTwo;
        QTest::newRow("CR") << QByteArray("1\r2\r") << oneTwo;
        QTest::newRow("last line open") << QByteArray("1\r\n2") << oneTwo;
        QTest::newRow("mixed") << QByteArray("1\r\n2\r3\n4") << QStringList{"1", "2", "3", "4"};
        QTest::newRow("LF CR ends two lines") << QByteArray("1\n\r2") << QStringList{"1", "", "2"};
        QTest::newRow("empty lines kept") << QByteArray("\r\n\r\n") << QStringList{"", ""};
        QTest::newRow("empty file") << QByteArray("") << QStringList{};
        QTest::newRow("no mark: system encoding") << QByteArray("Gr\xC3\xBC\xC3\x9F\r\n") << QStringList{"Grüß"};
        QTest::newRow("UTF-8 mark") << QByteArray("\xEF\xBB\xBFGr\xC3\xBC\xC3\x9F\r\n7") << QStringList{"Grüß", "7"};
        QTest::newRow("UTF-16 LE mark") << utf16("Grüß\r\n7\r", false) << QStringList{"Grüß", "7"};
        QTest::newRow("UTF-16 BE mark") << utf16("Grüß\n7", true) << QStringList{"Grüß", "7"};
        QTest::newRow("UTF-16 LE mark then a zero character")
            << utf16(QString(QChar(0)) + "\r\n", false) << QStringList{QString(QChar(0))};
    }
    void decodeLines()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QStringList, lines);
        QCOMPARE(morvi::files::decodeLines(bytes), lines);
    }

    void encodeLinesEndsEveryLineWithCrLf()
    {
        QCOMPARE(encodeLines({"1", "", "Grüß"}), QByteArray("1\r\n\r\nGr\xC3\xBC\xC3\x9F\r\n"));
        QCOMPARE(encodeLines({}), QByteArray());
    }

    // A shared folder may let a user change a file in it but not create one beside it.
    void savingIntoAFolderThatRefusesNewFiles_data()
    {
        QTest::addColumn<bool>("fileWritable");
        QTest::addColumn<int>("sizeLimit"); // bytes a file may grow to; 0 for no limit
        QTest::newRow("writable file is written in place") << true << 0;
        QTest::newRow("read-only file stays as it was") << false << 0;
        QTest::newRow("in-place write cut short keeps the old file") << true << 8;
    }
    void savingIntoAFolderThatRefusesNewFiles()
    {
        QFETCH(bool, fileWritable);
        QFETCH(int, sizeLimit);
        const QString longer = QString(40, QChar('n'));
        QTemporaryDir dir;
        const QString folder = dir.filePath("shared"), path = folder + "/a.txc";
        QVERIFY(QDir().mkdir(folder));
        QVERIFY(writeLinesFile(path, {"old"}));
        QFile::setPermissions(dir.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner | QFile::ReadOther |
                                              QFile::ExeOther);
        QFile::setPermissions(folder, QFile::ReadOwner | QFile::ExeOwner | QFile::ReadOther | QFile::ExeOther);
        const auto writable = QFile::ReadOwner | QFile::WriteOwner | QFile::ReadOther | QFile::WriteOther;
        QFile::setPermissions(path, fileWritable ? writable : QFile::ReadOwner | QFile::ReadOther);
        const int status = asUnprivileged([&] {
            std::optional<morvi::test::FileSizeLimit> limit;
            if (sizeLimit > 0) limit.emplace(static_cast<rlim_t>(sizeLimit));
            return writeLinesFile(path, {longer}) ? 0 : 1;
        });
        QFile::setPermissions(folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        const bool written = fileWritable && sizeLimit == 0;
        QCOMPARE(status, written ? 0 : 1);
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), written ? longer.toLatin1() + "\r\n" : QByteArray("old\r\n"));
        QCOMPARE(QDir(folder).entryList(QDir::Files), QStringList{"a.txc"});
    }

    void unreadableFilesGiveNothing()
    {
        QTemporaryDir dir;
        QVERIFY(!readLinesFile(dir.filePath("missing.txc")));
        QVERIFY(!readLinesFile(dir.path()));
    }
};

QTEST_GUILESS_MAIN(FileTextTest)
#include "test_file_text.moc"
