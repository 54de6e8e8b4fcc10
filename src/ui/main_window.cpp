#include "main_window.h"

#include "caption_panel.h"
#include "class_style.h"
#include "dialog_parts.h"
#include "info_window.h"
#include "key_dialog.h"
#include "key_panel.h"
#include "number_text.h"
#include "pie_gauge.h"
#include "screen_fit.h"
#include "widget_hooks.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QMenu>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QTabWidget>

namespace morvi::ui {

namespace {
const QString prefixHint =
    QStringLiteral("nach dieser Anzahl der Tastendrücke wird die komplette Eingabe stets als Vorwahl gespeichert");
const QString maxDigitsHint = QStringLiteral("maximale Tastendrücke bis zur Sendung (max. 13)");
} // namespace

TFMorvi::TFMorvi(QWidget *parent)
    : QMainWindow(parent), beepSound_([] { QApplication::beep(); }), timeoutError_([this](const QString &text) {
          QMessageBox::critical(this, QApplication::applicationName(),
                                QStringLiteral("'%1' ist kein gültiger Gleitkommawert").arg(text));
      }),
      confirm_([this](const QString &question) {
          return QMessageBox::question(this, QApplication::applicationName(), question,
                                       QMessageBox::Yes | QMessageBox::No) == QMessageBox::Yes;
      }),
      discardQuestion_([this](const QString &question) {
          // "Nein" is the default: a slip of the Enter key keeps the edits.
          return QMessageBox::question(this, QApplication::applicationName(), question,
                                       QMessageBox::Yes | QMessageBox::No, QMessageBox::No) == QMessageBox::Yes;
      })
{
    buildWindow();
}

TFMorvi::~TFMorvi() = default;

QLineEdit *TFMorvi::field(Field f) const { return fields_[static_cast<std::size_t>(f)]; }
QCheckBox *TFMorvi::box(FlagBox b) const { return boxes_[static_cast<std::size_t>(b)]; }

// Reporting ------------------------------------------------------------------

void TFMorvi::showinfo(const std::string &inhalt, Rgb farbe, int option) { info_->showinfo(inhalt, farbe, option); }

void TFMorvi::beep()
{
    ++beepCount_;
    beepSound_();
}

void TFMorvi::trace(TraceList list, const std::string &line) { traces_.append(list, line); }

void TFMorvi::showFirmware(const std::string &text, Rgb farbe)
{
    firmware_->setText(QString::fromStdString(text));
    for (QLabel *l : {lfirmware_, firmware_})
        setTextColour(l, toQColor(farbe));
}

void TFMorvi::ButClearClick() { info_->clear(); }

void TFMorvi::showProgressPanel(bool shown) { panProg_->setVisible(shown); }
void TFMorvi::setProgressAction(const QString &phase) { laction_->setText(phase); }
void TFMorvi::setPhaseProgress(int percent) { gauge_->setProgress(percent); }

void TFMorvi::showTotalProgress(bool shown) { gaugeGesamt_->setVisible(shown); }
void TFMorvi::setTotalProgress(int percent) { gaugeGesamt_->setValue(percent); }
bool TFMorvi::confirm(const QString &question) { return confirm_(question); }

void TFMorvi::focusLeseButton() { leseButton_->setFocus(); }
void TFMorvi::focusProgButton() { progButton_->setFocus(); }

void TFMorvi::showBatteryPanel() { pbatterie_->setVisible(true); }

void TFMorvi::markSelectedPort()
{
    for (int n = 1; n <= 4; ++n)
        portItems_[static_cast<std::size_t>(n - 1)]->setChecked(link_.portName == QStringLiteral("COM%1").arg(n));
}

void TFMorvi::setPortItemEnabled(int n, bool enabled) { portItems_[static_cast<std::size_t>(n - 1)]->setEnabled(enabled); }
void TFMorvi::showPortItemDevice(int n, const QString &text)
{
    QAction *item = portItems_[static_cast<std::size_t>(n - 1)];
    item->setStatusTip(text);
    item->setToolTip(text);
    mKommunikation_->setToolTipsVisible(true);
}
void TFMorvi::hideRs232TypeItem() { mTypRs232_->setVisible(false); }

QString TFMorvi::urladdCaption() const { return urladd_->caption(); }
QString TFMorvi::firmwareText() const { return firmware_->text(); }
QString TFMorvi::linkStatusText() const { return statusLink_->text(); }
void TFMorvi::setUrladdCaption(const QString &caption) { urladd_->setCaption(caption); }
void TFMorvi::setUrladdDblClick(std::function<void()> handler) { onDoubleClick(urladd_, std::move(handler)); }

bool TFMorvi::mayDiscardEdits()
{
    return !editor_.changed() ||
           discardQuestion_(QStringLiteral("Die Konfiguration wurde geändert. Änderungen verwerfen?"));
}

void TFMorvi::Exit1Click()
{
    if (mayDiscardEdits()) close();
}

void TFMorvi::closeEvent(QCloseEvent *event)
{
    // Only a close a person starts (the close box, the window manager's
    // close) asks; "E&xit" has asked already, and a close by the program
    // itself, such as at the end of the session, must never wait on a question.
    if (event->spontaneous() && !mayDiscardEdits()) {
        event->ignore();
        return;
    }
    if (formClose_) formClose_();
    QMainWindow::closeEvent(event);
}

// The refresh ----------------------------------------------------------------

void TFMorvi::showdata()
{
    ConfigImage &image = editor_.image;
    showLinkState();

    editor_.updateMaxAddress();
    field(Field::codelength)->setText(QString::fromStdString(fieldText(editor_, Field::codelength)));
    obergrenze_->setText(QString::fromStdString(maxAddressText(editor_)));

    retireRs232Type(image);
    field(Field::SelfTaste)->setText(QString::fromStdString(fieldText(editor_, Field::SelfTaste)));

    for (int key = 1; key <= keyCount; ++key)
        keys_[static_cast<std::size_t>(key - 1)].edit->setText(QString::fromStdString(keyAddressText(editor_, key)));
    field(Field::Grundadresse)->setText(QString::fromStdString(fieldText(editor_, Field::Grundadresse)));

    showKeyMatrix();
    showTypeAndPanels();

    if (image[offset::maxSendCount] == 0) {
        field(Field::maxAnz)->setVisible(false);
        setBoxState(maxBegrenzung_, false, [this] { maxBegrenzungClick(); });
    }
    const bool limited = maxBegrenzung_->isChecked();
    maxLab1_->setText(limited ? QStringLiteral("jede Codesendung wird maximal sooft")
                              : QStringLiteral("  (Dauersendung erlaubt)"));
    maxLab2_->setText(limited ? QStringLiteral("hintereinander wiederholt") : QString());

    for (Field f : {Field::BlitzTime, Field::minAnz, Field::maxAnz, Field::TastMess})
        field(f)->setText(QString::fromStdString(fieldText(editor_, f)));

    // Reads the prefix box as it stands now, before the boxes follow the image below.
    const bool prefix = box(FlagBox::CBvorwahl)->isChecked();
    lTasten_->setText(prefix ? QStringLiteral("Vorwahlstellen max:") : QStringLiteral("max-Tasten:"));
    for (QWidget *w : {static_cast<QWidget *>(lTasten_), static_cast<QWidget *>(field(Field::maxTasten))})
        w->setToolTip(prefix ? prefixHint : maxDigitsHint);
    applyDigitCountRule(image, prefix, *this);
    for (Field f : {Field::minTasten, Field::maxTasten})
        field(f)->setText(QString::fromStdString(fieldText(editor_, f)));

    tastenTimeout_->setText(QString::fromStdString(timeoutText(image)));

    for (FlagBox b : {FlagBox::CBziffernmode, FlagBox::CBvorwahl, FlagBox::CBclear, FlagBox::press, FlagBox::CBself,
                      FlagBox::CBbatt})
        setBoxState(box(b), flagOf(image, b), [this, b] { flagBoxClick(b); });
    for (Field f : {Field::Battschwelle, Field::timerself})
        field(f)->setText(QString::fromStdString(fieldText(editor_, f)));

    stampVersion(image);
    version_->setText(QString::fromStdString(versionText()));

    const int zusatz = pageControl_->indexOf(tabZusatz_);
    const QString plainCaption = QStringLiteral(" Zusatzeinstellungen ");
    const QString markedCaption = QStringLiteral(" Zusatzeinstellungen (x) ");
    pageControl_->setTabText(zusatz, plainCaption);
    const bool cyclic = flagOf(image, FlagBox::CBzyk);
    setBoxState(box(FlagBox::CBzyk), cyclic, [this] { flagBoxClick(FlagBox::CBzyk); });
    if (cyclic) pageControl_->setTabText(zusatz, markedCaption);

    const bool checksum = flagOf(image, FlagBox::CBchecksumme);
    setBoxState(box(FlagBox::CBchecksumme), checksum, [this] { flagBoxClick(FlagBox::CBchecksumme); });
    if (checksum) pageControl_->setTabText(zusatz, markedCaption);
    lcheckanz_->setEnabled(checksum);
    field(Field::checkanz)->setEnabled(checksum);
    field(Field::checkanz)->setText(QString::fromStdString(fieldText(editor_, Field::checkanz)));

    field(Field::Intervall)->setText(QString::fromStdString(fieldText(editor_, Field::Intervall)));
    labelzyk_->setText(QString::fromStdString(intervalMinutesText(image.word(offset::cycleInterval))));

    mWaitstates_->setText(QStringLiteral("&waitstates=%1").arg(link_.waitstates));
    statusFile_->setText(link_.fileName);
}

void TFMorvi::showLinkState()
{
    const bool usb = link_.usbmode();
    link_.armAdapterSearch(usb);
    if (usb) {
        statusLink_->setText(QStringLiteral(" USB "));
        mKommunikation_->menuAction()->setEnabled(false);
    } else {
        statusLink_->setText(link_.portName + (link_.comok(link_.portName) ? QString() : QStringLiteral(" (f)")));
        mKommunikation_->menuAction()->setEnabled(true);
    }
}

void TFMorvi::showKeyMatrix()
{
    const bool clearOnZero = flagOf(editor_.image, FlagBox::CBclear);
    for (const KeyControls &key : keys_) {
        const KeyClass shown = shownClass(editor_.keyClassFlags[static_cast<std::size_t>(key.panel->keyIndex())]);
        const ClassStyle style = classStyle(shown);
        key.panel->setColour(style.colour);
        key.label->setText(style.labelText);
        QString caption = style.caption;
        if (shown == KeyClass::GroupSelect && clearOnZero && parseDecimal(key.edit->text().toStdString()) == 0)
            caption = clearCaption;
        key.panel->setCaption(caption);
        key.edit->setEnabled(shown != KeyClass::Disabled);
        QPalette p = key.edit->palette();
        p.setColor(QPalette::Base, style.colour);
        key.edit->setPalette(p);
    }
}

void TFMorvi::showTypeAndPanels()
{
    const int type = editor_.image[offset::transmitterType];
    switch (static_cast<TransmitterType>(type)) {
    case TransmitterType::Normal:
        mTypNormal_->setChecked(true);
        matrixback_->setColour(QColor(0xC9, 0xC9, 0xC9));
        break;
    case TransmitterType::NormalHighPower:
        mTypLong_->setChecked(true);
        matrixback_->setColour(QColor(0xFF, 0xFF, 0xD5));
        break;
    case TransmitterType::Parallel:
        mTypDirekt_->setChecked(true);
        matrixback_->setColour(QColor(0xFC, 0x94, 0xA9));
        break;
    case TransmitterType::Rs232: break; // already turned into Normal by the refresh
    }
    const bool parallel = type == static_cast<int>(TransmitterType::Parallel);
    pzusatzparallel_->setVisible(parallel);
    parallelpanel_->setVisible(parallel);
}

// Entries and boxes ----------------------------------------------------------

void TFMorvi::commitEntry(Field f)
{
    commitField(editor_, f, field(f)->text().toStdString(), *this);
    showdata();
}

void TFMorvi::commitTimeout()
{
    const QString text = tastenTimeout_->text();
    const QString separator = QLocale().decimalPoint();
    const auto tenths =
        morvi::commitTimeout(editor_, text.toStdString(), separator.isEmpty() ? ',' : separator[0].toLatin1(), *this);
    if (!tenths) {
        timeoutError_(text);
        return;
    }
    tastenTimeout_->setText(QString::fromStdString(*tenths));
    showdata();
}

void TFMorvi::AdressDataExit(int key)
{
    commitKeyAddress(editor_, key, keys_[static_cast<std::size_t>(key - 1)].edit->text().toStdString(), *this);
    showdata();
}

void TFMorvi::flagBoxClick(FlagBox b)
{
    setFlag(editor_.image, b, box(b)->isChecked());
    showdata();
    if (b == FlagBox::CBzyk) cyclicSendWarning(sendBoxes(), *this);
}

void TFMorvi::maxBegrenzungClick()
{
    const bool checked = maxBegrenzung_->isChecked();
    field(Field::maxAnz)->setVisible(checked);
    checkSendLimit(editor_.image, checked);
    showdata();
    cyclicSendWarning(sendBoxes(), *this);
}

SendBoxes TFMorvi::sendBoxes() const { return {box(FlagBox::CBzyk)->isChecked(), maxBegrenzung_->isChecked()}; }

void TFMorvi::applyDerivedState(const DerivedState &derived)
{
    if (derived.sendLimitOn) {
        field(Field::maxAnz)->setVisible(true);
        setBoxState(maxBegrenzung_, true, [this] { maxBegrenzungClick(); });
    }
    if (derived.normalPreset) select_normal();
}

// Transmitter types ----------------------------------------------------------

void TFMorvi::applyPreset(TransmitterType type)
{
    mTyp_->setTitle(QString::fromUtf8(presetOf(type).menuCaption));
    morvi::applyPreset(editor_.image, type);
    showdata();
}

void TFMorvi::select_normal() { applyPreset(TransmitterType::Normal); }
void TFMorvi::select_normalHP() { applyPreset(TransmitterType::NormalHighPower); }
void TFMorvi::select_direkt() { applyPreset(TransmitterType::Parallel); }

void TFMorvi::MTyp_normalClick()
{
    showinfo(presetOf(TransmitterType::Normal).infoLine, colour::black, option::block);
    select_normal();
}

void TFMorvi::MTyp_longClick()
{
    showinfo(presetOf(TransmitterType::NormalHighPower).infoLine, colour::black, option::block);
    select_normalHP();
}

void TFMorvi::MTyp_direktClick()
{
    showinfo(presetOf(TransmitterType::Parallel).infoLine, colour::black, option::block);
    select_direkt();
}

void TFMorvi::applyStoredTypeMenuHandler()
{
    switch (static_cast<TransmitterType>(editor_.image[offset::transmitterType])) {
    case TransmitterType::Normal: MTyp_normalClick(); break;
    case TransmitterType::Parallel: MTyp_direktClick(); break;
    case TransmitterType::NormalHighPower: MTyp_longClick(); break;
    case TransmitterType::Rs232: break; // never stored once the window has refreshed
    }
}

// Key matrix -----------------------------------------------------------------

void TFMorvi::PanelDblClick(int keyIndex)
{
    selectedKey_ = keyIndex;
    cycleClass(editor_.keyClassFlags[static_cast<std::size_t>(keyIndex)]);
    showdata();
}

void TFMorvi::PanelMouseDown(int keyIndex)
{
    selectedKey_ = keyIndex;
    const KeyPanel *panel = keys_[static_cast<std::size_t>(keyIndex)].panel;
    if (!keyDialog_) return;
    const QPoint wanted(x() + panel->x() + pc1_->x() + 80, y() + panel->y() + pc1_->y() + 20);
    keyDialog_->move(keepOnScreen(wanted, outerSize(*keyDialog_, *this), availableScreenAreas()));
    keyDialog_->setSelectedKey(keyIndex);
    keyDialog_->exec();
}

} // namespace morvi::ui
