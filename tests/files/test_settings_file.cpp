#include "file_bench.h"
#include "settings_file.h"

#include <QTemporaryDir>
#include <QtTest>

#include <climits>

using namespace morvi::files;
using morvi::test::CurrentDirGuard;
using morvi::test::fileBytes;
using morvi::test::putFile;

namespace {

QPoint point(WindowPosition p) { return {p.left, p.top}; }

QByteArray ini(const QStringList &lines) { return (lines.join("\r\n") + "\r\n").toUtf8(); }

// A full file; %DIR% stands for a folder that exists.
const QStringList full{"#directory#", "%DIR%", "#COM#", "2",        "#posmain#", "-1200", "$20",
                       "#poshelp#",   " 7",    "-8",    "#possys#", "300",       "0x1F"};

QStringList replaced(int line, const QString &text)
{
    QStringList lines = full;
    lines[line - 1] = text;
    return lines;
}

} // namespace

class SettingsFileTest : public QObject {
    Q_OBJECT
    QTemporaryDir root;
    std::optional<CurrentDirGuard> cwd;

private slots:
    void init()
    {
        cwd.emplace();
        QVERIFY(QDir::setCurrent(root.path()));
    }
    void cleanup() { cwd.reset(); }

    void read_data()
    {
        QTest::addColumn<QByteArray>("bytes"); // null: no file
        QTest::addColumn<bool>("dirChanged");
        QTest::addColumn<QString>("port");
        QTest::addColumn<QPoint>("main");
        QTest::addColumn<QPoint>("help");
        QTest::addColumn<QPoint>("sys");
        QTest::addColumn<bool>("complete");
        const QPoint dMain = point(designPosition::main), dHelp = point(designPosition::help),
                     dSys = point(designPosition::system);
        const QPoint main(-1200, 32), help(7, -8), sys(300, 31);
        QTest::newRow("first run, no file") << QByteArray() << false << "1" << dMain << dHelp << dSys << false;
        QTest::newRow("full") << ini(full) << true << "2" << main << help << sys << true;
        QTest::newRow("LF ends, UTF-8 mark")
            << "\xEF\xBB\xBF" + full.join("\n").toUtf8() << true << "2" << main << help << sys << true;
        QTest::newRow("markers 1 and 3 free") << ini(replaced(1, "dir").mid(0, 2) + replaced(3, "x").mid(2)) << true
                                              << "2" << main << help << sys << true;
        QTest::newRow("line 4 empty") << ini(replaced(4, "")) << true << "" << main << help << sys << true;
        QTest::newRow("line 4 not a number") << ini(replaced(4, "2a")) << true << "2a" << main << help << sys << true;
        QTest::newRow("line 4 is 12") << ini(replaced(4, "12")) << true << "12" << main << help << sys << true;
        QTest::newRow("capitalised marker")
            << ini(replaced(5, "#POSMAIN#")) << true << "2" << dMain << help << sys << true;
        QTest::newRow("marker with a blank")
            << ini(replaced(8, "#poshelp# ")) << true << "2" << main << dHelp << sys << true;
        QTest::newRow("directory missing")
            << ini(replaced(2, "/no/such/folder")) << false << "2" << main << help << sys << true;
        QTest::newRow("five lines") << ini(full.mid(0, 5)) << true << "2" << dMain << dHelp << dSys << false;
        QTest::newRow("four lines") << ini(full.mid(0, 4)) << true << "2" << dMain << dHelp << dSys << true;
        QTest::newRow("top not an integer")
            << ini(replaced(7, "oben")) << true << "2" << QPoint(-1200, 145) << dHelp << dSys << false;
        QTest::newRow("trailing blank ends") << ini(replaced(9, "7 ")) << true << "2" << main << dHelp << dSys << false;
        QTest::newRow("empty file") << QByteArray("") << false << "" << dMain << dHelp << dSys << true;
    }
    void read()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(bool, dirChanged);
        QFETCH(QString, port);
        QFETCH(QPoint, main);
        QFETCH(QPoint, help);
        QFETCH(QPoint, sys);
        QFETCH(bool, complete);
        const QString folder = root.filePath("remembered");
        QVERIFY(QDir().mkpath(folder));
        const QString path = SettingsFilePath();
        QCOMPARE(path, root.filePath("morvi.ini"));
        QFile::remove(path);
        if (!bytes.isNull()) QVERIFY(putFile(path, QString::fromUtf8(bytes).replace("%DIR%", folder).toUtf8()));

        ProgramSettings s;
        QStringList Memo1;
        QCOMPARE(readSettingsFile(path, s, Memo1), complete);
        QCOMPARE(QDir::currentPath(), dirChanged ? folder : root.path());
        QCOMPARE(s.directory, dirChanged ? folder : QString());
        if (bytes.isNull()) {
            QCOMPARE(s.portName, QStringLiteral("COM1"));
            QCOMPARE(s.SavedComNumber, QString());
        } else {
            // A line that is no port number means COM1; it is still written back as read.
            const bool number = QRegularExpression(QStringLiteral("^[0-9]+$")).match(port).hasMatch();
            QCOMPARE(s.portName, "COM" + (number ? port : QStringLiteral("1")));
            QCOMPARE(s.SavedComNumber, port);
        }
        QCOMPARE(point(s.posMain), main);
        QCOMPARE(point(s.posHelp), help);
        QCOMPARE(point(s.posSystem), sys);
    }

    void portNumberLine_data()
    {
        QTest::addColumn<QString>("status");
        QTest::addColumn<QString>("saved");
        QTest::addColumn<QString>("line");
        QTest::newRow("available port") << "COM2"
                                        << "1"
                                        << "2";
        QTest::newRow("unavailable port") << "COM3 (f)"
                                          << "1"
                                          << "1";
        QTest::newRow("unavailable port, nothing read") << "COM3 (f)"
                                                        << ""
                                                        << "3";
        QTest::newRow("USB, nothing read") << " USB "
                                           << ""
                                           << "";
        QTest::newRow("two-digit port") << "COM12"
                                        << "12"
                                        << "12";
    }
    void portNumberLine()
    {
        QFETCH(QString, status);
        QFETCH(QString, saved);
        QFETCH(QString, line);
        QCOMPARE(morvi::files::portNumberLine(status, saved), line);
    }

    void writeThenRead()
    {
        ProgramSettings s;
        s.directory = root.filePath("sub");
        QVERIFY(QDir().mkpath(s.directory));
        s.SavedComNumber = "4";
        s.posMain = {-5, 145};
        s.posHelp = {1900, 0};
        const QString path = root.filePath("morvi.ini");
        QStringList Memo1;
        QVERIFY(writeSettingsFile(path, s, "COM2", Memo1));
        QCOMPARE(fileBytes(path), ("#directory#\r\n" + s.directory +
                                   "\r\n#COM#\r\n2\r\n#posmain#\r\n-5\r\n145\r\n"
                                   "#poshelp#\r\n1900\r\n0\r\n#possys#\r\n430\r\n246\r\n")
                                      .toUtf8());

        ProgramSettings back;
        QVERIFY(readSettingsFile(path, back, Memo1));
        QCOMPARE(back.portName, QStringLiteral("COM2"));
        QVERIFY(back.posMain == s.posMain && back.posHelp == s.posHelp && back.posSystem == s.posSystem);
        QCOMPARE(back.directory, s.directory);
    }

    void failedWriteKeepsTheOldFile_data()
    {
        QTest::addColumn<bool>("folderIsFile");
        QTest::newRow("folder is a file") << true;
        QTest::newRow("write cut short") << false;
    }
    void failedWriteKeepsTheOldFile()
    {
        QFETCH(bool, folderIsFile);
        const QString path = root.filePath("morvi.ini");
        QVERIFY(putFile(path, "old\r\n"));
        QStringList Memo1;
        if (folderIsFile) {
            QVERIFY(!writeSettingsFile(path + "/morvi.ini", {}, "COM1", Memo1));
        } else {
            const morvi::test::FileSizeLimit limit(16);
            QVERIFY(!writeSettingsFile(path, {}, "COM1", Memo1));
        }
        QCOMPARE(fileBytes(path), QByteArray("old\r\n"));
        QCOMPARE(QDir(root.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"morvi.ini"});
    }
};

QTEST_GUILESS_MAIN(SettingsFileTest)
#include "test_settings_file.moc"
