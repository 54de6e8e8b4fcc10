// The backup before each programming run and the programming log, and the
// list of backups with the log's word on each.
#include "backup_list.h"
#include "config_file.h"
#include "file_bench.h"
#include "file_programming_recorder.h"
#include "line_text.h"
#include "programming_record.h"

#include <QTemporaryDir>
#include <QtTest>
#include <latch>
#include <set>
#include <sys/stat.h>
#include <thread>

using namespace morvi;
using namespace morvi::files;

namespace {

int modeOf(const QString &path)
{
    struct stat st {};
    return ::stat(QFile::encodeName(path).constData(), &st) == 0 ? int(st.st_mode & 0777) : -1;
}

} // namespace

class ProgrammingRecordTest : public QObject {
    Q_OBJECT
    const QDateTime when{QDate(2026, 12, 9), QTime(15, 4, 5)};

private slots:
    void backupHoldsTheMemoryExactly()
    {
        QTemporaryDir dir;
        ConfigImage memory;
        for (int i = 0; i < imageSize; ++i)
            memory[i] = static_cast<std::uint8_t>(255 - i);
        const auto first = writeBackup(memory, QStringLiteral("COM1"), when, dir.path());
        const auto second = writeBackup(memory, QStringLiteral("COM1"), when, dir.path());
        QCOMPARE(first, std::optional(dir.filePath("2026-12-09_15-04-05_COM1.txc")));
        QCOMPARE(second, std::optional(dir.filePath("2026-12-09_15-04-05_COM1_2.txc")));
        QCOMPARE(writeBackup(memory, QStringLiteral("USB schnell"), when, dir.path()),
                 std::optional(dir.filePath("2026-12-09_15-04-05_USB-schnell.txc")));
        const auto lines = readLinesFile(*first);
        QVERIFY(lines);
        QCOMPARE(lines->size(), configFileLines);
        QCOMPARE(imageFromLines(*lines), std::optional(memory));
        QVERIFY(!writeBackup(memory, QStringLiteral("USB"), when, QStringLiteral("/proc/no-backups-here")));
    }

    // Programs started in the same second (two folders mapping COM1 to different
    // transmitters): each backup keeps a file of its own, readable by its owner only.
    void simultaneousBackupsKeepTheirOwnFiles()
    {
        QTemporaryDir dir;
        const QString folder = dir.filePath("morvi/backups");
        const mode_t savedMask = ::umask(022);
        constexpr int programs = 4, rounds = 20;
        std::vector<std::optional<QString>> paths(programs * rounds);
        for (int round = 0; round < rounds; ++round) {
            std::latch go(programs);
            std::vector<std::thread> threads;
            for (int p = 0; p < programs; ++p)
                threads.emplace_back([&, p, round] {
                    ConfigImage memory;
                    memory[0] = static_cast<std::uint8_t>(p);
                    go.arrive_and_wait();
                    paths[std::size_t(round * programs + p)] =
                        writeBackup(memory, QStringLiteral("COM1"), when.addSecs(round), folder);
                });
            for (std::thread &t : threads)
                t.join();
        }
        QVERIFY(appendProgrammingLog({when, "COM1", "a.txc", 1, "erfolgreich"}, folder));
        ::umask(savedMask);

        std::set<QString> distinct;
        for (const auto &path : paths)
            if (path) distinct.insert(*path);
        QCOMPARE(distinct.size(), paths.size());
        QCOMPARE(QDir(folder).entryList({"*.txc"}, QDir::Files).size(), qsizetype(paths.size()));
        for (std::size_t i = 0; i < paths.size(); ++i) {
            QCOMPARE(modeOf(*paths[i]), 0600);
            // Each file holds the memory of the program that reported it.
            const auto lines = readLinesFile(*paths[i]);
            QVERIFY(lines);
            QCOMPARE(int(imageFromLines(*lines)->bytes()[0]), int(i % programs));
        }
        QCOMPARE(modeOf(folder), 0700);
        QCOMPARE(modeOf(folder + '/' + programmingLogName), 0600);
    }

    // The log names the configuration in the editor: loaded from or saved as, "-" for neither.
    void logNamesTheConfigurationInTheEditor_data()
    {
        QTest::addColumn<QStringList>("steps"); // files loaded ("<") or saved (">") in turn
        QTest::addColumn<QString>("named");
        QTest::newRow("fresh start") << QStringList{} << "-";
        QTest::newRow("loaded") << QStringList{"<a.txc"} << "a.txc";
        QTest::newRow("saved") << QStringList{"<a.txc", ">b.txc"} << "b.txc";
        QTest::newRow("failed load") << QStringList{"<a.txc", "<broken.txc"} << "a.txc";
        QTest::newRow("failed load at the start") << QStringList{"<broken.txc"} << "-";
    }
    void logNamesTheConfigurationInTheEditor()
    {
        QFETCH(QStringList, steps);
        QFETCH(QString, named);
        QTemporaryDir dir;
        test::CurrentDirGuard cwd;
        QVERIFY(writeLinesFile(dir.filePath("a.txc"), fileLines(test::startedEditor().image, {"COM1", "2.20"})));
        QVERIFY(test::putFile(dir.filePath("broken.txc"), "1\r\nx\r\n"));
        test::FileBench b;
        b.actions.setOpenFileName(startFileName);
        for (const QString &step : steps)
            step.startsWith('<') ? b.load(dir.filePath(step.mid(1))) : b.save(dir.filePath(step.mid(1)));
        FileProgrammingRecorder recorder(
            b.reporter, [&] { return b.actions.configName(); }, dir.path());
        recorder.programmingEnded("COM1", 7, {});
        const auto log = readLinesFile(dir.filePath(programmingLogName));
        QVERIFY(log && !log->isEmpty());
        QCOMPARE(log->first().section('\t', 2, 2), named);
        // The status bar names the same file, or the start name before any.
        QCOMPARE(b.host.shownNames.last(), named == "-" ? startFileName : dir.filePath(named));
    }

    void logAppendsWholeLines()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QLatin1String(programmingLogName));
        QVERIFY(appendProgrammingLog({when, "COM1", "a.txc", 17, "erfolgreich"}, dir.path()));
        // A crash in the middle of a line leaves it unfinished.
        QFile log(path);
        QVERIFY(log.open(QIODevice::Append));
        log.write("2026-12-09 15:0");
        log.close();
        QVERIFY(appendProgrammingLog({when, "USB", "", 3, "Zeitüberschreitung bei Byte 57"}, dir.path()));
        QVERIFY(log.open(QIODevice::ReadOnly));
        QCOMPARE(QString::fromUtf8(log.readAll()),
                 QStringLiteral("2026-12-09 15:04:05\tCOM1\ta.txc\tPrüfsumme 17\terfolgreich\n"
                                "2026-12-09 15:0\n"
                                "2026-12-09 15:04:05\tUSB\t-\tPrüfsumme 3\tZeitüberschreitung bei Byte 57\n"));
        QVERIFY(!appendProgrammingLog({when, "COM1", "a.txc", 1, "erfolgreich"}, QStringLiteral("/proc/no-log-here")));
    }

    void backupsListedWithTheirRuns_data()
    {
        QTest::addColumn<QStringList>("backups");
        QTest::addColumn<QStringList>("log");    // time, link, file, result
        QTest::addColumn<QStringList>("listed"); // newest first: file, configuration, result
        const QString b1 = "2026-12-09_15-04-05_COM1.txc";
        QTest::newRow("one run") << QStringList{b1} << QStringList{"15:04:09 COM1 a.txc erfolgreich"}
                                 << QStringList{b1 + " a.txc erfolgreich"};
        QTest::newRow("a run that wrote nothing logs before the backup of the next")
            << QStringList{b1} << QStringList{"15:03:00 COM1 x.txc Firmware", "15:04:09 COM1 a.txc abgebrochen"}
            << QStringList{b1 + " a.txc abgebrochen"};
        QTest::newRow("each link its own lines")
            << QStringList{b1, "2026-12-09_15-04-06_USB.txc"}
            << QStringList{"15:04:08 USB u.txc erfolgreich", "15:04:10 COM1 - Zeitüberschreitung"}
            << QStringList{"2026-12-09_15-04-06_USB.txc u.txc erfolgreich", b1 + " - Zeitüberschreitung"};
        QTest::newRow("a run that left no line")
            << QStringList{b1, "2026-12-09_15-05-00_COM1.txc"} << QStringList{"15:05:04 COM1 a.txc erfolgreich"}
            << QStringList{"2026-12-09_15-05-00_COM1.txc a.txc erfolgreich", b1 + " ? ?"};
        QTest::newRow("two backups in one second")
            << QStringList{b1, "2026-12-09_15-04-05_COM1_2.txc"}
            << QStringList{"15:04:05 COM1 a.txc abgebrochen", "15:04:07 COM1 b.txc erfolgreich"}
            << QStringList{"2026-12-09_15-04-05_COM1_2.txc b.txc erfolgreich", b1 + " a.txc abgebrochen"};
        QTest::newRow("other files are no backups")
            << QStringList{"notiz.txc", "2026-12-09_15-04-05_.txc"} << QStringList{} << QStringList{};
    }
    void backupsListedWithTheirRuns()
    {
        QFETCH(QStringList, backups);
        QFETCH(QStringList, log);
        QFETCH(QStringList, listed);
        QTemporaryDir dir;
        for (const QString &name : backups) {
            QFile file(dir.filePath(name));
            QVERIFY(file.open(QIODevice::WriteOnly));
        }
        for (const QString &line : log) {
            const QStringList f = line.split(' ');
            QVERIFY(appendProgrammingLog(
                {QDateTime(when.date(), QTime::fromString(f[0])), f[1], f[2] == "-" ? QString() : f[2], 1, f[3]},
                dir.path()));
        }
        QStringList got;
        for (const BackupListing &b : listBackups(dir.path()))
            got << QFileInfo(b.path).fileName() + " " +
                       (b.configName ? b.configName->isEmpty() ? "-" : *b.configName : "?") + " " +
                       b.result.value_or("?");
        QCOMPARE(got, listed);
    }
};

QTEST_GUILESS_MAIN(ProgrammingRecordTest)
#include "test_programming_record.moc"
