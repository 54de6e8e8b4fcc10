// Holds the main window against its design table: position, size and colour
// of every named control.
#include "caption_panel.h"
#include "main_window_fixture.h"

#include <QAction>
#include <QMenu>
#include <QMenuBar>
#include <QStatusBar>
#include <QTabWidget>
#include <QtTest>

using namespace morvi;

class MainWindowLayoutTest : public QObject {
    Q_OBJECT
    std::unique_ptr<ui::TFMorvi> w;

    QWidget *child(const QString &name) const
    {
        auto *c = w->findChild<QWidget *>(name);
        if (!c) qFatal("no control %s", qPrintable(name));
        return c;
    }

private slots:
    void init() { w = test::startedWindow(); }
    void cleanup() { w.reset(); }

    void window()
    {
        QCOMPARE(w->objectName(), QStringLiteral("FMorvi"));
        QCOMPARE(w->windowTitle(), QStringLiteral("Konfiguration Sender (max. 16-Tasten) "));
        const QWidget *client = w->centralWidget();
        QCOMPARE(client->width(), 943);
        QCOMPARE(client->height() + w->statusBar()->height(), 634);
        QCOMPARE(client->palette().color(QPalette::Window), QColor(0xDF, 0xDF, 0xDF));
        QCOMPARE(w->statusBar()->y(), client->y() + client->height());
        QCOMPARE(child("SB1Panel0")->width(), 50);
        // The whole window is fixed, not only its inside.
        QCOMPARE(w->minimumSize(), w->maximumSize());
        QCOMPARE(w->size(), w->minimumSize());
    }

    void controlGeometry_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QRect>("geometry");
        QTest::newRow("PC1") << "PC1" << QRect(16, 16, 481, 393);
        QTest::newRow("matrixback") << "matrixback" << QRect(8, 8, 455, 339);
        QTest::newRow("PageControl1") << "PageControl1" << QRect(520, 16, 409, 393);
        QTest::newRow("Panel25") << "Panel25" << QRect(16, 432, 273, 113);
        QTest::newRow("PanProg") << "PanProg" << QRect(16, 432, 273, 113);
        QTest::newRow("ProgButton") << "ProgButton" << QRect(296, 432, 201, 55);
        QTest::newRow("LeseButton") << "LeseButton" << QRect(295, 493, 201, 55);
        QTest::newRow("MInfo") << "MInfo" << QRect(520, 432, 321, 169);
        QTest::newRow("ButClear") << "ButClear" << QRect(856, 432, 73, 169);
        QTest::newRow("Panel1") << "Panel1" << QRect(8, 560, 497, 2);
        QTest::newRow("urladd") << "urladd" << QRect(296, 576, 201, 25);
        QTest::newRow("Panel26") << "Panel26" << QRect(8, 202, 385, 82);
        for (int k = 1; k <= 16; ++k) {
            const int row = (k - 1) / 4, col = (k - 1) % 4;
            const QString panel = k == 9 ? QStringLiteral("Pan9") : QStringLiteral("pan%1").arg(k);
            QTest::addRow("pan%d", k) << panel << QRect(3 + 113 * col, 3 + 84 * row, 110, 81);
            QTest::addRow("c%d", k) << QStringLiteral("c%1").arg(k) << QRect(5, 54, 100, 22);
            QTest::addRow("tag%d", k) << QStringLiteral("tag%1").arg(k) << QRect(3, 3, 25, 21);
        }
    }
    void controlGeometry()
    {
        QFETCH(QString, name);
        QFETCH(QRect, geometry);
        QCOMPARE(child(name)->geometry(), geometry);
    }

    void controlPositions_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QPoint>("position");
        QTest::newRow("Panel2") << "Panel2" << QPoint(8, 8);
        QTest::newRow("Panel6") << "Panel6" << QPoint(208, 8);
        QTest::newRow("Panel4") << "Panel4" << QPoint(8, 72);
        QTest::newRow("Panel5") << "Panel5" << QPoint(208, 72);
        QTest::newRow("Panel7") << "Panel7" << QPoint(8, 136);
        QTest::newRow("Panel3") << "Panel3" << QPoint(208, 136);
        QTest::newRow("Parallelpanel") << "Parallelpanel" << QPoint(8, 291);
        QTest::newRow("Panel28") << "Panel28" << QPoint(8, 8);
        QTest::newRow("Panel27") << "Panel27" << QPoint(8, 72);
        QTest::newRow("Pzusatzparallel") << "Pzusatzparallel" << QPoint(8, 128);
        QTest::newRow("Pbatterie") << "Pbatterie" << QPoint(8, 223);
        QTest::newRow("VLabel") << "VLabel" << QPoint(24, 582);
        QTest::newRow("Version") << "Version" << QPoint(128, 582);
        QTest::newRow("LFirmware") << "LFirmware" << QPoint(184, 582);
        QTest::newRow("Firmware") << "Firmware" << QPoint(240, 582);
        QTest::newRow("Lab1") << "Lab1" << QPoint(32, 6);
    }
    void controlPositions()
    {
        QFETCH(QString, name);
        QFETCH(QPoint, position);
        QCOMPARE(child(name)->pos(), position);
    }

    void colours_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QColor>("colour");
        QTest::newRow("legend green") << "Panel85" << QColor(0x80, 0xFF, 0x80);
        QTest::newRow("legend orange") << "Panel24" << QColor(0xFE, 0xC8, 0x76);
        QTest::newRow("legend blue") << "Panel87" << QColor(0x80, 0xFF, 0xFF);
        QTest::newRow("legend yellow") << "Panel86" << QColor(0xFF, 0xFF, 0x80);
        QTest::newRow("legend grey") << "Panel88" << QApplication::palette().color(QPalette::Button);
        QTest::newRow("number tag") << "tag7" << QColor(0xE7, 0xE4, 0xCB);
        QTest::newRow("separator") << "Panel1" << QColor(Qt::black);
        QTest::newRow("normal matrix") << "matrixback" << QColor(0xC9, 0xC9, 0xC9);
    }
    void colours()
    {
        QFETCH(QString, name);
        QFETCH(QColor, colour);
        QCOMPARE(child(name)->palette().color(QPalette::Window), colour);
    }

    void captionsAndHints_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("caption");
        QTest::addColumn<QString>("hint");
        QTest::newRow("legend 1") << "Panel85"
                                  << "Funktionstaste mit Festadresse"
                                  << "";
        QTest::newRow("legend 3") << "Panel87"
                                  << "Funktionstaste (gruppenabhängig)"
                                  << "";
        QTest::newRow("legend 5") << "Panel88"
                                  << "Taste deaktiviert"
                                  << "";
        QTest::newRow("number tag 1") << "tag1"
                                      << " 1"
                                      << "";
        QTest::newRow("number tag 16") << "tag16"
                                       << "16"
                                       << "";
        QTest::newRow("disabled key") << "pan3"
                                      << "- off -"
                                      << "Tastenfunktion per Doppelklick ändern";
        QTest::newRow("maker panel") << "urladd"
                                     << "homepage:"
                                     << "ein Doppelklick öffnet die Homepage";
    }
    void captionsAndHints()
    {
        QFETCH(QString, name);
        QFETCH(QString, caption);
        QFETCH(QString, hint);
        auto *panel = w->findChild<ui::CaptionPanel *>(name);
        QVERIFY(panel);
        QCOMPARE(panel->caption(), caption);
        QCOMPARE(panel->toolTip(), hint);
    }

    void menus()
    {
        QStringList titles;
        for (QAction *a : w->menuBar()->actions())
            titles << a->text();
        QCOMPARE(titles, (QStringList{"&Datei", "&Kommunikation", "&Typ (momentan: normal)", "    S&ystem    ", " ",
                                      "&Hilfe"}));
        QStringList typeItems;
        for (QAction *a : w->findChild<QMenu *>("MTyp")->actions())
            if (a->isVisible()) typeItems << a->objectName();
        QCOMPARE(typeItems, (QStringList{"MTyp_normal", "MTyp_long", "MTyp_direkt"}));
        QVERIFY(w->findChild<QAction *>("MTyp_RS232"));
        QStringList helpItems;
        for (QAction *a : w->findChild<QMenu *>("MHilfeMenu")->actions())
            helpItems << a->text();
        QCOMPARE(helpItems, (QStringList{"&Hilfe…", "&Verbindung prüfen…"}));
        QCOMPARE(w->findChild<QAction *>("MHilfe")->shortcut(), QKeySequence(Qt::Key_F1));
        QCOMPARE(w->findChild<QAction *>("Mwaitstates")->text(), QStringLiteral("&waitstates=0"));
        QVERIFY(w->findChild<QAction *>("MTyp_normal")->isChecked());
    }
};

QTEST_MAIN(MainWindowLayoutTest)
#include "test_main_window_layout.moc"
