#include "editor.h"
#include "presets.h"
#include "qt_string.h"
#include "recording_reporter.h"

#include <QtTest>

using namespace morvi;
using morvi::test::RecordingReporter;

Q_DECLARE_METATYPE(morvi::KeyClass)

namespace {

// The image as a fresh start leaves it: reset, Normal preset, version stamp.
Editor startedEditor()
{
    Editor e;
    e.resetImage();
    applyPreset(e.image, TransmitterType::Normal);
    e.image[offset::softwareMajor] = 3;
    e.image[offset::softwareMinor] = 34;
    return e;
}

const QString cyclicWarning = QStringLiteral(
    "ACHTUNG!!!: wenn \"zykl. Sendung\" aktiviert ist, dann muss auch \"max-TX-Anz\" eingestellt sein!\"");

} // namespace

class ImageCoreTest : public QObject {
    Q_OBJECT
private slots:
    void startDefaultsCompleteToChecksum255()
    {
        Editor e = startedEditor();
        RecordingReporter r;
        e.makeEDATA({}, r);
        ConfigImage expected;
        const std::pair<int, int> defaults[] = {{1, 1},    {4, 25},   {5, 1},   {6, 4},    {95, 40},
                                                {100, 20}, {101, 25}, {102, 2}, {110, 60}, {112, 40},
                                                {124, 3},  {125, 34}, {126, 2}, {127, 20}};
        for (auto [index, value] : defaults)
            expected[index] = static_cast<std::uint8_t>(value);
        QCOMPARE(e.image, expected);
        QCOMPARE(e.calculatechecksum(r), std::uint8_t{255});
        QCOMPARE(qs(r.traces.mem1.back()), QStringLiteral("checksumme: 255"));
        QCOMPARE(r.beeps, 0);
        QVERIFY(r.reports.empty());
    }

    void checksumCountsExactlyTheProgrammedFields_data()
    {
        QTest::addColumn<int>("index");
        QTest::addColumn<bool>("counted");
        for (int i = 0; i < imageSize; ++i) {
            const bool counted = i != 114 && !(i >= 117 && i <= 122) && i != 126 && i != 127;
            QTest::addRow("byte %d", i) << i << counted;
        }
    }
    void checksumCountsExactlyTheProgrammedFields()
    {
        QFETCH(int, index);
        QFETCH(bool, counted);
        Editor e = startedEditor();
        RecordingReporter r;
        const auto before = e.calculatechecksum(r);
        e.image[index] = static_cast<std::uint8_t>(e.image[index] + 7);
        QCOMPARE(e.calculatechecksum(r) != before, counted);
    }

    void masksPackKeysMostSignificantFirst_data()
    {
        QTest::addColumn<int>("key");
        QTest::addColumn<KeyClass>("keyClass");
        QTest::addColumn<int>("maskOffset");
        QTest::addColumn<int>("first");
        QTest::addColumn<int>("second");
        QTest::newRow("key 1 green") << 1 << KeyClass::FixedFunction << 104 << 128 << 0;
        QTest::newRow("key 16 yellow") << 16 << KeyClass::GroupSelect << 108 << 0 << 1;
        QTest::newRow("key 8 orange") << 8 << KeyClass::Digit << 2 << 1 << 0;
        QTest::newRow("key 9 orange") << 9 << KeyClass::Digit << 2 << 0 << 128;
        QTest::newRow("key 5 blue") << 5 << KeyClass::GroupFunction << 106 << 8 << 0;
    }
    void masksPackKeysMostSignificantFirst()
    {
        QFETCH(int, key);
        QFETCH(KeyClass, keyClass);
        QFETCH(int, maskOffset);
        QFETCH(int, first);
        QFETCH(int, second);
        Editor e = startedEditor();
        RecordingReporter r;
        // Stale mask bits from an earlier image must not survive completion.
        for (int m : {2, 3, 104, 105, 106, 107, 108, 109})
            e.image[m] = 0xFF;
        e.keyClassFlags[key - 1].set(keyClass, true);
        e.makeEDATA({}, r);
        for (int m : {2, 104, 106, 108}) {
            QCOMPARE(int(e.image[m]), m == maskOffset ? first : 0);
            QCOMPARE(int(e.image[m + 1]), m == maskOffset ? second : 0);
        }
        // And back: deriving from the packed masks gives the same flags.
        const KeyClassFlags packed = e.keyClassFlags;
        e.readEDATA();
        QCOMPARE(e.keyClassFlags, packed);
    }

    void keyInTwoMasksKeepsBothUntilEdited()
    {
        Editor e = startedEditor();
        RecordingReporter r;
        e.image[104] = 0x08; // key 5 green
        e.image[106] = 0x08; // key 5 blue
        e.readEDATA();
        QVERIFY(e.keyClassFlags[4].has(KeyClass::FixedFunction));
        QVERIFY(e.keyClassFlags[4].has(KeyClass::GroupFunction));
        QCOMPARE(shownClass(e.keyClassFlags[4]), KeyClass::FixedFunction);
        e.makeEDATA({}, r);
        QCOMPARE(int(e.image[104]), 0x08);
        QCOMPARE(int(e.image[106]), 0x08);
    }

    void shownClassFollowsFlagOrder()
    {
        KeyMembership m;
        QCOMPARE(shownClass(m), KeyClass::Disabled);
        m.set(KeyClass::GroupSelect, true);
        QCOMPARE(shownClass(m), KeyClass::GroupSelect);
        m.set(KeyClass::Digit, true);
        QCOMPARE(shownClass(m), KeyClass::Digit);
        m.set(KeyClass::GroupFunction, true);
        QCOMPARE(shownClass(m), KeyClass::GroupFunction);
        m.set(KeyClass::FixedFunction, true);
        QCOMPARE(shownClass(m), KeyClass::FixedFunction);
        m.set(KeyClass::Disabled, true);
        QVERIFY(!m.any());
    }

    void firmwareRule_data()
    {
        QTest::addColumn<int>("major");
        QTest::addColumn<int>("minor");
        QTest::addColumn<bool>("compatible");
        QTest::addColumn<QString>("label");
        QTest::newRow("2.02") << 2 << 2 << true << "2.02";
        QTest::newRow("2.59") << 2 << 59 << true << "2.59";
        QTest::newRow("2.05") << 2 << 5 << true << "2.05";
        QTest::newRow("0.00") << 0 << 0 << true << "0.00";
        QTest::newRow("2.01") << 2 << 1 << false << "2.01";
        QTest::newRow("2.60") << 2 << 60 << false << "2.60";
        QTest::newRow("1.255") << 1 << 255 << false << "1.255";
        QTest::newRow("3.0") << 3 << 0 << false << "3.00";
        QTest::newRow("0.1") << 0 << 1 << false << "0.01";
    }
    void firmwareRule()
    {
        QFETCH(int, major);
        QFETCH(int, minor);
        QFETCH(bool, compatible);
        QFETCH(QString, label);
        Editor e = startedEditor();
        RecordingReporter r;
        e.image[125] = 34;
        e.image[126] = static_cast<std::uint8_t>(major);
        e.image[127] = static_cast<std::uint8_t>(minor);
        QCOMPARE(e.checkfirmware(r), compatible);
        QCOMPARE(qs(r.firmwareText), label);
        QCOMPARE(r.firmwareColour, compatible ? colour::blue : colour::red);
        const FirmwareVersion expected =
            compatible ? FirmwareVersion{std::uint8_t(major), std::uint8_t(minor)} : FirmwareVersion{2, 20};
        QCOMPARE(e.knownFirmware, expected);
        const std::vector<std::string> trace{"mem1", "vor firmware: 34", "firmwareH: " + std::to_string(major),
                                             "firmwareL: " + std::to_string(minor)};
        QCOMPARE(r.traces.mem1, trace);
        QVERIFY(r.reports.empty());
    }

    void versionZeroIsWrittenByTheNextCompletion()
    {
        Editor e = startedEditor();
        RecordingReporter r;
        e.image[126] = e.image[127] = 0;
        QVERIFY(e.checkfirmware(r));
        e.image[126] = 9;
        e.makeEDATA({}, r);
        QCOMPARE(int(e.image[126]), 0);
        QCOMPARE(int(e.image[127]), 0);
    }

    void completionOfTheSendLimit_data()
    {
        QTest::addColumn<bool>("limitBox");
        QTest::addColumn<int>("byte102");
        QTest::addColumn<int>("byte111");
        QTest::addColumn<int>("expected111");
        QTest::newRow("minimum above maximum is raised") << true << 4 << 4 << 6;
        QTest::newRow("maximum above minimum stays") << true << 4 << 9 << 9;
        QTest::newRow("equal stays") << true << 4 << 6 << 6;
        QTest::newRow("maximum 0 below any minimum") << true << 0 << 1 << 2;
        QTest::newRow("loaded minimum 256 caps at 255") << true << 255 << 3 << 255;
        QTest::newRow("box off clears") << false << 4 << 200 << 0;
    }
    void completionOfTheSendLimit()
    {
        QFETCH(bool, limitBox);
        QFETCH(int, byte102);
        QFETCH(int, byte111);
        QFETCH(int, expected111);
        Editor e = startedEditor();
        RecordingReporter r;
        e.image[102] = static_cast<std::uint8_t>(byte102);
        e.image[111] = static_cast<std::uint8_t>(byte111);
        e.makeEDATA({false, limitBox}, r);
        QCOMPARE(int(e.image[111]), expected111);
    }

    void cyclicSendingWithoutLimitWarnsAndCompletes_data()
    {
        QTest::addColumn<bool>("cyclic");
        QTest::addColumn<bool>("limit");
        QTest::addColumn<bool>("warns");
        QTest::newRow("cyclic, no limit") << true << false << true;
        QTest::newRow("cyclic with limit") << true << true << false;
        QTest::newRow("no cyclic") << false << false << false;
    }
    void cyclicSendingWithoutLimitWarnsAndCompletes()
    {
        QFETCH(bool, cyclic);
        QFETCH(bool, limit);
        QFETCH(bool, warns);
        Editor e = startedEditor();
        RecordingReporter r;
        e.keyClassFlags[0].set(KeyClass::Digit, true);
        e.makeEDATA({cyclic, limit}, r);
        QCOMPARE(int(e.image[2]), 128);
        QCOMPARE(r.beeps, warns ? 1 : 0);
        QCOMPARE(r.reports.size(), std::size_t(warns ? 1 : 0));
        if (warns) {
            QCOMPARE(qs(r.reports[0].text), cyclicWarning);
            QCOMPARE(r.reports[0].colour, colour::red);
            QCOMPARE(r.reports[0].option, 3);
        }
    }

    void derivationReportsLimitAndReplacesUnknownTypes_data()
    {
        QTest::addColumn<int>("type");
        QTest::addColumn<int>("byte111");
        QTest::addColumn<bool>("limitOn");
        QTest::addColumn<bool>("preset");
        QTest::newRow("normal, no limit") << 0 << 0 << false << false;
        QTest::newRow("parallel with limit") << 2 << 11 << true << false;
        QTest::newRow("high power") << 3 << 1 << true << false;
        QTest::newRow("type 7") << 7 << 0 << false << true;
        QTest::newRow("type 255") << 255 << 5 << true << true;
    }
    void derivationReportsLimitAndReplacesUnknownTypes()
    {
        QFETCH(int, type);
        QFETCH(int, byte111);
        QFETCH(bool, limitOn);
        QFETCH(bool, preset);
        Editor e = startedEditor();
        e.image[123] = static_cast<std::uint8_t>(type);
        e.image[111] = static_cast<std::uint8_t>(byte111);
        e.image[100] = 99;
        const DerivedState d = e.readEDATA();
        QCOMPARE(d.sendLimitOn, limitOn);
        QCOMPARE(d.normalPreset, preset);
        QCOMPARE(int(e.image[123]), preset ? 0 : type);
        QCOMPARE(int(e.image[100]), preset ? 20 : 99);
    }

    void readImageChecks_data()
    {
        QTest::addColumn<int>("storedChecksumDelta");
        QTest::addColumn<int>("firmwareMinor");
        QTest::addColumn<QStringList>("reports");
        QTest::newRow("good") << 0 << 20 << QStringList{"Daten erfolgreich gelesen"};
        QTest::newRow("bad checksum") << 1 << 20 << QStringList{"EEPROM checksum Fehler -  ist:0  soll:255"};
        QTest::newRow("bad firmware") << 0 << 60
                                      << QStringList{"Daten erfolgreich gelesen",
                                                     "Geräte-Firmware und Software passen nicht zusammen!"};
    }
    void readImageChecks()
    {
        QFETCH(int, storedChecksumDelta);
        QFETCH(int, firmwareMinor);
        QFETCH(QStringList, reports);
        Editor e = startedEditor();
        e.image[126] = 2;
        e.image[127] = static_cast<std::uint8_t>(firmwareMinor);
        e.image[122] = static_cast<std::uint8_t>(255 + storedChecksumDelta);
        RecordingReporter r;
        const ReadImageCheck check = checkReadImage(e, r);
        QCOMPARE(check.firmwareOk, firmwareMinor < 60);
        QCOMPARE(check.checksumOk, storedChecksumDelta == 0);
        QStringList seen;
        for (const auto &report : r.reports) {
            seen << qs(report.text);
            QCOMPARE(report.option, 3);
            QCOMPARE(report.colour, report.text.starts_with("Daten") ? colour::green : colour::red);
        }
        QCOMPARE(seen, reports);
    }

    void unknownBytesAreCarried()
    {
        Editor e = startedEditor();
        RecordingReporter r;
        for (int i : {0, 114, 117, 118, 119, 120, 121})
            e.image[i] = 0xA5;
        e.image[96] = 0x08;
        e.readEDATA();
        e.makeEDATA({}, r);
        for (int i : {0, 114, 117, 118, 119, 120, 121})
            QCOMPARE(int(e.image[i]), 0xA5);
        QCOMPARE(int(e.image[96]), 0x08);
    }

    // Only what a person edits counts as a change; the stamped and completed bytes do not.
    void changedSinceMarked_data()
    {
        QTest::addColumn<int>("byte"); // -1: key 5's class instead
        QTest::addColumn<bool>("changed");
        QTest::newRow("key class") << -1 << true;
        QTest::newRow("first byte") << 0 << true;
        QTest::newRow("key address") << keyAddressOffset(16) + 4 << true;
        QTest::newRow("code length") << int(offset::codeBits) << true;
        QTest::newRow("type") << int(offset::transmitterType) << true;
        QTest::newRow("checksum") << int(offset::imageChecksum) << false;
        QTest::newRow("software version") << int(offset::softwareMinor) << false;
        QTest::newRow("firmware version") << int(offset::firmwareMajor) << false;
    }
    void changedSinceMarked()
    {
        QFETCH(int, byte);
        QFETCH(bool, changed);
        Editor editor;
        editor.resetImage();
        QVERIFY(editor.changed()); // against the empty image of a new editor
        editor.markUnchanged();
        QVERIFY(!editor.changed());
        if (byte < 0)
            setOnlyClass(editor.keyClassFlags[4], KeyClass::Digit);
        else
            editor.image[byte] = static_cast<std::uint8_t>(editor.image[byte] + 1);
        QCOMPARE(editor.changed(), changed);
        editor.markUnchanged();
        QVERIFY(!editor.changed());
    }
};

QTEST_APPLESS_MAIN(ImageCoreTest)
#include "test_image_core.moc"
