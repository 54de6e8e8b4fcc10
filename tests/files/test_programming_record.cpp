// The backup before each programming run and the programming log, and the
// list of backups with the log's word on each.
#include "backup_list.h"
#include "config_file.h"
#include "line_text.h"
#include "programming_record.h"

#include <QTemporaryDir>
#include <QtTest>

using namespace morvi;
using namespace morvi::files;

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
        const auto lines = readLinesFile(*first);
        QVERIFY(lines);
        QCOMPARE(lines->size(), configFileLines);
        QCOMPARE(imageFromLines(*lines), std::optional(memory));
        QVERIFY(!writeBackup(memory, QStringLiteral("USB"), when, QStringLiteral("/proc/no-backups-here")));
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
