// Changed edits asked about before they are thrown away, saving and loading,
// reading and programming through the window, and ending the program during a run.
#include "line_text.h"
#include "main_window.h"
#include "main_window_fixture.h"
#include "morvi_program.h"
#include "program_start.h"
#include "programming_record.h"
#include "scripted_dialogs.h"
#include "stored_memory.h"
#include "tx_emulator.h"

#include <QAction>
#include <QLineEdit>
#include <QPushButton>
#include <QTextEdit>
#include <QtTest>

using namespace morvi;

class EditsAndRunsTest : public QObject, private test::ProgramStart {
    Q_OBJECT
private slots:
    void initTestCase() { QVERIFY(prepare()); }
    void init() { enter(); }
    void cleanup() { leave(); }

    // Changed edits are asked about before they are thrown away.
    void unsavedEdits_data()
    {
        QTest::addColumn<QString>("action");
        QTest::addColumn<bool>("edited");
        QTest::addColumn<bool>("answer");
        for (const char *action : {"Auslesen", "Laden", "close box", "Exit"}) {
            QTest::addRow("%s, unchanged", action) << action << false << false;
            QTest::addRow("%s, Ja", action) << action << true << true;
            QTest::addRow("%s, Nein", action) << action << true << false;
        }
    }
    void unsavedEdits()
    {
        QFETCH(QString, action);
        QFETCH(bool, edited);
        QFETCH(bool, answer);
        auto script = std::make_unique<test::ScriptedDialogs>();
        test::ScriptedDialogs *dialogs = script.get();
        auto program = start(std::move(script));
        ui::TFMorvi &w = program->FMorvi();
        QTRY_VERIFY(!program->inittimer().isActive());
        if (edited) QTest::mouseDClick(w.findChild<QWidget *>("pan1"), Qt::LeftButton, {}, QPoint(55, 40));
        const KeyMembership key1 = w.editor().keyClassFlags[0];
        QStringList asked;
        w.setDiscardQuestion([&](const QString &question) {
            asked << question;
            return answer;
        });
        auto *info = w.findChild<QTextEdit *>("MInfo");
        const QString before = info->toPlainText();

        if (action == "Auslesen") QTest::mouseClick(w.findChild<QPushButton *>("LeseButton"), Qt::LeftButton);
        if (action == "Laden") w.findChild<QAction *>("Laden1")->trigger();
        if (action == "close box") closeByWindowManager(w, asked);
        if (action == "Exit") w.findChild<QAction *>("Exit1")->trigger();
        QApplication::processEvents();

        const QStringList question{"Die Konfiguration wurde geändert. Änderungen verwerfen?"};
        QCOMPARE(asked, edited ? question : QStringList());
        const bool goesOn = !edited || answer;
        if (action == "Auslesen") QCOMPARE(info->toPlainText() != before, goesOn);
        if (action == "Laden") QCOMPARE(dialogs->requests.size(), std::size_t(goesOn ? 1 : 0));
        if (action == "close box" || action == "Exit") {
            QCOMPARE(w.isVisible(), !goesOn);
            QCOMPARE(QFile::exists(dir.filePath("morvi.ini")), goesOn);
        }
        if (!goesOn) QVERIFY(w.editor().keyClassFlags[0] == key1);
    }

    // Saving and loading leave nothing to ask about; a close by the program itself never asks.
    void noQuestionAfterSavingOrLoading()
    {
        auto script = std::make_unique<test::ScriptedDialogs>();
        test::ScriptedDialogs *dialogs = script.get();
        auto program = start(std::move(script));
        ui::TFMorvi &w = program->FMorvi();
        QTRY_VERIFY(!program->inittimer().isActive());
        QStringList asked;
        w.setDiscardQuestion([&](const QString &question) {
            asked << question;
            return true;
        });
        QWidget *pan1 = w.findChild<QWidget *>("pan1");
        const QString path = dir.filePath("gespeichert.txc");
        QTest::mouseDClick(pan1, Qt::LeftButton, {}, QPoint(55, 40));
        dialogs->answers = {path};
        w.findChild<QAction *>("Speichern1")->trigger();
        w.findChild<QAction *>("Laden1")->trigger(); // cancelled
        QCOMPARE(asked, QStringList());

        QTest::mouseDClick(pan1, Qt::LeftButton, {}, QPoint(55, 40));
        dialogs->answers = {path};
        w.findChild<QAction *>("Laden1")->trigger();
        QCOMPARE(asked.size(), 1);
        QVERIFY(w.editor().keyClassFlags[0].has(KeyClass::FixedFunction));
        asked.clear();
        closeByWindowManager(w, asked);
        QCOMPARE(asked, QStringList());
        QVERIFY(!w.isVisible());

        // The program's own close, as at the end of a session, goes without a question.
        auto again = start();
        QTRY_VERIFY(!again->inittimer().isActive());
        again->FMorvi().setDiscardQuestion([&](const QString &question) {
            asked << question;
            return false;
        });
        QTest::mouseDClick(again->FMorvi().findChild<QWidget *>("pan1"), Qt::LeftButton, {}, QPoint(55, 40));
        again->FMorvi().close();
        QCOMPARE(asked, QStringList());
        QVERIFY(!again->FMorvi().isVisible());
    }

    void savingAndLoadingFromTheMenu()
    {
        auto script = std::make_unique<test::ScriptedDialogs>();
        test::ScriptedDialogs *dialogs = script.get();
        auto program = start(std::move(script));
        QTRY_VERIFY(!program->inittimer().isActive());
        ui::TFMorvi &w = program->FMorvi();
        w.editor().image[95] = 24;
        w.editor().keyClassFlags[0].set(KeyClass::GroupSelect, true);
        const QString path = dir.filePath("sender.txc");
        dialogs->answers = {path, path};
        w.findChild<QAction *>("Speichern1")->trigger();
        QVERIFY(QFile::exists(path));

        w.editor().image[95] = 40;
        w.editor().keyClassFlags[0] = {};
        w.setDiscardQuestion([](const QString &) { return true; });
        w.findChild<QAction *>("Laden1")->trigger();
        QCOMPARE(int(w.editor().image[95]), 24);
        QVERIFY(w.editor().keyClassFlags[0].has(KeyClass::GroupSelect));
        QCOMPARE(w.findChild<QLineEdit *>("codelength")->text(), QStringLiteral(" 24"));
        QVERIFY(w.findChild<QTextEdit *>("MInfo")->toPlainText().contains("geladen !"));
        QCOMPARE(w.link().fileName, path);
    }

    void readingAndProgrammingThroughTheWindow()
    {
        // A transmitter holding a valid configuration with a 24-bit code.
        Editor stored;
        stored.resetImage();
        stored.image[95] = 24;
        stored.keyClassFlags[0].set(KeyClass::FixedFunction, true);
        tools::TxEmulator transmitter(test::storedMemory(stored));

        auto program = start(std::make_unique<test::ScriptedDialogs>(),
                             serialLink(QString::fromStdString(transmitter.slavePath())));
        ui::TFMorvi &w = program->FMorvi();
        QTRY_VERIFY(!program->inittimer().isActive());
        w.findChild<QAction *>("COM21")->trigger();

        QTest::mouseClick(w.findChild<QPushButton *>("LeseButton"), Qt::LeftButton);
        QVERIFY(w.findChild<QWidget *>("PanProg")->isVisible());
        QTRY_VERIFY_WITH_TIMEOUT(!w.findChild<QWidget *>("PanProg")->isVisible(), 10000);
        QCOMPARE(w.findChild<QLineEdit *>("codelength")->text(), QStringLiteral(" 24"));
        QVERIFY(w.editor().keyClassFlags[0].has(KeyClass::FixedFunction));
        QVERIFY(w.findChild<QTextEdit *>("MInfo")->toPlainText().contains("Daten erfolgreich gelesen"));
        QTRY_VERIFY(!w.editor().changed());

        QStringList asked;
        w.setConfirm([&](const QString &question) {
            asked << question;
            return true;
        });
        test::typeAndLeave(&w, "codelength", "16", "BlitzTime");
        QVERIFY(w.editor().changed());
        QTest::mouseClick(w.findChild<QPushButton *>("ProgButton"), Qt::LeftButton);
        QCOMPARE(asked, QStringList{"Gerätekonfiguration überschreiben?"});
        QTRY_VERIFY_WITH_TIMEOUT(
            w.findChild<QTextEdit *>("MInfo")->toPlainText().contains("Daten erfolgreich übertragen"), 15000);
        QCOMPARE(int(transmitter.memory()[95]), 16);
        QTRY_VERIFY(!w.editor().changed());
        QVERIFY(!w.findChild<QWidget *>("PanProg")->isVisible());
    }

    // The program ends during a run: the run is logged as cut off, with the file's name.
    void endingDuringAProgrammingRunLogsIt()
    {
        tools::TxEmulator transmitter;
        transmitter.setAnswerDelay(20);
        const QString log = files::backupFolder() + '/' + files::programmingLogName;
        QFile::remove(log);
        {
            auto program = startedOnCom2(transmitter);
            QTest::mouseClick(program->FMorvi().findChild<QPushButton *>("ProgButton"), Qt::LeftButton);
            QTRY_VERIFY_WITH_TIMEOUT(program->transfer().writing() && !program->transfer().reading(), 15000);
        }
        const auto lines = files::readLinesFile(log);
        QVERIFY(lines && !lines->isEmpty());
        const QStringList entry = lines->last().split('\t');
        QCOMPARE(entry.size(), 5);
        QCOMPARE(entry[1], QStringLiteral("COM2"));
        QCOMPARE(entry[2], QStringLiteral("-")); // nothing loaded or saved yet
        QCOMPARE(entry[4], QStringLiteral("abgebrochen"));
    }

    // The window closed in each phase of a programming run: the run is recorded
    // as abandoned while everything it uses is still there (the sanitizer build
    // would see a read of freed memory), and the program ends cleanly.
    void closingDuringARunEndsItCleanly_data()
    {
        QTest::addColumn<QString>("phase");
        QTest::newRow("read") << "read";
        QTest::newRow("write") << "write";
        QTest::newRow("verify") << "verify";
    }
    void closingDuringARunEndsItCleanly()
    {
        QFETCH(QString, phase);
        tools::TxEmulator transmitter;
        auto program = startedOnCom2(transmitter);
        ui::TFMorvi &w = program->FMorvi();
        const QString log = files::backupFolder() + '/' + files::programmingLogName;
        QFile::remove(log);

        QTest::mouseClick(w.findChild<QPushButton *>("ProgButton"), Qt::LeftButton);
        link::Transfer &transfer = program->transfer();
        const auto inPhase = [&] {
            const bool there = phase == "read"    ? transfer.reading()
                               : phase == "write" ? transfer.writing() && !transfer.reading()
                                                  : transfer.verifying();
            return there && transfer.bytepos() > 5;
        };
        QTRY_VERIFY_WITH_TIMEOUT(inPhase(), 15000);
        QVERIFY(w.close());
        QVERIFY(!transfer.busy());
        program.reset();
        const auto lines = files::readLinesFile(log);
        QVERIFY(lines && !lines->isEmpty());
        QCOMPARE(lines->last().section('\t', 4), QStringLiteral("abgebrochen"));
    }
};

QTEST_MAIN(EditsAndRunsTest)
#include "test_edits_and_runs.moc"
