#include "reporter.h"

#include <QtTest>

using namespace morvi;

class ReportingTest : public QObject {
    Q_OBJECT
private slots:
    void optionBits_data()
    {
        QTest::addColumn<int>("option");
        QTest::addColumn<QStringList>("runs");
        QTest::newRow("0: bare text") << 0 << QStringList{"Text\n"};
        QTest::newRow("1: time stamp") << 1 << QStringList{" -12:34:56-\n", "Text\n"};
        QTest::newRow("2: blank line") << 2 << QStringList{"Text\n", "\n"};
        QTest::newRow("3: both") << 3 << QStringList{" -12:34:56-\n", "Text\n", "\n"};
        QTest::newRow("5 acts as 1") << 5 << QStringList{" -12:34:56-\n", "Text\n"};
        QTest::newRow("6 acts as 2") << 6 << QStringList{"Text\n", "\n"};
        QTest::newRow("255 acts as 3") << 255 << QStringList{" -12:34:56-\n", "Text\n", "\n"};
    }
    void optionBits()
    {
        QFETCH(int, option);
        QFETCH(QStringList, runs);
        QStringList seen;
        for (const InfoRun &run : infoRuns("Text", colour::purple, option, "12:34:56")) {
            seen << QString::fromStdString(run.text);
            QCOMPARE(run.colour, colour::purple);
        }
        QCOMPARE(seen, runs);
    }

    void emptyTextGivesOneEmptyLine()
    {
        const auto runs = infoRuns("", colour::green, 0, "00:00:00");
        QCOMPARE(runs.size(), std::size_t{1});
        QCOMPARE(runs[0], (InfoRun{"\n", colour::green}));
    }

    void traceListsStartWithTheirNames()
    {
        TraceLists lists;
        lists.append(TraceList::tm, "-fertig-");
        lists.append(TraceList::mem1, "checksumme: 3");
        QCOMPARE(lists.tm, (std::vector<std::string>{"tm", "-fertig-"}));
        QCOMPARE(lists.mem1, (std::vector<std::string>{"mem1", "checksumme: 3"}));
    }

    void colours()
    {
        QCOMPARE(colour::black, Rgb{0x000000});
        QCOMPARE(colour::green, Rgb{0x008000});
        QCOMPARE(colour::red, Rgb{0xFF0000});
        QCOMPARE(colour::purple, Rgb{0x800080});
    }
};

QTEST_APPLESS_MAIN(ReportingTest)
#include "test_reporting.moc"
