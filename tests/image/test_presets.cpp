#include "presets.h"

#include <QtTest>

using namespace morvi;

Q_DECLARE_METATYPE(morvi::TransmitterType)

class PresetsTest : public QObject {
    Q_OBJECT
private slots:
    void presetWritesItsTable_data()
    {
        QTest::addColumn<TransmitterType>("type");
        QTest::addColumn<QList<int>>("values"); // 123, 100, 101, 113, 115, 116, 97, 98
        QTest::addColumn<bool>("preamble");
        QTest::addColumn<QString>("caption");
        QTest::addColumn<QString>("infoLine");
        QTest::newRow("normal") << TransmitterType::Normal << QList<int>{0, 20, 25, 0, 0, 0, 0, 0} << false
                                << "&Typ (momentan: normal)"
                                << "Sender-Konfiguration (normal)";
        QTest::newRow("high power") << TransmitterType::NormalHighPower << QList<int>{3, 2, 20, 0, 2, 150, 0, 0} << true
                                    << "&Typ (momentan: normal mit HighPower-Sendemodul)"
                                    << "Sender-Konfiguration (normal mit HighPower-Sendemodul)";
        QTest::newRow("parallel") << TransmitterType::Parallel << QList<int>{2, 20, 25, 0, 0, 0, 0, 0} << false
                                  << "&Typ (momentan: Parallelbetrieb)"
                                  << "Sender-Konfiguration (Parallelbetrieb)";
    }
    void presetWritesItsTable()
    {
        QFETCH(TransmitterType, type);
        QFETCH(QList<int>, values);
        QFETCH(bool, preamble);
        QFETCH(QString, caption);
        QFETCH(QString, infoLine);
        const int presetBytes[] = {123, 100, 101, 113, 115, 116, 97, 98};

        // Start from every bit set, then from every bit clear: the preset
        // bytes and bits 4..6 of byte 1 follow the table, nothing else moves.
        for (std::uint8_t fill : {std::uint8_t{0xFF}, std::uint8_t{0x00}}) {
            ConfigImage image;
            image.bytes().fill(fill);
            const ConfigImage before = image;
            applyPreset(image, type);
            for (int i = 0; i < 8; ++i)
                QCOMPARE(int(image[presetBytes[i]]), values[i]);
            const int expectedMode = (fill & 0x8F) | (preamble ? 0x10 : 0);
            QCOMPARE(int(image[1]), expectedMode);
            for (int i = 0; i < imageSize; ++i) {
                if (i == 1 || std::find(std::begin(presetBytes), std::end(presetBytes), i) != std::end(presetBytes))
                    continue;
                QCOMPARE(image[i], before[i]);
            }
        }
        QCOMPARE(QString::fromUtf8(presetOf(type).menuCaption), caption);
        QCOMPARE(QString::fromUtf8(presetOf(type).infoLine), infoLine);
    }

    void normalAfterHighPowerClearsThePreamble()
    {
        ConfigImage image;
        applyPreset(image, TransmitterType::NormalHighPower);
        applyPreset(image, TransmitterType::Normal);
        QVERIFY(!image.bit(1, 0x10));
        QCOMPARE(int(image[115]), 0);
        QCOMPARE(int(image[116]), 0);
    }

    void retiredRs232TypeKeepsItsProtocolBytes_data()
    {
        QTest::addColumn<int>("type");
        QTest::addColumn<int>("after");
        QTest::newRow("rs232") << 1 << 0;
        QTest::newRow("normal") << 0 << 0;
        QTest::newRow("parallel") << 2 << 2;
        QTest::newRow("high power") << 3 << 3;
        QTest::newRow("unknown") << 7 << 7;
    }
    void retiredRs232TypeKeepsItsProtocolBytes()
    {
        QFETCH(int, type);
        QFETCH(int, after);
        ConfigImage image;
        image[123] = static_cast<std::uint8_t>(type);
        image[100] = 125;
        retireRs232Type(image);
        QCOMPARE(int(image[123]), after);
        QCOMPARE(int(image[100]), 125);
    }

    void retiredTypeHasNoPreset() { QVERIFY_THROWS_EXCEPTION(std::invalid_argument, presetOf(TransmitterType::Rs232)); }
};

QTEST_APPLESS_MAIN(PresetsTest)
#include "test_presets.moc"
