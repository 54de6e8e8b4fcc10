// The backup before each programming run and the programming log.
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
        QCOMPARE(writeBackup(memory, QStringLiteral("USB schnell"), when, dir.path()),
                 std::optional(dir.filePath("2026-12-09_15-04-05_USB-schnell.txc")));
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
};

QTEST_GUILESS_MAIN(ProgrammingRecordTest)
#include "test_programming_record.moc"
