// The window without a mouse: the key matrix by keyboard, Escape in every dialog.
#include "help_window.h"
#include "key_panel.h"
#include "main_window_fixture.h"
#include "system_dialog.h"
#include "waitstates_dialog.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTabBar>
#include <QTabWidget>
#include <QTimer>
#include <QtTest>

using namespace morvi;

namespace {
// Presses a key where the keyboard focus is, as the window system delivers it.
void press(int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
{
    QWidget *focus = QApplication::focusWidget();
    QVERIFY(focus);
    QTest::keyClick(focus, static_cast<Qt::Key>(key), modifiers);
}

// Runs inside a dialog once it is open and active; a dialog the steps left
// open is closed after them, with a result no path of the program gives.
void whenActive(QDialog *dialog, std::function<void()> steps)
{
    QTimer::singleShot(0, dialog, [dialog, steps = std::move(steps)] {
        dialog->activateWindow();
        // The keyboard belongs to the dialog once the window system has activated it.
        if (QTest::qWaitFor([dialog] { return QApplication::activeWindow() == dialog; })) {
            QApplication::processEvents();
            steps();
        }
        if (dialog->isVisible()) dialog->done(7);
    });
}
} // namespace

class KeyboardTest : public QObject {
    Q_OBJECT
    std::unique_ptr<ui::TFMorvi> w;
    QWidget *panel(int key)
    {
        return w->findChild<QWidget *>(key == 9 ? QStringLiteral("Pan9") : QStringLiteral("pan%1").arg(key));
    }
    KeyClass classOf(int key) { return shownClass(w->editor().keyClassFlags[static_cast<std::size_t>(key - 1)]); }

private slots:
    void init() { w = test::startedWindow(); }
    void cleanup() { w.reset(); }

    void matrixByKeyboard()
    {
        w->findChild<QTabWidget *>("PC1")->tabBar()->setFocus(Qt::OtherFocusReason);
        press(Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), panel(1));
        press(Qt::Key_Right);
        press(Qt::Key_Down);
        QCOMPARE(QApplication::focusWidget(), panel(6));
        for (KeyClass expected : {KeyClass::FixedFunction, KeyClass::Digit, KeyClass::GroupFunction}) {
            press(Qt::Key_Space);
            QCOMPARE(classOf(6), expected);
        }

        // Key 6 is the matrix's one Tab stop now, followed by its address field,
        // which is on; the fields of the keys that are off are skipped.
        press(Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget()->objectName(), QStringLiteral("c6"));
        press(Qt::Key_Tab);
        QVERIFY(!QApplication::focusWidget()->objectName().startsWith('c'));
        QVERIFY(!qobject_cast<ui::KeyPanel *>(QApplication::focusWidget()));
        press(Qt::Key_Backtab);
        press(Qt::Key_Backtab);
        QCOMPARE(QApplication::focusWidget(), panel(6));

        // Shift+F10 opens the key dialog for key 6; Escape closes it without
        // applying the class chosen and the address typed.
        QString index;
        whenActive(w->keyDialog(), [&] {
            ui::TFTkonfig *dialog = w->keyDialog();
            index = dialog->findChild<QLabel *>("indexnr")->text();
            QTest::mouseClick(dialog->findChild<QRadioButton *>("RB3"), Qt::LeftButton);
            auto *adresse = dialog->findChild<QLineEdit *>("adresse");
            adresse->setFocus(Qt::OtherFocusReason);
            QTest::keyClicks(adresse, "99");
            press(Qt::Key_Escape);
        });
        QSignalSpy finished(w->keyDialog(), &QDialog::finished);
        press(Qt::Key_F10, Qt::ShiftModifier);
        QCOMPARE(finished.count(), 1);
        QCOMPARE(finished.at(0).at(0).toInt(), int(QDialog::Rejected));
        QCOMPARE(index, QStringLiteral("6"));
        QCOMPARE(classOf(6), KeyClass::GroupFunction);
        QCOMPARE(w->findChild<QLineEdit *>("c6")->text().trimmed(), QStringLiteral("0"));
    }

    void menuKeyOpensTheKeyDialog()
    {
        panel(16)->setFocus(Qt::OtherFocusReason);
        QString index;
        whenActive(w->keyDialog(), [&] {
            index = w->keyDialog()->findChild<QLabel *>("indexnr")->text();
            press(Qt::Key_Escape);
        });
        QSignalSpy finished(w->keyDialog(), &QDialog::finished);
        press(Qt::Key_Menu);
        QCOMPARE(index, QStringLiteral("16"));
        QCOMPARE(finished.count(), 1);
        QCOMPARE(finished.at(0).at(0).toInt(), int(QDialog::Rejected));
    }

    // Escape does what the dialog's closing button does, an entry being typed included.
    void escapeActsAsTheClosingButton_data()
    {
        QTest::addColumn<QString>("dialogName");
        QTest::addColumn<QString>("fieldName");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("buttonName");
        QTest::newRow("help") << "helpform"
                              << ""
                              << ""
                              << "closebutton";
        QTest::newRow("system") << "Fsystem"
                                << "BitLength"
                                << "77"
                                << "Button1";
        QTest::newRow("waitstates") << "Fwaitstates"
                                    << "ewait"
                                    << "9"
                                    << "OKButton";
    }
    void escapeActsAsTheClosingButton()
    {
        QFETCH(QString, dialogName);
        QFETCH(QString, fieldName);
        QFETCH(QString, typed);
        QFETCH(QString, buttonName);
        struct Outcome {
            int result = -1;
            std::array<std::uint8_t, imageSize> image{};
            int waitstates = 0;
            bool operator==(const Outcome &) const = default;
        };
        const auto run = [&](bool byEscape) {
            w = test::startedWindow();
            int waitstates = 0;
            std::unique_ptr<QDialog> dialog;
            if (dialogName == "helpform") dialog = std::make_unique<ui::Thelpform>(*w, w.get());
            if (dialogName == "Fsystem")
                dialog = std::make_unique<ui::TFsystem>(
                    w->editor(), *w, [] {}, w.get());
            if (dialogName == "Fwaitstates") dialog = std::make_unique<ui::TFwaitstates>(waitstates, *w, w.get());
            whenActive(dialog.get(), [&] {
                if (!fieldName.isEmpty()) {
                    auto *field = dialog->findChild<QLineEdit *>(fieldName);
                    field->setFocus(Qt::OtherFocusReason);
                    field->selectAll();
                    QTest::keyClicks(field, typed);
                }
                if (byEscape)
                    press(Qt::Key_Escape);
                else
                    QTest::mouseClick(dialog->findChild<QPushButton *>(buttonName), Qt::LeftButton);
            });
            Outcome outcome;
            outcome.result = dialog->exec();
            outcome.image = w->editor().image.bytes();
            outcome.waitstates = waitstates;
            return outcome;
        };
        const Outcome byButton = run(false);
        const Outcome byEscape = run(true);
        QCOMPARE(byEscape.result, int(QDialog::Accepted));
        QVERIFY(byEscape == byButton);
        if (dialogName == "Fwaitstates") QCOMPARE(byEscape.waitstates, typed.toInt());
    }
};

QTEST_MAIN(KeyboardTest)
#include "test_keyboard.moc"
