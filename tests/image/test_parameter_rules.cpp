#include "number_text.h"
#include "parameter_rules.h"
#include "qt_string.h"
#include "recording_reporter.h"

#include <QtTest>

using namespace morvi;
using morvi::test::RecordingReporter;

namespace {

// Byte settings written as flat offset/value pairs.
using Bytes = QList<int>;

Editor editorWith(const Bytes &bytes)
{
    Editor e;
    e.resetImage();
    for (qsizetype i = 0; i + 1 < bytes.size(); i += 2)
        e.image[bytes[i]] = static_cast<std::uint8_t>(bytes[i + 1]);
    e.updateMaxAddress();
    return e;
}

void compareBytes(const Editor &e, const Bytes &bytes)
{
    for (qsizetype i = 0; i + 1 < bytes.size(); i += 2) {
        if (e.image[bytes[i]] != bytes[i + 1])
            QFAIL(qPrintable(
                QStringLiteral("byte %1 is %2, expected %3").arg(bytes[i]).arg(e.image[bytes[i]]).arg(bytes[i + 1])));
    }
}

} // namespace

class ParameterRulesTest : public QObject {
    Q_OBJECT
private slots:
    void namesAndFieldsMatch()
    {
        for (int f = 0; f <= static_cast<int>(Field::PostL); ++f) {
            const auto field = static_cast<Field>(f);
            QCOMPARE(fieldNamed(fieldName(field)), std::optional<Field>(field));
        }
        for (int b = 0; b <= static_cast<int>(FlagBox::CBbatt); ++b) {
            const auto box = static_cast<FlagBox>(b);
            QCOMPARE(flagBoxNamed(flagBoxName(box)), std::optional<FlagBox>(box));
        }
        QVERIFY(!fieldNamed("c1"));
        QVERIFY(isSystemField(Field::PostL) && isSystemField(Field::BitLength) && !isSystemField(Field::Battschwelle));
    }

    void committingAField_data()
    {
        QTest::addColumn<QString>("field");
        QTest::addColumn<Bytes>("before");
        QTest::addColumn<QString>("entry");
        QTest::addColumn<Bytes>("after");
        QTest::addColumn<int>("beeps");
        QTest::addColumn<QString>("shown");

        QTest::newRow("codelength 16") << "codelength" << Bytes{} << "16" << Bytes{95, 16} << 0 << " 16";
        QTest::newRow("codelength above 40") << "codelength" << Bytes{95, 8} << "41" << Bytes{95, 40} << 1 << " 40";
        QTest::newRow("base address") << "Grundadresse" << Bytes{} << "4294967296" << Bytes{90, 1, 94, 0} << 0
                                      << "   4294967296";
        QTest::newRow("base address above 8 bits")
            << "Grundadresse" << Bytes{95, 8} << "300" << Bytes{93, 0, 94, 255} << 1 << "          255";
        QTest::newRow("BlitzTime 30") << "BlitzTime" << Bytes{} << "30" << Bytes{110, 60} << 0 << " 30";
        QTest::newRow("BlitzTime 200") << "BlitzTime" << Bytes{} << "200" << Bytes{110, 240} << 1 << "120";
        QTest::newRow("minAnz 0") << "minAnz" << Bytes{} << "0" << Bytes{102, 0} << 0 << "  1";
        QTest::newRow("minAnz letter") << "minAnz" << Bytes{} << "x" << Bytes{102, 0} << 1 << "  1";
        QTest::newRow("minAnz 300") << "minAnz" << Bytes{} << "300" << Bytes{102, 249} << 1 << "250";
        QTest::newRow("maxAnz 0 keeps") << "maxAnz" << Bytes{111, 7} << "0" << Bytes{111, 7} << 0 << "  6";
        QTest::newRow("maxAnz 10") << "maxAnz" << Bytes{} << "10" << Bytes{111, 11} << 0 << " 10";
        QTest::newRow("maxAnz 254") << "maxAnz" << Bytes{} << "254" << Bytes{111, 255} << 0 << "254";
        QTest::newRow("maxAnz 255 would wrap") << "maxAnz" << Bytes{} << "255" << Bytes{111, 255} << 1 << "254";
        QTest::newRow("TastMess 0") << "TastMess" << Bytes{} << "0" << Bytes{112, 4} << 0 << "  4";
        QTest::newRow("TastMess 3") << "TastMess" << Bytes{} << "3" << Bytes{112, 4} << 0 << "  4";
        QTest::newRow("TastMess 5") << "TastMess" << Bytes{} << "5" << Bytes{112, 4} << 0 << "  4";
        QTest::newRow("TastMess 6") << "TastMess" << Bytes{} << "6" << Bytes{112, 8} << 0 << "  8";
        QTest::newRow("TastMess 10") << "TastMess" << Bytes{} << "10" << Bytes{112, 8} << 0 << "  8";
        QTest::newRow("TastMess 14") << "TastMess" << Bytes{} << "14" << Bytes{112, 16} << 0 << " 16";
        QTest::newRow("TastMess 251") << "TastMess" << Bytes{} << "251" << Bytes{112, 252} << 0 << "252";
        QTest::newRow("TastMess 999") << "TastMess" << Bytes{} << "999" << Bytes{112, 252} << 1 << "252";
        QTest::newRow("minTasten raises max")
            << "minTasten" << Bytes{5, 1, 6, 4} << "20" << Bytes{5, 20, 6, 20} << 0 << " 20";
        QTest::newRow("minTasten 0") << "minTasten" << Bytes{5, 3, 6, 4} << "0" << Bytes{5, 1, 6, 4} << 0 << "  1";
        QTest::newRow("maxTasten 13") << "maxTasten" << Bytes{5, 20, 6, 20} << "13" << Bytes{5, 20, 6, 13} << 0
                                      << " 13";
        QTest::newRow("maxTasten 20") << "maxTasten" << Bytes{} << "20" << Bytes{6, 13} << 1 << " 13";
        QTest::newRow("maxTasten 0") << "maxTasten" << Bytes{} << "0" << Bytes{6, 1} << 0 << "  1";
        QTest::newRow("Intervall 300") << "Intervall" << Bytes{} << "300" << Bytes{8, 1, 9, 44} << 0 << "  300";
        QTest::newRow("Intervall 65535") << "Intervall" << Bytes{} << "65535" << Bytes{8, 255, 9, 255} << 0 << "65535";
        QTest::newRow("Intervall 65536") << "Intervall" << Bytes{} << "65536" << Bytes{8, 255, 9, 255} << 1 << "65535";
        QTest::newRow("checkanz 9") << "checkanz" << Bytes{} << "9" << Bytes{99, 8} << 1 << "8";
        QTest::newRow("checkanz 0") << "checkanz" << Bytes{} << "0" << Bytes{99, 1} << 0 << "1";
        QTest::newRow("timerself 256") << "timerself" << Bytes{} << "256" << Bytes{103, 255} << 1 << "255";
        QTest::newRow("SelfTaste 0 shows 1") << "SelfTaste" << Bytes{} << "0" << Bytes{7, 0} << 0 << " 1";
        QTest::newRow("SelfTaste 17") << "SelfTaste" << Bytes{} << "17" << Bytes{7, 16} << 1 << "16";
        QTest::newRow("Battschwelle 15") << "Battschwelle" << Bytes{96, 7} << "15" << Bytes{96, 247} << 0 << "15";
        QTest::newRow("Battschwelle 16") << "Battschwelle" << Bytes{96, 0x58} << "16" << Bytes{96, 0xF8} << 1 << "15";
        QTest::newRow("PrAnzahl 300") << "PrAnzahl" << Bytes{} << "300" << Bytes{115, 255} << 1 << "255";
        QTest::newRow("PrAnzahl letters") << "PrAnzahl" << Bytes{115, 9} << "ab" << Bytes{115, 0} << 1 << "  0";
        QTest::newRow("PrAnzahl -5") << "PrAnzahl" << Bytes{115, 9} << "-5" << Bytes{115, 0} << 1 << "  0";
        QTest::newRow("BitLength 7") << "BitLength" << Bytes{} << "7" << Bytes{101, 7} << 0 << "  7";
        QTest::newRow("StringPause") << "StringPause" << Bytes{} << "30" << Bytes{100, 30} << 0 << " 30";
        QTest::newRow("PrLength") << "PrLength" << Bytes{} << "150" << Bytes{116, 150} << 0 << "150";
        QTest::newRow("PostP") << "PostP" << Bytes{} << "12" << Bytes{97, 12} << 0 << " 12";
        QTest::newRow("PostL") << "PostL" << Bytes{} << " 13" << Bytes{98, 13} << 0 << " 13";
    }
    void committingAField()
    {
        QFETCH(QString, field);
        QFETCH(Bytes, before);
        QFETCH(QString, entry);
        QFETCH(Bytes, after);
        QFETCH(int, beeps);
        QFETCH(QString, shown);
        Editor e = editorWith(before);
        const Editor untouched = e;
        RecordingReporter r;
        const Field f = *fieldNamed(field.toStdString());
        commitField(e, f, entry.toStdString(), r);
        compareBytes(e, after);
        QCOMPARE(r.beeps, beeps);
        QVERIFY(r.reports.empty());
        QCOMPARE(qs(fieldText(e, f)), shown);
        // Nothing outside the field's own bytes changes.
        for (int i = 0; i < imageSize; ++i) {
            bool named = false;
            for (qsizetype k = 0; k + 1 < after.size(); k += 2)
                named = named || after[k] == i;
            if (!named && e.image[i] != untouched.image[i]) QFAIL(qPrintable(QStringLiteral("byte %1 changed").arg(i)));
        }
    }

    void shownValues_data()
    {
        QTest::addColumn<QString>("field");
        QTest::addColumn<Bytes>("bytes");
        QTest::addColumn<QString>("shown");
        QTest::newRow("BlitzTime 61 shows 30") << "BlitzTime" << Bytes{110, 61} << " 30";
        QTest::newRow("BlitzTime 5 shows 2") << "BlitzTime" << Bytes{110, 5} << "  2";
        QTest::newRow("BlitzTime 7 shows 4") << "BlitzTime" << Bytes{110, 7} << "  4";
        QTest::newRow("SelfTaste 200 shows 16") << "SelfTaste" << Bytes{7, 200} << "16";
        QTest::newRow("maxAnz 0 shows -1") << "maxAnz" << Bytes{111, 0} << " -1";
        QTest::newRow("Battschwelle of 0xA5") << "Battschwelle" << Bytes{96, 0xA5} << "10";
        QTest::newRow("base address capped") << "Grundadresse" << Bytes{95, 8, 93, 3, 94, 232} << "          255";
    }
    void shownValues()
    {
        QFETCH(QString, field);
        QFETCH(Bytes, bytes);
        QFETCH(QString, shown);
        const Editor e = editorWith(bytes);
        QCOMPARE(qs(fieldText(e, *fieldNamed(field.toStdString()))), shown);
    }

    void leavingBlitzTimeStoresTheShownValue()
    {
        Editor e = editorWith({110, 61});
        RecordingReporter r;
        commitField(e, Field::BlitzTime, fieldText(e, Field::BlitzTime), r);
        QCOMPARE(int(e.image[110]), 60);
        QCOMPARE(r.beeps, 0);
    }

    void keyAddresses_data()
    {
        QTest::addColumn<int>("codeBits");
        QTest::addColumn<int>("key");
        QTest::addColumn<QString>("entry");
        QTest::addColumn<Bytes>("after");
        QTest::addColumn<int>("beeps");
        QTest::newRow("40 bits, too large")
            << 40 << 1 << "1099511627776" << Bytes{10, 255, 11, 255, 12, 255, 13, 255, 14, 255} << 1;
        QTest::newRow("0 bits") << 0 << 2 << "5" << Bytes{15, 0, 16, 0, 17, 0, 18, 0, 19, 0} << 1;
        QTest::newRow("8 bits, 300") << 8 << 1 << "300" << Bytes{10, 0, 11, 0, 12, 0, 13, 0, 14, 255} << 1;
        QTest::newRow("2^32 for key 16") << 40 << 16 << "4294967296" << Bytes{85, 1, 86, 0, 87, 0, 88, 0, 89, 0} << 0;
        QTest::newRow("abc") << 40 << 3 << "abc" << Bytes{24, 0} << 1;
        QTest::newRow("-5") << 40 << 3 << "-5" << Bytes{24, 0} << 1;
        QTest::newRow("empty") << 40 << 3 << "" << Bytes{24, 0} << 1;
    }
    void keyAddresses()
    {
        QFETCH(int, codeBits);
        QFETCH(int, key);
        QFETCH(QString, entry);
        QFETCH(Bytes, after);
        QFETCH(int, beeps);
        Editor e = editorWith({95, codeBits, 24, 99});
        RecordingReporter r;
        commitKeyAddress(e, key, entry.toStdString(), r);
        compareBytes(e, after);
        QCOMPARE(r.beeps, beeps);
    }

    void loweringTheCodeLengthKeepsBytesUntilTheFieldIsLeft()
    {
        Editor e = editorWith({95, 16});
        RecordingReporter r;
        commitKeyAddress(e, 3, "1000", r);
        commitField(e, Field::codelength, "8", r);
        e.updateMaxAddress();
        compareBytes(e, {20, 0, 21, 0, 22, 0, 23, 3, 24, 232});
        QCOMPARE(qs(keyAddressText(e, 3)), QStringLiteral("          255"));
        QCOMPARE(qs(maxAddressText(e)), QStringLiteral("max. 255"));
        commitKeyAddress(e, 3, keyAddressText(e, 3), r);
        compareBytes(e, {20, 0, 21, 0, 22, 0, 23, 0, 24, 255});
        QCOMPARE(r.beeps, 0);
    }

    void timeoutEntry_data()
    {
        QTest::addColumn<QString>("entry");
        QTest::addColumn<QChar>("separator");
        QTest::addColumn<bool>("number");
        QTest::addColumn<int>("stored");
        QTest::addColumn<int>("beeps");
        QTest::newRow("2,54") << "2,54" << QChar(',') << true << 25 << 0;
        QTest::newRow("0,25 ties to even") << "0,25" << QChar(',') << true << 2 << 0;
        QTest::newRow("0,75 ties to even") << "0,75" << QChar(',') << true << 8 << 0;
        QTest::newRow("shown text") << " 2,5" << QChar(',') << true << 25 << 0;
        QTest::newRow("30") << "30" << QChar(',') << true << 255 << 1;
        QTest::newRow("-1") << "-1" << QChar(',') << true << 0 << 1;
        QTest::newRow("comma in a dot locale") << " 2,5" << QChar('.') << true << 25 << 0;
        QTest::newRow("dot in a dot locale") << "2.5" << QChar('.') << true << 25 << 0;
        QTest::newRow("huge") << "99999999999999999999999" << QChar(',') << true << 255 << 1;
        QTest::newRow("dot in a comma locale") << "2.5" << QChar(',') << false << 77 << 0;
        QTest::newRow("letters") << "abc" << QChar(',') << false << 77 << 0;
        QTest::newRow("empty") << "" << QChar(',') << false << 77 << 0;
        QTest::newRow("two separators") << "1,2,3" << QChar(',') << false << 77 << 0;
        QTest::newRow("sign only") << "-" << QChar(',') << false << 77 << 0;
    }
    void timeoutEntry()
    {
        QFETCH(QString, entry);
        QFETCH(QChar, separator);
        QFETCH(bool, number);
        QFETCH(int, stored);
        QFETCH(int, beeps);
        Editor e = editorWith({4, 77});
        RecordingReporter r;
        const auto tenths = commitTimeout(e, entry.toStdString(), separator.toLatin1(), r);
        QCOMPARE(tenths.has_value(), number);
        QCOMPARE(int(e.image[4]), stored);
        QCOMPARE(r.beeps, beeps);
    }

    void timeoutShownWithComma_data()
    {
        QTest::addColumn<int>("tenths");
        QTest::addColumn<QString>("text");
        QTest::newRow("0") << 0 << " 0,0";
        QTest::newRow("5") << 5 << " 0,5";
        QTest::newRow("9") << 9 << " 0,9";
        QTest::newRow("10") << 10 << " 1,0";
        QTest::newRow("25") << 25 << " 2,5";
        QTest::newRow("100") << 100 << "10,0";
        QTest::newRow("255") << 255 << "25,5";
    }
    void timeoutShownWithComma()
    {
        QFETCH(int, tenths);
        QFETCH(QString, text);
        ConfigImage image;
        image[4] = static_cast<std::uint8_t>(tenths);
        QCOMPARE(qs(timeoutText(image)), text);
    }

    void intervalMinutes_data()
    {
        QTest::addColumn<int>("tenths");
        QTest::addColumn<QString>("text");
        QTest::newRow("0") << 0 << "= ca. 0.00 min";
        QTest::newRow("600") << 600 << "= ca. 1.00 min";
        QTest::newRow("300") << 300 << "= ca. 0.50 min";
        QTest::newRow("65535") << 65535 << "= ca. 109.22 min";
    }
    void intervalMinutes()
    {
        QFETCH(int, tenths);
        QFETCH(QString, text);
        QCOMPARE(qs(intervalMinutesText(tenths)), text);
    }

    void flagBoxesTouchOnlyTheirBit_data()
    {
        QTest::addColumn<QString>("box");
        QTest::addColumn<int>("offset");
        QTest::addColumn<int>("mask");
        QTest::newRow("CBziffernmode") << "CBziffernmode" << 1 << 0x01;
        QTest::newRow("CBvorwahl") << "CBvorwahl" << 1 << 0x02;
        QTest::newRow("CBclear") << "CBclear" << 1 << 0x04;
        QTest::newRow("CBzyk") << "CBzyk" << 1 << 0x08;
        QTest::newRow("CBpraeambel") << "CBpraeambel" << 1 << 0x10;
        QTest::newRow("CBnoref") << "CBnoref" << 1 << 0x20;
        QTest::newRow("CBpostambel") << "CBpostambel" << 1 << 0x40;
        QTest::newRow("CBchecksumme") << "CBchecksumme" << 1 << 0x80;
        QTest::newRow("press") << "press" << 96 << 0x01;
        QTest::newRow("CBself") << "CBself" << 96 << 0x02;
        QTest::newRow("CBbatt") << "CBbatt" << 96 << 0x04;
    }
    void flagBoxesTouchOnlyTheirBit()
    {
        QFETCH(QString, box);
        QFETCH(int, offset);
        QFETCH(int, mask);
        const FlagBox b = *flagBoxNamed(box.toStdString());
        for (int start : {0x00, 0xFF}) {
            ConfigImage image;
            image[offset] = static_cast<std::uint8_t>(start);
            setFlag(image, b, start == 0);
            QCOMPARE(int(image[offset]), start ^ mask);
            QCOMPARE(flagOf(image, b), start == 0);
        }
    }

    void sendLimitBox()
    {
        ConfigImage image;
        checkSendLimit(image, true);
        QCOMPARE(int(image[111]), 11);
        image[111] = 5;
        checkSendLimit(image, true);
        QCOMPARE(int(image[111]), 5);
        checkSendLimit(image, false);
        QCOMPARE(int(image[111]), 5);
    }

    void digitCountRefreshRule_data()
    {
        QTest::addColumn<bool>("prefix");
        QTest::addColumn<int>("minDigits");
        QTest::addColumn<int>("maxDigits");
        QTest::addColumn<int>("newMin");
        QTest::addColumn<int>("newMax");
        QTest::addColumn<int>("beeps");
        QTest::newRow("prefix 3/3") << true << 3 << 3 << 3 << 4 << 0;
        QTest::newRow("prefix 4/4") << true << 4 << 4 << 4 << 5 << 0;
        QTest::newRow("prefix 5/3") << true << 5 << 3 << 5 << 6 << 0;
        QTest::newRow("prefix 2/6") << true << 2 << 6 << 2 << 6 << 0;
        QTest::newRow("prefix 255/255") << true << 255 << 255 << 254 << 255 << 1;
        QTest::newRow("prefix 255/4") << true << 255 << 4 << 254 << 255 << 1;
        QTest::newRow("no prefix 6/4") << false << 6 << 4 << 4 << 4 << 1;
        QTest::newRow("no prefix 20/13") << false << 20 << 13 << 13 << 13 << 1;
        QTest::newRow("no prefix 4/4") << false << 4 << 4 << 4 << 4 << 0;
    }
    void digitCountRefreshRule()
    {
        QFETCH(bool, prefix);
        QFETCH(int, minDigits);
        QFETCH(int, maxDigits);
        QFETCH(int, newMin);
        QFETCH(int, newMax);
        QFETCH(int, beeps);
        ConfigImage image;
        image[5] = static_cast<std::uint8_t>(minDigits);
        image[6] = static_cast<std::uint8_t>(maxDigits);
        RecordingReporter r;
        applyDigitCountRule(image, prefix, r);
        QCOMPARE(int(image[5]), newMin);
        QCOMPARE(int(image[6]), newMax);
        QCOMPARE(r.beeps, beeps);
    }

    void versionStamp()
    {
        ConfigImage image;
        stampVersion(image);
        QCOMPARE(int(image[124]), 3);
        QCOMPARE(int(image[125]), 34);
        QCOMPARE(qs(versionText()), QStringLiteral("3.34"));
    }
};

QTEST_APPLESS_MAIN(ParameterRulesTest)
#include "test_parameter_rules.moc"
