// The main window driven as a user drives it: typing, leaving fields,
// releasing Enter, clicking boxes and labels, double-clicking keys.
#include "caption_panel.h"
#include "main_window_fixture.h"
#include "number_text.h"

#include <QAction>
#include <QCheckBox>
#include <QLabel>
#include <QMenu>
#include <QTabWidget>
#include <QTextBlock>
#include <QTextEdit>
#include <QtTest>

using namespace morvi;

namespace {
const QColor green(0x80, 0xFF, 0x80), orange(0xFE, 0xC8, 0x76), blue(0x80, 0xFF, 0xFF), yellow(0xFF, 0xFF, 0x80);

QString panelName(int key) { return key == 9 ? QStringLiteral("Pan9") : QStringLiteral("pan%1").arg(key); }

// The info window's lines with the colour of each line's first character.
QList<QPair<QString, QColor>> infoLines(QWidget *w)
{
    QList<QPair<QString, QColor>> lines;
    const QTextDocument *doc = w->findChild<QTextEdit *>("MInfo")->document();
    for (QTextBlock b = doc->begin(); b.isValid(); b = b.next()) {
        const auto formats = b.textFormats();
        lines.append({b.text(), formats.isEmpty() ? QColor() : formats.first().format.foreground().color()});
    }
    return lines;
}
} // namespace

class MainWindowTest : public QObject {
    Q_OBJECT
    std::unique_ptr<ui::TFMorvi> w;
    Editor &editor() { return w->editor(); }
    ConfigImage &image() { return w->editor().image; }
    ui::CaptionPanel *panel(int key) { return w->findChild<ui::CaptionPanel *>(panelName(key)); }
    QLineEdit *edit(const QString &name) { return w->findChild<QLineEdit *>(name); }
    QCheckBox *box(const QString &name) { return w->findChild<QCheckBox *>(name); }
    QString labelText(const QString &name) { return w->findChild<QLabel *>(name)->text(); }
    void doubleClickPanel(int key) { QTest::mouseDClick(panel(key), Qt::LeftButton, {}, QPoint(55, 40)); }

private slots:
    void init() { w = test::startedWindow(); }
    void cleanup() { w.reset(); }

    void freshStartShowsTheDefaults()
    {
        QCOMPARE(edit("codelength")->text(), QStringLiteral(" 40"));
        QCOMPARE(labelText("obergrenze"), QStringLiteral("max. 1099511627775"));
        QCOMPARE(edit("BlitzTime")->text(), QStringLiteral(" 30"));
        QCOMPARE(edit("minAnz")->text(), QStringLiteral("  3"));
        QCOMPARE(edit("TastMess")->text(), QStringLiteral(" 40"));
        QCOMPARE(edit("TastenTimeout")->text(), QStringLiteral(" 2,5"));
        QCOMPARE(edit("c1")->text(), QStringLiteral("            0"));
        QVERIFY(!edit("c1")->isEnabled());
        QVERIFY(!edit("maxAnz")->isVisible());
        QCOMPARE(labelText("maxLab1"), QStringLiteral("  (Dauersendung erlaubt)"));
        QCOMPARE(labelText("maxLab2"), QString());
        QCOMPARE(labelText("LTasten"), QStringLiteral("max-Tasten:"));
        QVERIFY(box("CBziffernmode")->isChecked());
        QCOMPARE(labelText("Version"), QStringLiteral("3.34"));
        QCOMPARE(labelText("Firmware"), QStringLiteral("0.0"));
        QCOMPARE(labelText("labelzyk"), QStringLiteral("= ca. 0.00 min"));
        QCOMPARE(w->findChild<QLabel *>("SB1Panel0")->text(), QStringLiteral("COM1"));
        QVERIFY(w->findChild<QAction *>("COM11")->isChecked());
        // A disabled key's address is greyed, not black.
        QCOMPARE(edit("c1")->palette().color(QPalette::Disabled, QPalette::Text), QColor(0x80, 0x80, 0x80));
        QCOMPARE(int(image()[124]), 3);
        QCOMPARE(int(image()[125]), 34);
        QCOMPARE(w->beepCount(), 0);
        QVERIFY(!w->findChild<QWidget *>("Parallelpanel")->isVisible());
    }

    void classCycleOnPanelAndLabel_data()
    {
        QTest::addColumn<bool>("onLabel");
        QTest::newRow("panel") << false;
        QTest::newRow("key label") << true;
    }
    void classCycleOnPanelAndLabel()
    {
        QFETCH(bool, onLabel);
        const int key = 6;
        const QList<QPair<QColor, QString>> expected{{green, " FestAdr."},
                                                     {orange, "Zifferntaste"},
                                                     {blue, " Funktion"},
                                                     {yellow, " Gruppe"},
                                                     {QApplication::palette().color(QPalette::Button), ""}};
        for (const auto &[colour, text] : expected) {
            if (onLabel)
                QTest::mouseDClick(w->findChild<QLabel *>("Lab6"), Qt::LeftButton, {}, QPoint(5, 5));
            else
                doubleClickPanel(key);
            QCOMPARE(panel(key)->colour(), colour);
            QCOMPARE(labelText("Lab6"), text);
            QCOMPARE(edit("c6")->isEnabled(), !text.isEmpty());
        }
        QCOMPARE(panel(key)->caption(), QStringLiteral("- off -"));
        QCOMPARE(w->selectedKey(), key - 1);
        for (int other = 1; other <= keyCount; ++other)
            if (other != key) QVERIFY(!editor().keyClassFlags[other - 1].any());
    }

    void clickingAnotherKeyKeepsTheTypedAddress()
    {
        editor().keyClassFlags[0].set(KeyClass::FixedFunction, true);
        w->showdata();
        QLineEdit *c1 = edit("c1");
        c1->setFocus();
        c1->selectAll();
        QTest::keyClicks(c1, "77");
        QTest::mouseClick(panel(2), Qt::LeftButton, {}, QPoint(55, 40));
        doubleClickPanel(2);
        QCOMPARE(readAddress(image(), 10), qint64(77));
        QCOMPARE(c1->text(), QStringLiteral("           77"));
    }

    void keyWithTwoFlagsShowsBlueAndCyclesToBlueOnly()
    {
        editor().keyClassFlags[3].set(KeyClass::Digit, true);
        editor().keyClassFlags[3].set(KeyClass::GroupFunction, true);
        w->showdata();
        QCOMPARE(panel(4)->colour(), blue);
        doubleClickPanel(4);
        QVERIFY(editor().keyClassFlags[3].has(KeyClass::GroupFunction));
        QVERIFY(!editor().keyClassFlags[3].has(KeyClass::Digit));
        QCOMPARE(panel(4)->colour(), blue);
    }

    void clearCaptionOfYellowKeys_data()
    {
        QTest::addColumn<bool>("clearBit");
        QTest::addColumn<int>("address");
        QTest::addColumn<QString>("caption");
        QTest::newRow("bit set, address 0") << true << 0 << "! clear !";
        QTest::newRow("bit clear, address 0") << false << 0 << "";
        QTest::newRow("bit set, address 1") << true << 1 << "";
    }
    void clearCaptionOfYellowKeys()
    {
        QFETCH(bool, clearBit);
        QFETCH(int, address);
        QFETCH(QString, caption);
        editor().keyClassFlags[1].set(KeyClass::GroupSelect, true);
        image().setBit(1, 0x04, clearBit);
        split64(image(), address, keyAddressOffset(2));
        w->showdata();
        QCOMPARE(panel(2)->caption(), caption);
        QCOMPARE(box("CBclear")->isChecked(), clearBit);
    }

    void addressEntries_data()
    {
        QTest::addColumn<int>("codeBits");
        QTest::addColumn<QString>("entry");
        QTest::addColumn<qint64>("stored");
        QTest::addColumn<int>("beeps");
        QTest::newRow("letters") << 40 << "abc" << qint64(0) << 1;
        QTest::newRow("too large") << 40 << "1099511627776" << qint64(1099511627775) << 1;
        QTest::newRow("8 bits, 300") << 8 << "300" << qint64(255) << 1;
        QTest::newRow("plain") << 40 << "4294967296" << qint64(4294967296) << 0;
    }
    void addressEntries()
    {
        QFETCH(int, codeBits);
        QFETCH(QString, entry);
        QFETCH(qint64, stored);
        QFETCH(int, beeps);
        image()[95] = static_cast<std::uint8_t>(codeBits);
        editor().keyClassFlags[0].set(KeyClass::FixedFunction, true);
        w->showdata();
        test::typeAndLeave(w.get(), "c1", entry, "codelength");
        QCOMPARE(readAddress(image(), 10), stored);
        QCOMPARE(w->beepCount(), beeps);
        QCOMPARE(edit("c1")->text(), QString::number(stored).rightJustified(13, ' '));
    }

    void enterCommitsAndSelectsTheWholeText()
    {
        editor().keyClassFlags[2].set(KeyClass::Digit, true);
        w->showdata();
        QLineEdit *c3 = edit("c3");
        c3->setFocus();
        c3->selectAll();
        QTest::keyClicks(c3, "7");
        QTest::keyClick(c3, Qt::Key_Return);
        QCOMPARE(readAddress(image(), 20), qint64(7));
        QCOMPARE(c3->text(), QStringLiteral("            7"));
        QCOMPARE(c3->selectedText(), c3->text());
        QVERIFY(c3->hasFocus());
    }

    void loweringTheCodeLengthThenPassingThroughAField()
    {
        editor().keyClassFlags[2].set(KeyClass::Digit, true);
        split64(image(), 1000, 20);
        image()[95] = 16;
        w->showdata();
        test::typeAndLeave(w.get(), "codelength", "8", "c3");
        QCOMPARE(edit("c3")->text(), QStringLiteral("          255"));
        QCOMPARE(readAddress(image(), 20), qint64(1000));
        edit("codelength")->setFocus(); // the cursor passes through c3
        QCOMPARE(readAddress(image(), 20), qint64(255));
        QCOMPARE(w->beepCount(), 0);
    }

    void selfKeyDisplay()
    {
        image()[7] = 0;
        image()[123] = 2;
        w->showdata();
        QCOMPARE(edit("SelfTaste")->text(), QStringLiteral(" 1"));
        image()[7] = 200;
        w->showdata();
        QCOMPARE(edit("SelfTaste")->text(), QStringLiteral("16"));
        QCOMPARE(int(image()[7]), 200);
    }

    void prefixBoxChangeRunsTheDigitRuleNested()
    {
        image()[1] |= 0x02;
        image()[5] = 4;
        image()[6] = 4;
        w->showdata();
        QVERIFY(box("CBvorwahl")->isChecked());
        QCOMPARE(int(image()[6]), 5);
        QCOMPARE(labelText("LTasten"), QStringLiteral("Vorwahlstellen max:"));
        QCOMPARE(w->beepCount(), 0);

        // Clearing the prefix box by a click: the minimum follows a smaller maximum, with one beep.
        image()[5] = 6;
        image()[6] = 4;
        QTest::mouseClick(box("CBvorwahl"), Qt::LeftButton);
        QVERIFY(!(image()[1] & 0x02));
        QCOMPARE(int(image()[5]), 4);
        QCOMPARE(w->beepCount(), 1);
        QCOMPARE(labelText("LTasten"), QStringLiteral("max-Tasten:"));
    }

    void retiredTypeIsShownAsNormal()
    {
        image()[123] = 1;
        w->showdata();
        QCOMPARE(int(image()[123]), 0);
        QVERIFY(w->findChild<QAction *>("MTyp_normal")->isChecked());
    }

    void extraPageCaption_data()
    {
        QTest::addColumn<int>("modeFlags");
        QTest::addColumn<QString>("caption");
        QTest::addColumn<bool>("checkanzEnabled");
        QTest::newRow("neither") << 0x00 << " Zusatzeinstellungen " << false;
        QTest::newRow("checksum only") << 0x80 << " Zusatzeinstellungen (x) " << true;
        QTest::newRow("cyclic only") << 0x08 << " Zusatzeinstellungen (x) " << false;
    }
    void extraPageCaption()
    {
        QFETCH(int, modeFlags);
        QFETCH(QString, caption);
        QFETCH(bool, checkanzEnabled);
        image()[1] = static_cast<std::uint8_t>(modeFlags);
        image()[111] = 11; // a send limit, so cyclic sending gives no warning here
        w->showdata();
        auto *pages = w->findChild<QTabWidget *>("PageControl1");
        QCOMPARE(pages->tabText(1), caption);
        QCOMPARE(edit("checkanz")->isEnabled(), checkanzEnabled);
        QCOMPARE(w->findChild<QLabel *>("Lcheckanz")->isEnabled(), checkanzEnabled);
    }

    void cyclicWarningAfterARefresh()
    {
        image()[1] |= 0x08;
        w->showdata();
        QVERIFY(box("CBzyk")->isChecked());
        QCOMPARE(w->beepCount(), 1);
        const auto lines = infoLines(w.get());
        const auto warning =
            std::find_if(lines.begin(), lines.end(), [](const auto &l) { return l.first.startsWith("ACHTUNG"); });
        QVERIFY(warning != lines.end());
        QCOMPARE(warning->second, QColor(Qt::red));
        // Checking the limit box silences it and shows a maximum of 10.
        QTest::mouseClick(box("maxBegrenzung"), Qt::LeftButton);
        QVERIFY(edit("maxAnz")->isVisible());
        QCOMPARE(edit("maxAnz")->text(), QStringLiteral(" 10"));
        QCOMPARE(w->beepCount(), 1);
    }

    void captionLabelRunsTheBoxHandlingWithoutToggling_data()
    {
        QTest::addColumn<QString>("label");
        QTest::addColumn<QString>("box");
        QTest::newRow("Label12") << "Label12"
                                 << "CBclear";
        QTest::newRow("Label10") << "Label10"
                                 << "press";
        QTest::newRow("Label7") << "Label7"
                                << "CBziffernmode";
    }
    void captionLabelRunsTheBoxHandlingWithoutToggling()
    {
        QFETCH(QString, label);
        QFETCH(QString, box);
        const bool before = this->box(box)->isChecked();
        const ConfigImage imageBefore = image();
        image()[124] = 0; // the refresh the handling runs stamps the version again
        QTest::mouseClick(w->findChild<QLabel *>(label), Qt::LeftButton);
        QCOMPARE(this->box(box)->isChecked(), before);
        QCOMPARE(image(), imageBefore);
    }

    void typeMenu()
    {
        image()[1] |= 0x20 | 0x40 | 0x08 | 0x80;
        w->applyDerivedState({true, false});
        w->findChild<QAction *>("MTyp_long")->trigger();
        QCOMPARE(w->findChild<QMenu *>("MTyp")->title(),
                 QStringLiteral("&Typ (momentan: normal mit HighPower-Sendemodul)"));
        QCOMPARE(int(image()[1]) & 0x70, 0x10);
        QCOMPARE(int(image()[1]) & 0x88, 0x88);
        QCOMPARE(int(image()[100]), 2);
        QCOMPARE(w->findChild<QWidget *>("matrixback")->palette().color(QPalette::Window), QColor(0xFF, 0xFF, 0xD5));
        const auto lines = infoLines(w.get());
        QCOMPARE(lines.at(lines.size() - 3).first,
                 QStringLiteral("Sender-Konfiguration (normal mit HighPower-Sendemodul)"));
        QCOMPARE(lines.at(lines.size() - 3).second, QColor(Qt::black));

        w->findChild<QAction *>("MTyp_direkt")->trigger();
        QVERIFY(w->findChild<QWidget *>("Parallelpanel")->isVisible());
        QVERIFY(!w->findChild<QWidget *>("Pzusatzparallel")->isHidden());
        w->findChild<QAction *>("MTyp_normal")->trigger();
        QVERIFY(!w->findChild<QWidget *>("Parallelpanel")->isVisible());
    }

    void timeoutEntry_data()
    {
        QTest::addColumn<QString>("entry");
        QTest::addColumn<int>("stored");
        QTest::addColumn<int>("errorBoxes");
        QTest::newRow("comma") << "0,75" << 8 << 0;
        QTest::newRow("too long") << "30" << 255 << 0;
        QTest::newRow("no number") << "x" << 25 << 1;
    }
    void timeoutEntry()
    {
        QFETCH(QString, entry);
        QFETCH(int, stored);
        QFETCH(int, errorBoxes);
        QStringList shown;
        w->setTimeoutError([&](const QString &text) { shown << text; });
        test::typeAndLeave(w.get(), "TastenTimeout", entry, "codelength");
        QCOMPARE(int(image()[4]), stored);
        QCOMPARE(shown.size(), errorBoxes);
        if (errorBoxes)
            QCOMPARE(shown.first(), entry);
        else
            QCOMPARE(edit("TastenTimeout")->text(), QString::fromStdString(timeoutText(image())));
    }

    void infoWindowReports()
    {
        auto *info = w->findChild<QTextEdit *>("MInfo");
        QCOMPARE(infoLines(w.get()).first().first, QString(27, ' ') + "Info-Fenster");
        // A selection the user made does not move where reports go.
        QTextCursor selection(info->document());
        selection.setPosition(3);
        selection.setPosition(10, QTextCursor::KeepAnchor);
        info->setTextCursor(selection);
        w->showinfo("eins", colour::green, 3);
        w->showinfo("zwei", colour::purple, 5);
        auto lines = infoLines(w.get());
        QCOMPARE(lines.size(), 7); // heading, stamp, eins, blank, stamp, zwei, and the empty last block
        QVERIFY(QRegularExpression("^ -\\d\\d:\\d\\d:\\d\\d-$").match(lines[1].first).hasMatch());
        QCOMPARE(lines[2], (QPair<QString, QColor>("eins", QColor(0x00, 0x80, 0x00))));
        QCOMPARE(lines[3].first, QString());
        QCOMPARE(lines[5], (QPair<QString, QColor>("zwei", QColor(0x80, 0x00, 0x80))));
        QVERIFY(!info->textCursor().hasSelection());
        QCOMPARE(info->textCursor().position(), info->document()->characterCount() - 1);

        QTest::mouseClick(w->findChild<QWidget *>("ButClear"), Qt::LeftButton);
        w->showinfo("drei", colour::red, 0);
        QCOMPARE(info->toPlainText(), QStringLiteral("drei\n"));
    }

    void firmwareLabel()
    {
        image()[126] = 2;
        image()[127] = 60;
        QVERIFY(!editor().checkfirmware(*w));
        QCOMPARE(labelText("Firmware"), QStringLiteral("2.60"));
        QCOMPARE(w->findChild<QLabel *>("LFirmware")->palette().color(QPalette::WindowText), QColor(Qt::red));
        QCOMPARE(w->traces().mem1.back(), std::string("firmwareL: 60"));
    }

    void extraFlagsShown()
    {
        image()[96] = 0xA5;
        w->showdata();
        QVERIFY(box("press")->isChecked());
        QVERIFY(box("CBbatt")->isChecked());
        QVERIFY(!box("CBself")->isChecked());
        QCOMPARE(edit("Battschwelle")->text(), QStringLiteral("10"));
        QCOMPARE(int(image()[96]), 0xA5);
    }
};

QTEST_MAIN(MainWindowTest)
#include "test_main_window.moc"
