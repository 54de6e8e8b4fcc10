#include "help_window.h"
#include "maker.h"
#include "recording_reporter.h"
#include "web_page.h"

#include <QFrame>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QtTest>

using namespace morvi;
using morvi::ui::Thelpform;

class HelpWindowTest : public QObject {
    Q_OBJECT
private slots:
    void cleanup() { ui::setWebPageOpener({}); }

    void manualHasEveryHeadingInOrder()
    {
        const QStringList headings = {
            "Kurzhilfe:",
            "1. Übersicht:",
            "2. Typenauswahl unter \"Typ\" in der Menuleiste.",
            "3. Adressen eingeben:",
            "4. Tastenverhalten einstellen:",
            "5. Codierlänge definieren:",
            "6. LED-Blitzdauer",
            "7. min-TX-Anzahl",
            "8. max-TX-Anzahl",
            "9. min-Drückdauer",
            "10. Auswahlfeld 'nur gleichzeitiges Drücken'",
            "11. Auswahlfeld 'clear bei Gruppentaste 0'",
            "12. Betrieb mit Zifferntasten",
            "12.1 min-Tasten",
            "12.2 max-Tasten",
            "12.3 Tasten-Timeout",
            "12.4 Absendung nur mit \"blauer\" Funktionstaste (\"letzte Taste muss blaue Taste sein\")",
            "12.5 Funktion \"Ziffernvorwahl speichern\"",
            "13. zyklische Sendung (erst ab Firmware min. 2.06 nutzbar)",
            "14. Checksummme (erst ab Firmware min. 2.13 nutzbar)",
            "15. Selbst-Haltezeit (erst ab Firmware min. 2.13 nutzbar).",
            "16. Sender auslesen/programmieren:",
            "17. Speichern/Laden der Konfiguration zu Archivierungszwecken:",
        };
        test::RecordingReporter reporter;
        Thelpform help(reporter);
        auto *text = help.findChild<QPlainTextEdit *>("m_qzk");
        QVERIFY(text->isReadOnly());
        const QStringList lines = text->toPlainText().split('\n');

        QCOMPARE(lines.size(), 246);
        QCOMPARE(text->document()->blockCount(), 246);
        qsizetype at = -1;
        for (const QString &heading : headings) {
            const qsizetype found = lines.indexOf(heading, at + 1);
            QVERIFY2(found > at, qPrintable(heading));
            at = found;
        }
        // The closing paragraph follows the last section; the text ends blank.
        QVERIFY(lines.mid(at).join(' ').contains("E-Mail-Adresse"));
        for (qsizetype i = lines.size() - 3; i < lines.size(); ++i)
            QVERIFY(lines[i].isEmpty());
        // The retired RS232 type stays undocumented.
        QVERIFY(!text->toPlainText().contains("RS232"));
    }

    void layoutFollowsTheDesign_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QRect>("rect"); // width/height -1: sized to the text
        QTest::addColumn<QString>("colour");
        QTest::newRow("m_qzk") << "m_qzk" << QRect(16, 16, 689, 449) << "";
        QTest::newRow("Label8") << "Label8" << QRect(24, 480, -1, -1) << "#000000";
        QTest::newRow("Label9") << "Label9" << QRect(608, 480, -1, -1) << "#000000";
        QTest::newRow("Firma") << "Firma" << QRect(24, 504, -1, -1) << "#008000";
        QTest::newRow("strasse") << "strasse" << QRect(24, 520, -1, -1) << "#008000";
        QTest::newRow("ort") << "ort" << QRect(24, 536, -1, -1) << "#008000";
        QTest::newRow("tel") << "tel" << QRect(264, 504, -1, -1) << "#008000";
        QTest::newRow("fax") << "fax" << QRect(264, 520, -1, -1) << "#008000";
        QTest::newRow("email") << "email" << QRect(264, 536, -1, -1) << "#008000";
        QTest::newRow("homepage") << "homepage" << QRect(528, 504, 177, 49) << "";
        QTest::newRow("Label6") << "Label6" << QRect(8, 9, -1, -1) << "#008000";
        QTest::newRow("url") << "url" << QRect(8, 25, -1, -1) << "#008000";
        QTest::newRow("closebutton") << "closebutton" << QRect(16, 568, 689, 33) << "";
    }
    void layoutFollowsTheDesign()
    {
        QFETCH(QString, name);
        QFETCH(QRect, rect);
        QFETCH(QString, colour);
        test::RecordingReporter reporter;
        Thelpform help(reporter);
        help.fillContacts();
        auto *w = help.findChild<QWidget *>(name);
        QVERIFY(w);
        QCOMPARE(w->pos(), rect.topLeft());
        if (rect.width() >= 0) QCOMPARE(w->size(), rect.size());
        QVERIFY(w->parentWidget()->rect().contains(w->geometry()));
        if (!colour.isEmpty()) QCOMPARE(w->palette().color(QPalette::WindowText), QColor(colour));
        QCOMPARE(help.size(), QSize(721, 615));
        QCOMPARE(help.pos(), QPoint(134, 89));
        QCOMPARE(help.palette().color(QPalette::Window), QColor("#F7DDC4"));
    }

    void contactsAndFirstFocus()
    {
        test::RecordingReporter reporter;
        Thelpform help(reporter);
        help.fillContacts();
        QCOMPARE(help.findChild<QLabel *>("tel")->text(), QString("Tel. ") + maker::phone);
        QCOMPARE(help.findChild<QLabel *>("fax")->text(), QString("Fax. ") + maker::fax);

        help.show();
        help.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&help));
        auto *close = help.findChild<QPushButton *>("closebutton");
        QCOMPARE(help.focusWidget(), close);
        QTest::keyClick(close, Qt::Key_Return);
        QVERIFY(!help.isVisible());
    }

    void doubleClickBeepsThenOpensThePage_data()
    {
        QTest::addColumn<QString>("name");
        QTest::newRow("panel") << "homepage";
        QTest::newRow("caption label") << "Label6";
        QTest::newRow("address label") << "url";
    }
    void doubleClickBeepsThenOpensThePage()
    {
        QFETCH(QString, name);
        test::RecordingReporter reporter;
        QStringList opened;
        int beepsBeforeOpening = -1;
        ui::setWebPageOpener([&](const QString &address) {
            opened << address;
            beepsBeforeOpening = reporter.beeps;
        });
        Thelpform help(reporter);
        help.fillContacts();
        help.show();
        QVERIFY(QTest::qWaitForWindowExposed(&help));

        QTest::mouseDClick(help.findChild<QWidget *>(name), Qt::LeftButton, {}, QPoint(2, 2));

        QCOMPARE(opened, QStringList{QString("http://") + maker::web});
        QCOMPARE(beepsBeforeOpening, 1);
        QCOMPARE(reporter.beeps, 1);
        QVERIFY(reporter.reports.empty());
        // The labels show the panel's hint, having none of their own.
        QCOMPARE(help.findChild<QWidget *>(name)->toolTip(),
                 name == "homepage" ? QString("ein Doppelklick öffnet die Homepage") : QString());
    }
};

QTEST_MAIN(HelpWindowTest)
#include "test_help_window.moc"
