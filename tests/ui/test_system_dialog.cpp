#include "editor.h"
#include "number_text.h"
#include "presets.h"
#include "qt_string.h"
#include "recording_reporter.h"
#include "system_dialog.h"

#include <QCheckBox>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QtTest>

#include <memory>

using namespace morvi;
using morvi::ui::TFsystem;

Q_DECLARE_METATYPE(morvi::TransmitterType)

namespace {

// The dialog as the main window owns it: the factory callback stands in for
// the type menu handler and applies the preset of the stored type.
struct Harness {
    Editor editor;
    test::RecordingReporter reporter;
    int presetCalls = 0;
    std::unique_ptr<TFsystem> dlg;

    explicit Harness(std::uint8_t modeFlags = modebit::digitsNeedBlue)
    {
        editor.resetImage();
        editor.image[offset::modeFlags] = modeFlags;
        dlg = std::make_unique<TFsystem>(editor, reporter, [this] {
            ++presetCalls;
            applyPreset(editor.image, TransmitterType(editor.image[offset::transmitterType]));
        });
    }

    // Shown and active, so that focus changes reach the fields.
    bool open()
    {
        dlg->show();
        dlg->activateWindow();
        return QTest::qWaitForWindowActive(dlg.get());
    }

    QLineEdit *edit(const char *name) const { return dlg->findChild<QLineEdit *>(name); }
    QCheckBox *box(const char *name) const { return dlg->findChild<QCheckBox *>(name); }

    void type(const char *name, const QString &text) const
    {
        QTest::mouseClick(edit(name), Qt::LeftButton);
        QTest::keyClicks(edit(name), text);
    }
};

} // namespace

class SystemDialogTest : public QObject {
    Q_OBJECT
private slots:
    void entryIsCorrectedAndStored_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<bool>("byEnter");
        QTest::addColumn<int>("stored");
        QTest::addColumn<int>("beeps");
        QTest::addColumn<QString>("shown");
        QTest::newRow("300 left") << "300" << false << 255 << 1 << "255";
        QTest::newRow("300 enter") << "300" << true << 255 << 1 << "255";
        QTest::newRow("letters") << "abc" << false << 0 << 1 << "  0";
        QTest::newRow("-5") << "-5" << false << 0 << 1 << "  0";
        QTest::newRow("valid") << "42" << true << 42 << 0 << " 42";
    }
    void entryIsCorrectedAndStored()
    {
        QFETCH(QString, typed);
        QFETCH(bool, byEnter);
        QFETCH(int, stored);
        QFETCH(int, beeps);
        QFETCH(QString, shown);
        Harness h;
        h.editor.image[offset::preambleCount] = 9;
        QVERIFY(h.open());

        h.type("PrAnzahl", typed);
        if (byEnter)
            QTest::keyClick(h.edit("PrAnzahl"), Qt::Key_Return);
        else
            h.edit("PrLength")->setFocus();

        QCOMPARE(int(h.editor.image[offset::preambleCount]), stored);
        QCOMPARE(h.reporter.beeps, beeps);
        QCOMPARE(h.edit("PrAnzahl")->text(), shown);
        // Enter keeps the dialog open and leaves the field ready for the next entry.
        QVERIFY(h.dlg->isVisible());
        if (byEnter) QCOMPARE(h.edit("PrAnzahl")->selectedText(), shown);
        QVERIFY(h.reporter.reports.empty());
    }

    void eachFieldWritesItsOwnByte_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("offset");
        QTest::newRow("BitLength") << "BitLength" << 101;
        QTest::newRow("StringPause") << "StringPause" << 100;
        QTest::newRow("PrAnzahl") << "PrAnzahl" << 115;
        QTest::newRow("PrLength") << "PrLength" << 116;
        QTest::newRow("PostP") << "PostP" << 97;
        QTest::newRow("PostL") << "PostL" << 98;
    }
    void eachFieldWritesItsOwnByte()
    {
        QFETCH(QString, name);
        QFETCH(int, offset);
        Harness h;
        h.editor.image[offset] = 7;
        QVERIFY(h.open());
        // A value of 7 is shown as two spaces and the digit.
        QCOMPARE(h.edit(qPrintable(name))->text(), QString("  7"));

        const ConfigImage before = h.editor.image;
        h.type(qPrintable(name), "199");
        h.dlg->findChild<QPushButton *>("ButtonWerk")->setFocus();

        for (int i = 0; i < imageSize; ++i)
            QCOMPARE(int(h.editor.image[i]), i == offset ? 199 : int(before[i]));
        QCOMPARE(h.edit(qPrintable(name))->text(), QString("199"));
    }

    void boxesFollowByteOne_data()
    {
        QTest::addColumn<int>("modeFlags");
        QTest::addColumn<bool>("praeambel");
        QTest::addColumn<bool>("noref");
        QTest::addColumn<bool>("postambel");
        QTest::newRow("0x70") << 0x70 << true << true << true;
        QTest::newRow("0x8F") << 0x8F << false << false << false;
        QTest::newRow("0x20") << 0x20 << false << true << false;
    }
    void boxesFollowByteOne()
    {
        QFETCH(int, modeFlags);
        QFETCH(bool, praeambel);
        QFETCH(bool, noref);
        QFETCH(bool, postambel);
        Harness h;
        // Opposite states before the showing, so every box really changes.
        h.editor.image[offset::modeFlags] = std::uint8_t(~modeFlags);
        h.dlg->showsystem();
        h.editor.image[offset::modeFlags] = std::uint8_t(modeFlags);
        h.dlg->show();

        QCOMPARE(h.box("CBpraeambel")->isChecked(), praeambel);
        QCOMPARE(h.box("CBnoref")->isChecked(), noref);
        QCOMPARE(h.box("CBpostambel")->isChecked(), postambel);
        // The click handling the changes ran wrote the same bits back.
        QCOMPARE(int(h.editor.image[offset::modeFlags]), modeFlags);
    }

    void boxClickWritesItsBit_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("mask");
        QTest::newRow("CBpraeambel") << "CBpraeambel" << 0x10;
        QTest::newRow("CBnoref") << "CBnoref" << 0x20;
        QTest::newRow("CBpostambel") << "CBpostambel" << 0x40;
    }
    void boxClickWritesItsBit()
    {
        QFETCH(QString, name);
        QFETCH(int, mask);
        Harness h(0x8F);
        QVERIFY(h.open());
        QCheckBox *box = h.box(qPrintable(name));

        QTest::mouseClick(box, Qt::LeftButton);
        QVERIFY(box->isChecked());
        QCOMPARE(int(h.editor.image[offset::modeFlags]), 0x8F | mask);
        QTest::mouseClick(box, Qt::LeftButton);
        QVERIFY(!box->isChecked());
        QCOMPARE(int(h.editor.image[offset::modeFlags]), 0x8F);
    }

    void clearingPreambleKeepsItsFieldsEnabled()
    {
        Harness h(modebit::withPreamble);
        h.editor.image[offset::preambleCount] = 2;
        h.editor.image[offset::preamblePulse] = 150;
        QVERIFY(h.open());
        QVERIFY(h.box("CBpraeambel")->isChecked());

        QTest::mouseClick(h.box("CBpraeambel"), Qt::LeftButton);

        QVERIFY(!h.editor.image.bit(offset::modeFlags, modebit::withPreamble));
        for (const char *name : {"PrAnzahl", "PrLength"}) {
            QVERIFY(h.edit(name)->isEnabled());
            QVERIFY(h.edit(name)->isVisible());
        }
        QCOMPARE(h.edit("PrAnzahl")->text(), QString("  2"));
        QCOMPARE(h.edit("PrLength")->text(), QString("150"));
    }

    void factoryButtonRestoresTheStoredType_data()
    {
        QTest::addColumn<TransmitterType>("type");
        QTest::newRow("Parallel") << TransmitterType::Parallel;
        QTest::newRow("NormalHighPower") << TransmitterType::NormalHighPower;
    }
    void factoryButtonRestoresTheStoredType()
    {
        QFETCH(TransmitterType, type);
        Harness h;
        applyPreset(h.editor.image, type);
        QVERIFY(h.open());
        // Changed in the dialog: a box and the two timing fields.
        QTest::mouseClick(h.box("CBnoref"), Qt::LeftButton);
        h.type("StringPause", "99");
        h.type("BitLength", "98");
        h.edit("PostL")->setFocus();
        QCOMPARE(int(h.editor.image[offset::interStringPause]), 99);
        QCOMPARE(int(h.editor.image[offset::bitThirdTime]), 98);

        QTest::mouseClick(h.dlg->findChild<QPushButton *>("ButtonWerk"), Qt::LeftButton);

        const Preset &preset = presetOf(type);
        QCOMPARE(h.presetCalls, 1);
        QCOMPARE(h.editor.image[offset::interStringPause], preset.interStringPause);
        QCOMPARE(h.editor.image[offset::bitThirdTime], preset.bitThirdTime);
        // The dialog shows the restored values at once.
        QCOMPARE(h.edit("StringPause")->text(), qs(setString(3, preset.interStringPause)));
        QCOMPARE(h.edit("BitLength")->text(), qs(setString(3, preset.bitThirdTime)));
        QCOMPARE(h.edit("PrLength")->text(), qs(setString(3, preset.preamblePulse)));
        QCOMPARE(h.box("CBpraeambel")->isChecked(), preset.withPreamble);
        QVERIFY(!h.box("CBnoref")->isChecked());
    }

    void okAfterTypingCommitsFirst()
    {
        Harness h;
        QVERIFY(h.open());
        h.type("PostL", "77");
        QTest::mouseClick(h.dlg->findChild<QPushButton *>("Button1"), Qt::LeftButton);
        QVERIFY(!h.dlg->isVisible());
        QCOMPARE(h.dlg->result(), int(QDialog::Accepted));
        QCOMPARE(int(h.editor.image[offset::postambleLength]), 77);
    }

    void controlsSitWhereDesigned_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QRect>("rect"); // width/height -1: sized to the caption
        QTest::newRow("Panel26") << "Panel26" << QRect(10, 10, 327, 167);
        QTest::newRow("CBnoref") << "CBnoref" << QRect(12, 8, -1, -1);
        QTest::newRow("CBpraeambel") << "CBpraeambel" << QRect(188, 8, -1, -1);
        QTest::newRow("Lvorwahl") << "Lvorwahl" << QRect(8, 33, -1, -1);
        QTest::newRow("BitLength") << "BitLength" << QRect(108, 30, 32, 24);
        QTest::newRow("Label2") << "Label2" << QRect(192, 33, -1, -1);
        QTest::newRow("PrAnzahl") << "PrAnzahl" << QRect(268, 30, 32, 24);
        QTest::newRow("Pause") << "Pause" << QRect(8, 59, -1, -1);
        QTest::newRow("StringPause") << "StringPause" << QRect(108, 56, 32, 24);
        QTest::newRow("Label3") << "Label3" << QRect(192, 58, -1, -1);
        QTest::newRow("PrLength") << "PrLength" << QRect(268, 55, 32, 24);
        QTest::newRow("CBpostambel") << "CBpostambel" << QRect(188, 88, -1, -1);
        QTest::newRow("Label5") << "Label5" << QRect(8, 112, -1, -1);
        QTest::newRow("Label1") << "Label1" << QRect(192, 113, -1, -1);
        QTest::newRow("PostP") << "PostP" << QRect(268, 110, 32, 24);
        QTest::newRow("Label7") << "Label7" << QRect(8, 136, -1, -1);
        QTest::newRow("Label4") << "Label4" << QRect(192, 138, -1, -1);
        QTest::newRow("PostL") << "PostL" << QRect(268, 135, 32, 24);
        QTest::newRow("ButtonWerk") << "ButtonWerk" << QRect(8, 192, 329, 33);
        QTest::newRow("Button1") << "Button1" << QRect(8, 240, 329, 49);
    }
    void controlsSitWhereDesigned()
    {
        QFETCH(QString, name);
        QFETCH(QRect, rect);
        Harness h;
        auto *w = h.dlg->findChild<QWidget *>(name);
        QVERIFY(w);
        QCOMPARE(w->pos(), rect.topLeft());
        if (rect.width() >= 0) QCOMPARE(w->size(), rect.size());
        // Everything lies inside its parent, and the parent inside the dialog.
        QVERIFY(w->parentWidget()->rect().contains(w->geometry()));
        QVERIFY(h.dlg->rect().contains(w->parentWidget()->geometry()) || w->parentWidget() == h.dlg.get());
        // Controls without a hint of their own show the warning of the panel or the dialog.
        if (w->toolTip().isEmpty())
            QCOMPARE(w->parentWidget()->toolTip(),
                     QString("ACHTUNG, diese Werte müssen i.d.Regel nie verändert werden!"));
        if (auto *edit = qobject_cast<QLineEdit *>(w)) {
            QCOMPARE(edit->maxLength(), 3);
            QVERIFY(!edit->toolTip().isEmpty());
        }
    }
};

QTEST_MAIN(SystemDialogTest)
#include "test_system_dialog.moc"
