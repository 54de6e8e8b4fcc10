#include "editor.h"
#include "number_text.h"
#include "qt_string.h"
#include "recording_reporter.h"

#include <QtTest>

using namespace morvi;
using morvi::test::RecordingReporter;

class NumberTextTest : public QObject {
    Q_OBJECT
private slots:
    void checkinParsesAndClamps_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<qint64>("max");
        QTest::addColumn<qint64>("result");
        QTest::addColumn<int>("beeps");
        QTest::newRow("plain") << "17" << qint64(255) << qint64(17) << 0;
        QTest::newRow("leading blanks") << " 17" << qint64(255) << qint64(17) << 0;
        QTest::newRow("shown field") << "  7" << qint64(255) << qint64(7) << 0;
        QTest::newRow("plus sign") << "+5" << qint64(255) << qint64(5) << 0;
        QTest::newRow("letters") << "abc" << qint64(255) << qint64(0) << 1;
        QTest::newRow("negative") << "-5" << qint64(255) << qint64(0) << 1;
        QTest::newRow("empty") << "" << qint64(255) << qint64(0) << 1;
        QTest::newRow("blanks only") << "   " << qint64(255) << qint64(0) << 1;
        QTest::newRow("trailing blank") << "17 " << qint64(255) << qint64(0) << 1;
        QTest::newRow("decimal comma") << "1,5" << qint64(255) << qint64(0) << 1;
        QTest::newRow("hex is not decimal") << "$1F" << qint64(255) << qint64(0) << 1;
        QTest::newRow("two signs") << "+-5" << qint64(255) << qint64(0) << 1;
        QTest::newRow("above limit") << "300" << qint64(255) << qint64(255) << 1;
        QTest::newRow("at limit") << "255" << qint64(255) << qint64(255) << 0;
        QTest::newRow("largest 64-bit") << "9223372036854775807" << qint64(1099511627775) << qint64(1099511627775) << 1;
        QTest::newRow("beyond 64 bits") << "9223372036854775808" << qint64(1099511627775) << qint64(0) << 1;
        QTest::newRow("far beyond 64 bits") << "123456789012345678901234567890" << qint64(40) << qint64(0) << 1;
        QTest::newRow("smallest 64-bit") << "-9223372036854775808" << qint64(40) << qint64(0) << 1;
        QTest::newRow("limit 0") << "5" << qint64(0) << qint64(0) << 1;
    }
    void checkinParsesAndClamps()
    {
        QFETCH(QString, text);
        QFETCH(qint64, max);
        QFETCH(qint64, result);
        QFETCH(int, beeps);
        RecordingReporter r;
        QCOMPARE(checkin(max, text.toStdString(), r), result);
        QCOMPARE(r.beeps, beeps);
        QVERIFY(r.reports.empty());
    }

    void formatting_data()
    {
        QTest::addColumn<int>("digits");
        QTest::addColumn<QChar>("fill");
        QTest::addColumn<qint64>("value");
        QTest::addColumn<QString>("text");
        QTest::newRow("width 3") << 3 << QChar(' ') << qint64(7) << "  7";
        QTest::newRow("leading zero") << 2 << QChar('0') << qint64(5) << "05";
        QTest::newRow("never cut") << 1 << QChar(' ') << qint64(25) << "25";
        QTest::newRow("negative") << 3 << QChar(' ') << qint64(-1) << " -1";
        QTest::newRow("13 digits") << 13 << QChar(' ') << qint64(1099511627775) << "1099511627775";
    }
    void formatting()
    {
        QFETCH(int, digits);
        QFETCH(QChar, fill);
        QFETCH(qint64, value);
        QFETCH(QString, text);
        QCOMPARE(qs(fillString(digits, fill.toLatin1(), value)), text);
        if (fill == ' ') QCOMPARE(qs(setString(digits, value)), text);
    }

    void powerOfTwo()
    {
        QCOMPARE(exp2(-3), qint64(1));
        QCOMPARE(exp2(0), qint64(1));
        QCOMPARE(exp2(8), qint64(256));
        QCOMPARE(exp2(40), qint64(1099511627776));
        QCOMPARE(exp2(62), qint64(1) << 62);
        QCOMPARE(exp2(63), std::numeric_limits<qint64>::max());
        QCOMPARE(exp2(255), std::numeric_limits<qint64>::max());
    }

    void maxAddressFollowsCodeLength_data()
    {
        QTest::addColumn<int>("codeBits");
        QTest::addColumn<qint64>("maxAddress");
        QTest::newRow("0 bits") << 0 << qint64(0);
        QTest::newRow("8 bits") << 8 << qint64(255);
        QTest::newRow("40 bits") << 40 << qint64(1099511627775);
        // Longer codes only come from images; a 5-byte field holds 40 bits.
        QTest::newRow("41 bits") << 41 << qint64(1099511627775);
        QTest::newRow("64 bits") << 64 << qint64(1099511627775);
        QTest::newRow("255 bits") << 255 << qint64(1099511627775);
    }
    void maxAddressFollowsCodeLength()
    {
        QFETCH(int, codeBits);
        QFETCH(qint64, maxAddress);
        Editor e;
        e.image[offset::codeBits] = static_cast<std::uint8_t>(codeBits);
        e.updateMaxAddress();
        QCOMPARE(e.maxAddress, maxAddress);
    }

    void addressFieldsAreBigEndian_data()
    {
        QTest::addColumn<qint64>("value");
        QTest::addColumn<QList<int>>("bytes");
        QTest::newRow("zero") << qint64(0) << QList<int>{0, 0, 0, 0, 0};
        QTest::newRow("1000") << qint64(1000) << QList<int>{0, 0, 0, 3, 232};
        QTest::newRow("2^32") << qint64(4294967296) << QList<int>{1, 0, 0, 0, 0};
        QTest::newRow("2^40-1") << qint64(1099511627775) << QList<int>{255, 255, 255, 255, 255};
        QTest::newRow("beyond 40 bits is clamped") << (qint64(1) << 50) << QList<int>{255, 255, 255, 255, 255};
        QTest::newRow("negative is clamped") << qint64(-1) << QList<int>{0, 0, 0, 0, 0};
    }
    void addressFieldsAreBigEndian()
    {
        QFETCH(qint64, value);
        QFETCH(QList<int>, bytes);
        ConfigImage image;
        image[84] = image[90] = 0x77; // the neighbours must stay untouched
        split64(image, value, 85);
        QList<int> stored;
        for (int i = 85; i < 90; ++i)
            stored << image[i];
        QCOMPARE(stored, bytes);
        QCOMPARE(int(image[84]), 0x77);
        QCOMPARE(int(image[90]), 0x77);
        QCOMPARE(readAddress(image, 85), std::clamp<qint64>(value, 0, maxFieldAddress));
    }

    void shownAddressIsCappedButBytesKept()
    {
        ConfigImage image;
        split64(image, 1000, 20);
        QCOMPARE(qs(setLongString(image, 20, 255)), QStringLiteral("          255"));
        QCOMPARE(qs(setLongString(image, 20, 1099511627775)), QStringLiteral("         1000"));
        QCOMPARE(readAddress(image, 20), qint64(1000));
    }
};

QTEST_APPLESS_MAIN(NumberTextTest)
#include "test_number_text.moc"
