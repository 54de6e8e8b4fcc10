// Every caption and text of every window fits its control, and every control
// lies inside its parent, with the fonts the program really uses.
#include "caption_panel.h"
#include "help_window.h"
#include "main_window_fixture.h"
#include "number_text.h"
#include "recording_reporter.h"
#include "system_dialog.h"
#include "waitstates_dialog.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QStyleOptionButton>
#include <QTextDocument>
#include <QtTest>

using namespace morvi;

namespace {

int textWidth(const QFontMetrics &metrics, QString text)
{
    text.replace(QStringLiteral("&&"), QStringLiteral("\x01")).remove(QLatin1Char('&'));
    int widest = 0;
    for (const QString &line : text.split(QLatin1Char('\n')))
        widest = std::max(widest, metrics.horizontalAdvance(line));
    return widest;
}

// The width a control's text can use, and the text; an empty text needs none.
std::pair<int, QString> textRoom(QWidget *w)
{
    if (auto *label = qobject_cast<QLabel *>(w)) {
        if (label->wordWrap() || Qt::mightBeRichText(label->text())) return {0, QString()};
        return {label->contentsRect().width() - 2 * label->margin(), label->text()};
    }
    if (auto *button = qobject_cast<QAbstractButton *>(w)) {
        QStyleOptionButton option;
        option.initFrom(button);
        option.text = button->text();
        if (qobject_cast<QCheckBox *>(w))
            return {w->style()->subElementRect(QStyle::SE_CheckBoxContents, &option, w).width(), button->text()};
        if (qobject_cast<QRadioButton *>(w))
            return {w->style()->subElementRect(QStyle::SE_RadioButtonContents, &option, w).width(), button->text()};
        return {w->style()->subElementRect(QStyle::SE_PushButtonContents, &option, w).width(), button->text()};
    }
    if (auto *edit = qobject_cast<QLineEdit *>(w)) {
        // The line edit's own inner margin is 2 pixels on each side plus its frame.
        const int frame = w->style()->pixelMetric(QStyle::PM_DefaultFrameWidth, nullptr, w);
        return {edit->contentsRect().width() - 2 * frame - 4, edit->text()};
    }
    if (auto *panel = qobject_cast<ui::CaptionPanel *>(w)) return {panel->contentsRect().width(), panel->caption()};
    return {0, QString()};
}

// One line for every control of `window` whose text is cut or that sticks out of its parent.
QStringList cutControls(QWidget *window)
{
    QStringList cut;
    for (QWidget *w : window->findChildren<QWidget *>()) {
        if (!w->isVisibleTo(window) || w->isWindow()) continue;
        const auto [room, text] = textRoom(w);
        const int needed = text.isEmpty() ? 0 : textWidth(w->fontMetrics(), text);
        if (!text.isEmpty() && needed > room)
            cut << QStringLiteral("%1 \"%2\": needs %3, has %4").arg(w->objectName(), text).arg(needed).arg(room);
        // Only the controls laid out by hand: the toolkit's own layouts never clip.
        if (!w->objectName().isEmpty() && !w->objectName().startsWith(QLatin1String("qt_")) &&
            !w->parentWidget()->rect().contains(w->geometry()))
            cut << QStringLiteral("%1 sticks out of %2").arg(w->objectName(), w->parentWidget()->objectName());
    }
    return cut;
}

// The main window with every optional text showing, at its widest.
void showEverything(ui::TFMorvi &w)
{
    ConfigImage &image = w.editor().image;
    image[offset::modeFlags] = 0xFF;
    image[offset::maxSendCount] = 255;
    image[offset::transmitterType] = 2;
    image.setWord(offset::cycleInterval, 65535);
    for (int key = 1; key <= keyCount; ++key) {
        w.editor().keyClassFlags[static_cast<std::size_t>(key - 1)].set(KeyClass(key % 4 + 1), true);
        split64(image, 1099511627775, keyAddressOffset(key));
    }
    split64(image, 1099511627775, offset::baseAddress);
    w.applyDerivedState({true, false});
    w.showdata();
}

} // namespace

class TextFitsTest : public QObject {
    Q_OBJECT

private slots:
    void everyTextFits_data()
    {
        QTest::addColumn<int>("window");
        QTest::newRow("main window at start") << 0;
        QTest::newRow("main window, every option on") << 1;
        QTest::newRow("key dialog") << 2;
        QTest::newRow("system parameters") << 3;
        QTest::newRow("waitstates") << 4;
        QTest::newRow("help window") << 5;
    }
    void everyTextFits()
    {
        QFETCH(int, window);
        auto main = test::startedWindow();
        test::RecordingReporter reporter;
        int waitstates = 0;
        std::unique_ptr<QWidget> dialog;
        QWidget *checked = main.get();
        switch (window) {
        case 1: showEverything(*main); break;
        case 2: checked = main->keyDialog(); break;
        case 3: dialog = std::make_unique<ui::TFsystem>(main->editor(), reporter, [] {}); break;
        case 4: dialog = std::make_unique<ui::TFwaitstates>(waitstates, reporter); break;
        case 5: {
            auto help = std::make_unique<ui::Thelpform>(reporter);
            help->fillContacts();
            dialog = std::move(help);
            break;
        }
        default: break;
        }
        if (dialog) checked = dialog.get();
        const QStringList cut = cutControls(checked);
        QVERIFY2(cut.isEmpty(), qPrintable(cut.join(QLatin1Char('\n'))));
    }
};

QTEST_MAIN(TextFitsTest)
#include "test_text_fits.moc"
