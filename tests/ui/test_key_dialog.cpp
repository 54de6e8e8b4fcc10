// The key configuration dialog, opened by a right press on a key panel.
#include "caption_panel.h"
#include "key_dialog.h"
#include "main_window_fixture.h"
#include "number_text.h"

#include <QLabel>
#include <QRadioButton>
#include <QTimer>
#include <QtTest>

using namespace morvi;

class KeyDialogTest : public QObject {
    Q_OBJECT
    std::unique_ptr<ui::TFMorvi> w;
    ui::TFTkonfig *dialog() { return w->keyDialog(); }
    template <typename T> T *inDialog(const char *name) { return dialog()->findChild<T *>(name); }
    QWidget *panel(int key)
    {
        return w->findChild<QWidget *>(key == 9 ? QStringLiteral("Pan9") : QStringLiteral("pan%1").arg(key));
    }

    // Right-presses a key panel and runs `inside` once the open dialog has painted.
    bool openAndRun(int key, const std::function<void()> &inside, Qt::MouseButton button = Qt::RightButton)
    {
        bool opened = false;
        QTimer::singleShot(0, this, [&] {
            if (!dialog()->isVisible()) return;
            opened = true;
            if (!QTest::qWaitForWindowExposed(dialog())) return;
            QApplication::processEvents();
            inside();
            if (dialog()->isVisible()) dialog()->close();
        });
        QTest::mousePress(panel(key), button, {}, QPoint(55, 40));
        QTest::mouseRelease(panel(key), button, {}, QPoint(55, 40));
        QApplication::processEvents();
        return opened;
    }

private slots:
    void init() { w = test::startedWindow(); }
    void cleanup() { w.reset(); }

    void layout_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QRect>("geometry");
        QTest::addColumn<QColor>("colour");
        QTest::newRow("RB1") << "RB1" << QRect(16, 40, 185, 17) << QColor(0x80, 0xFF, 0x80);
        QTest::newRow("RBZ") << "RBZ" << QRect(16, 64, 185, 17) << QColor(0xFE, 0xC8, 0x76);
        QTest::newRow("RB2") << "RB2" << QRect(16, 88, 185, 17) << QColor(0x80, 0xFF, 0xFF);
        QTest::newRow("RB3") << "RB3" << QRect(16, 112, 185, 17) << QColor(0xFF, 0xFF, 0x80);
        QTest::newRow("RB4") << "RB4" << QRect(16, 136, 185, 17) << QApplication::palette().color(QPalette::Button);
        QTest::newRow("Panel1") << "Panel1" << QRect(8, 8, 217, 161) << QColor(0xE7, 0xE4, 0xCB);
        QTest::newRow("adresse") << "adresse" << QRect(16, 8, 110, 24) << QColor();
        QTest::newRow("Button1") << "Button1" << QRect(8, 184, 217, 33) << QColor();
        QTest::newRow("Label1") << "Label1" << QRect(140, 12, 40, 13) << QColor();
    }
    void layout()
    {
        QFETCH(QString, name);
        QFETCH(QRect, geometry);
        QFETCH(QColor, colour);
        auto *control = dialog()->findChild<QWidget *>(name);
        QVERIFY(control);
        QCOMPARE(control->geometry(), geometry);
        if (colour.isValid()) QCOMPARE(control->palette().color(QPalette::Window), colour);
        QCOMPARE(dialog()->windowTitle(), QStringLiteral("Tasten-Konfiguration"));
        QCOMPARE(dialog()->size(), QSize(233, 223)); // 241 x 254 outside
    }

    void showsTheKeyItWasOpenedFor()
    {
        split64(w->editor().image, 4294967296, 85);
        w->showdata();
        QString index, address;
        bool buttonHasFocus = false;
        QPoint position;
        QVERIFY(openAndRun(16, [&] {
            index = inDialog<QLabel>("indexnr")->text();
            address = inDialog<QLineEdit>("adresse")->text();
            buttonHasFocus = inDialog<QWidget>("Button1")->hasFocus();
            position = dialog()->pos();
        }));
        QCOMPARE(index, QStringLiteral("16"));
        QCOMPARE(address, QStringLiteral("   4294967296"));
        QVERIFY(buttonHasFocus);
        const QWidget *pc1 = w->findChild<QWidget *>("PC1");
        QCOMPARE(position, QPoint(w->x() + panel(16)->x() + pc1->x() + 80, w->y() + panel(16)->y() + pc1->y() + 20));
        QCOMPARE(w->selectedKey(), 15);
    }

    void onlyARightPressOnThePanelOpensIt_data()
    {
        QTest::addColumn<int>("button");
        QTest::newRow("left") << int(Qt::LeftButton);
        QTest::newRow("middle") << int(Qt::MiddleButton);
    }
    void onlyARightPressOnThePanelOpensIt()
    {
        QFETCH(int, button);
        QVERIFY(!openAndRun(
            2, [] {}, Qt::MouseButton(button)));
        bool opened = false;
        QTimer::singleShot(0, this, [&] {
            opened = dialog()->isVisible();
            dialog()->close();
        });
        QTest::mousePress(w->findChild<QWidget *>("Lab2"), Qt::RightButton);
        QTest::mousePress(w->findChild<QWidget *>("tag2"), Qt::RightButton);
        QApplication::processEvents();
        QVERIFY(!opened);
    }

    void openingAKeyWithTwoFlagsKeepsTheDigitFlag()
    {
        KeyMembership &key5 = w->editor().keyClassFlags[4];
        key5.set(KeyClass::Digit, true);
        key5.set(KeyClass::GroupFunction, true);
        w->showdata();
        bool digitSelected = false;
        QVERIFY(openAndRun(5, [&] { digitSelected = inDialog<QRadioButton>("RBZ")->isChecked(); }));
        QVERIFY(digitSelected);
        QVERIFY(key5.has(KeyClass::Digit));
        QVERIFY(!key5.has(KeyClass::GroupFunction));
        QCOMPARE(static_cast<ui::CaptionPanel *>(panel(5))->colour(), QColor(0xFE, 0xC8, 0x76));
    }

    void aClickOnAClassSetsIt_data()
    {
        QTest::addColumn<QString>("radio");
        QTest::addColumn<int>("chosen");
        QTest::addColumn<QString>("caption");
        QTest::newRow("RB1") << "RB1" << int(KeyClass::FixedFunction) << QString();
        QTest::newRow("RBZ") << "RBZ" << int(KeyClass::Digit) << QString();
        QTest::newRow("RB2") << "RB2" << int(KeyClass::GroupFunction) << QString();
        QTest::newRow("RB3") << "RB3" << int(KeyClass::GroupSelect) << QString();
        QTest::newRow("RB4") << "RB4" << int(KeyClass::Disabled) << QStringLiteral("- off -");
    }
    void aClickOnAClassSetsIt()
    {
        QFETCH(QString, radio);
        QFETCH(int, chosen);
        QFETCH(QString, caption);
        // Start from a class no row chooses by itself: blue, or green for the blue row.
        const KeyClass start =
            chosen == int(KeyClass::GroupFunction) ? KeyClass::FixedFunction : KeyClass::GroupFunction;
        setOnlyClass(w->editor().keyClassFlags[6], start);
        w->showdata();
        QVERIFY(openAndRun(7, [&] {
            // Pressed, held while the dialog repaints, released: as a hand clicks.
            auto *rb = dialog()->findChild<QWidget *>(radio);
            QTest::mousePress(rb, Qt::LeftButton, {}, QPoint(60, 8));
            QTest::qWait(50);
            QTest::mouseRelease(rb, Qt::LeftButton, {}, QPoint(60, 8));
            QTest::qWait(50);
            QTest::mouseClick(inDialog<QWidget>("Button1"), Qt::LeftButton);
        }));
        QCOMPARE(editedClass(w->editor().keyClassFlags[6]), KeyClass(chosen));
        QCOMPARE(static_cast<ui::CaptionPanel *>(panel(7))->caption(), caption);
        QCOMPARE(w->findChild<QLineEdit *>("c7")->isEnabled(), KeyClass(chosen) != KeyClass::Disabled);
    }

    void addressEntryInTheDialog_data()
    {
        QTest::addColumn<int>("closing");
        QTest::newRow("Übernehmen") << 0;
        QTest::newRow("close box") << 1;
        QTest::newRow("Enter, then Übernehmen") << 2;
    }
    void addressEntryInTheDialog()
    {
        QFETCH(int, closing);
        w->editor().image[95] = 8;
        w->showdata();
        QString shownWhileTyping;
        QVERIFY(openAndRun(3, [&] {
            auto *adresse = inDialog<QLineEdit>("adresse");
            QTest::mouseClick(adresse, Qt::LeftButton);
            QTest::qWait(50);
            QTest::keyClicks(adresse, "300");
            dialog()->update(); // a repaint must not throw the typing away
            QApplication::processEvents();
            shownWhileTyping = adresse->text();
            if (closing == 2) QTest::keyClick(adresse, Qt::Key_Return);
            if (closing == 1)
                dialog()->close();
            else
                QTest::mouseClick(inDialog<QWidget>("Button1"), Qt::LeftButton);
        }));
        QCOMPARE(shownWhileTyping, QStringLiteral("300"));
        QCOMPARE(readAddress(w->editor().image, 20), qint64(255));
        QCOMPARE(w->beepCount(), 1);
        QCOMPARE(w->findChild<QLineEdit *>("c3")->text(), QStringLiteral("          255"));
    }
};

QTEST_MAIN(KeyDialogTest)
#include "test_key_dialog.moc"
