#include "recording_reporter.h"
#include "waitstates_dialog.h"

#include <QLineEdit>
#include <QPushButton>
#include <QtTest>

using namespace morvi;
using morvi::ui::TFwaitstates;

class WaitstatesDialogTest : public QObject {
    Q_OBJECT

    static bool open(TFwaitstates &dlg)
    {
        dlg.show();
        dlg.activateWindow();
        return QTest::qWaitForWindowActive(&dlg);
    }

private slots:
    void showingFillsAndSelectsTheField_data()
    {
        QTest::addColumn<int>("waitstates");
        QTest::addColumn<QString>("shown");
        QTest::newRow("7") << 7 << " 7";
        QTest::newRow("20") << 20 << "20";
    }
    void showingFillsAndSelectsTheField()
    {
        QFETCH(int, waitstates);
        QFETCH(QString, shown);
        test::RecordingReporter reporter;
        TFwaitstates dlg(waitstates, reporter);
        QVERIFY(open(dlg));
        auto *ewait = dlg.findChild<QLineEdit *>("ewait");
        QCOMPARE(dlg.focusWidget(), ewait);
        QCOMPARE(ewait->text(), shown);
        QCOMPARE(ewait->selectedText(), shown);
        QCOMPARE(ewait->maxLength(), 2);
    }

    void entryIsLimitedToTwenty_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<bool>("byEnter");
        QTest::addColumn<int>("value");
        QTest::addColumn<int>("beeps");
        QTest::addColumn<QString>("shown");
        QTest::newRow("25 enter") << "25" << true << 20 << 1 << "20";
        QTest::newRow("25 tab") << "25" << false << 20 << 1 << "20";
        QTest::newRow("letter enter") << "x" << true << 0 << 1 << " 0";
        QTest::newRow("-1") << "-1" << true << 0 << 1 << " 0";
        QTest::newRow("9") << "9" << true << 9 << 0 << " 9";
    }
    void entryIsLimitedToTwenty()
    {
        QFETCH(QString, typed);
        QFETCH(bool, byEnter);
        QFETCH(int, value);
        QFETCH(int, beeps);
        QFETCH(QString, shown);
        int waitstates = 3;
        test::RecordingReporter reporter;
        TFwaitstates dlg(waitstates, reporter);
        QVERIFY(open(dlg));
        auto *ewait = dlg.findChild<QLineEdit *>("ewait");
        ewait->selectAll();

        QTest::keyClicks(ewait, typed);
        QTest::keyClick(ewait, byEnter ? Qt::Key_Return : Qt::Key_Tab);

        QCOMPARE(waitstates, value);
        QCOMPARE(reporter.beeps, beeps);
        QCOMPARE(ewait->text(), shown);
        QCOMPARE(dlg.focusWidget(), dlg.findChild<QPushButton *>("OKButton"));
        QVERIFY(dlg.isVisible());
        if (byEnter) QCOMPARE(ewait->selectedText(), shown);
        QCOMPARE(ui::waitstatesCaption(waitstates), QString("&waitstates=%1").arg(value));
    }

    // Enter in the field only commits; a second Enter lands on "o.k." and closes.
    void secondEnterCloses()
    {
        int waitstates = 0;
        test::RecordingReporter reporter;
        TFwaitstates dlg(waitstates, reporter);
        QVERIFY(open(dlg));
        auto *ewait = dlg.findChild<QLineEdit *>("ewait");
        ewait->selectAll();
        QTest::keyClicks(ewait, "12");
        QTest::keyClick(ewait, Qt::Key_Return);
        QVERIFY(dlg.isVisible());
        QCOMPARE(waitstates, 12);

        QTest::keyClick(dlg.focusWidget(), Qt::Key_Return);
        QVERIFY(!dlg.isVisible());
        QCOMPARE(dlg.result(), int(QDialog::Accepted));
        QCOMPARE(waitstates, 12);
    }
};

QTEST_MAIN(WaitstatesDialogTest)
#include "test_waitstates_dialog.moc"
