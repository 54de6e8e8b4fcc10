// Where a window goes so that it lies wholly on the screen it opens on.
#include "screen_fit.h"

#include <QtTest>

#include <climits>

class ScreenFitTest : public QObject {
    Q_OBJECT

private slots:
    void keepOnScreen_data()
    {
        QTest::addColumn<QList<QRect>>("screens");
        QTest::addColumn<QPoint>("pos");
        QTest::addColumn<QSize>("size");
        QTest::addColumn<QPoint>("placed");
        const QList<QRect> full{{0, 0, 1920, 1080}};
        const QList<QRect> small{{0, 0, 1024, 768}};
        const QList<QRect> two{{0, 0, 1920, 1080}, {1920, 0, 1280, 1024}};
        const QList<QRect> panel{{0, 30, 1024, 738}}; // a panel takes the top 30 pixels
        const QSize main(951, 683);
        QTest::newRow("inside stays") << full << QPoint(219, 145) << main << QPoint(219, 145);
        QTest::newRow("small screen") << small << QPoint(219, 145) << main << QPoint(73, 85);
        QTest::newRow("above a panel") << panel << QPoint(0, 0) << QSize(300, 200) << QPoint(0, 30);
        QTest::newRow("left of the screen") << full << QPoint(-903, 100) << main << QPoint(0, 100);
        QTest::newRow("on the second monitor") << two << QPoint(2500, 100) << main << QPoint(2249, 100);
        QTest::newRow("monitor now gone") << full << QPoint(2500, 1200) << main << QPoint(969, 397);
        QTest::newRow("wider than the screen") << small << QPoint(300, 50) << QSize(1414, 500) << QPoint(0, 50);
        QTest::newRow("larger than the screen") << small << QPoint(300, 50) << QSize(1414, 978) << QPoint(0, 0);
        QTest::newRow("largest position") << full << QPoint(INT_MAX, INT_MAX) << main << QPoint(969, 397);
        QTest::newRow("smallest position") << full << QPoint(INT_MIN, INT_MIN) << main << QPoint(0, 0);
    }
    void keepOnScreen()
    {
        QFETCH(QList<QRect>, screens);
        QFETCH(QPoint, pos);
        QFETCH(QSize, size);
        QFETCH(QPoint, placed);
        QCOMPARE(morvi::ui::keepOnScreen(pos, size, screens), placed);
    }
};

QTEST_MAIN(ScreenFitTest)
#include "test_screen_fit.moc"
