// Building the main window's controls; the menus are in main_window_menus.cpp,
// the behaviour is in main_window.cpp.
#include "caption_panel.h"
#include "dialog_parts.h"
#include "class_style.h"
#include "info_window.h"
#include "key_panel.h"
#include "main_window.h"
#include "pie_gauge.h"
#include "widget_hooks.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QStatusBar>
#include <QTabWidget>

namespace morvi::ui {

namespace {

const QColor navy(0x00, 0x00, 0x80);
const QColor grey(0x80, 0x80, 0x80);
const QColor maroon(0x80, 0x00, 0x00);
const QColor blueText(0x00, 0x00, 0xFF);
// Group panels take the system's scroll-bar colour.
const QColor groupColour(0xC8, 0xC8, 0xC8);
const QString sansSerif = QStringLiteral("MS Sans Serif");
const QString arial = QStringLiteral("Arial");

QLabel *label(QWidget *parent, const QString &name, const QString &text, int x, int y, const QColor &colour = navy,
              int pixelSize = 11, bool bold = true, const QString &family = sansSerif)
{
    auto *l = named(new QLabel(text, parent), name);
    styleText(l, family, pixelSize, bold, colour);
    l->adjustSize();
    l->move(x, y);
    return l;
}

CaptionPanel *groupPanel(QWidget *parent, const QString &name, const QRect &geometry)
{
    auto *p = named(new CaptionPanel(parent, 1), name);
    p->setColour(groupColour);
    p->setGeometry(geometry);
    return p;
}

} // namespace

QLineEdit *TFMorvi::fieldEdit(QWidget *parent, Field field, int x, int y, int width)
{
    auto *edit = named(new QLineEdit(parent), QString::fromLatin1(fieldName(field)));
    edit->setMaxLength(fieldMaxLength(field));
    edit->setGeometry(x, y, width, 21);
    styleText(edit, sansSerif, 11, false, Qt::black);
    makeEntryField(edit, [this, field] { commitEntry(field); });
    fields_[static_cast<std::size_t>(field)] = edit;
    return edit;
}

QCheckBox *TFMorvi::flagBox(QWidget *parent, FlagBox box, const QString &caption, int x, int y)
{
    auto *cb = named(new QCheckBox(caption, parent), QString::fromLatin1(flagBoxName(box)));
    styleText(cb, sansSerif, 11, true, navy);
    cb->adjustSize();
    cb->move(x, y);
    connect(cb, &QCheckBox::clicked, this, [this, box] { flagBoxClick(box); });
    boxes_[static_cast<std::size_t>(box)] = cb;
    return cb;
}

void TFMorvi::buildWindow()
{
    setObjectName(QStringLiteral("FMorvi"));
    setWindowTitle(QStringLiteral("Konfiguration Sender (max. 16-Tasten) "));
    setWindowFlags(Qt::Window | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint | Qt::WindowMinimizeButtonHint |
                   Qt::WindowCloseButtonHint | Qt::CustomizeWindowHint);
    QFont base(sansSerif);
    base.setPixelSize(11);
    setFont(base);

    auto *client = new QWidget(this);
    client->setObjectName(QStringLiteral("client"));
    client->setFixedSize(943, 634 - 20);
    client->setAutoFillBackground(true);
    QPalette p = client->palette();
    p.setColor(QPalette::Window, QColor(0xDF, 0xDF, 0xDF));
    client->setPalette(p);
    setPalette(p);
    setCentralWidget(client);

    buildMenu();

    auto *pc1 = named(new QTabWidget(client), QStringLiteral("PC1"));
    pc1->setGeometry(16, 16, 481, 393);
    pc1_ = pc1;
    auto *tabSheet1 = named(new QWidget, QStringLiteral("TabSheet1"));
    pc1->addTab(tabSheet1, QStringLiteral("  4x4-Taster-Matrix  "));
    buildKeyMatrix(tabSheet1);

    pageControl_ = named(new QTabWidget(client), QStringLiteral("PageControl1"));
    pageControl_->setGeometry(520, 16, 409, 393);
    auto *tabHaupt = named(new QWidget, QStringLiteral("TabHaupt"));
    tabZusatz_ = named(new QWidget, QStringLiteral("TabZusatz"));
    pageControl_->addTab(tabHaupt, QStringLiteral("Haupt-Parameter"));
    pageControl_->addTab(tabZusatz_, QString());
    buildMainPage(tabHaupt);
    buildExtraPage(tabZusatz_);

    buildLowerArea(client);

    auto *sb1 = named(new QStatusBar(this), QStringLiteral("SB1"));
    sb1->setSizeGripEnabled(false);
    sb1->setFixedHeight(20);
    statusLink_ = named(new QLabel(sb1), QStringLiteral("SB1Panel0"));
    statusLink_->setFixedWidth(50);
    statusLink_->setAlignment(Qt::AlignCenter);
    statusFile_ = named(new QLabel(sb1), QStringLiteral("SB1Panel1"));
    statusFile_->setAlignment(Qt::AlignCenter);
    sb1->addWidget(statusLink_);
    sb1->addWidget(statusFile_, 1);
    setStatusBar(sb1);
    // Fixes the whole window, menu and status bar included, so that no window
    // manager can resize or maximise it.
    // (A fixed-size layout constraint would do the same, but it makes X11
    // place the window's inside, not its frame, at the position it was given.)
    setFixedSize(sizeHint());
}

void TFMorvi::buildKeyMatrix(QWidget *page)
{
    matrixback_ = named(new CaptionPanel(page, 0), QStringLiteral("matrixback"));
    matrixback_->setGeometry(8, 8, 455, 339);
    for (int i = 0; i < keyCount; ++i) {
        const int key = i + 1;
        auto *panel =
            named(new KeyPanel(matrixback_, i), key == 9 ? QStringLiteral("Pan9") : QStringLiteral("pan%1").arg(key));
        panel->setGeometry(3 + 113 * (i % 4), 3 + 84 * (i / 4), 110, 81);
        styleText(panel, arial, 15, true, grey);
        panel->setToolTip(QStringLiteral("Tastenfunktion per Doppelklick ändern"));
        panel->onDoubleClick = [this](int k) { PanelDblClick(k); };
        panel->onRightPress = [this](int k) { PanelMouseDown(k); };

        auto *tag = named(new CaptionPanel(panel, 0), QStringLiteral("tag%1").arg(key));
        tag->setGeometry(3, 3, 25, 21);
        tag->setColour(QColor(0xE7, 0xE4, 0xCB));
        styleText(tag, arial, 16, true, Qt::red);
        tag->setCaption(QStringLiteral("%1").arg(key, 2));

        auto *lab = label(panel, QStringLiteral("Lab%1").arg(key), QString(), 32, 6, grey, 13, true, arial);
        lab->setFixedWidth(76);
        panel->setKeyLabel(lab);

        auto *edit = named(new QLineEdit(panel), QStringLiteral("c%1").arg(key));
        edit->setGeometry(5, 54, 100, 22);
        edit->setMaxLength(addressMaxLength);
        styleText(edit, arial, 13, true, Qt::black);
        edit->setToolTip(QStringLiteral("'Adresse' der Taste"));
        edit->setProperty("tag", keyAddressOffset(key));
        makeEntryField(edit, [this, key] { AdressDataExit(key); });

        keys_[static_cast<std::size_t>(i)] = {panel, lab, edit};
    }
}

void TFMorvi::buildMainPage(QWidget *page)
{
    auto *panel2 = groupPanel(page, QStringLiteral("Panel2"), {8, 8, 193, 57});
    label(panel2, QStringLiteral("LCodelength"), QStringLiteral("Codierlänge:"), 8, 10);
    fieldEdit(panel2, Field::codelength, 92, 6, 32)->setToolTip(QStringLiteral("Bit-Tiefe (max. 40 Bit möglich)"));
    label(panel2, QStringLiteral("LBit"), QStringLiteral("Bit"), 130, 10);
    label(panel2, QStringLiteral("LAdresse"), QStringLiteral("--> Adresse"), 8, 36);
    obergrenze_ = label(panel2, QStringLiteral("obergrenze"), QString(), 74, 36);
    obergrenze_->setFixedWidth(115);

    auto *panel6 = groupPanel(page, QStringLiteral("Panel6"), {208, 8, 193, 57});
    label(panel6, QStringLiteral("LBlitz"), QStringLiteral("LED-Blitzdauer:"), 6, 4);
    label(panel6, QStringLiteral("LBlitzGruppe"), QStringLiteral("bei Gruppentaste"), 6, 17);
    fieldEdit(panel6, Field::BlitzTime, 110, 6, 32);
    label(panel6, QStringLiteral("LBlitzMs"), QStringLiteral("ms"), 148, 10);
    label(panel6, QStringLiteral("LBlitz1"), QStringLiteral("(Druckbestätigung bei Gruppen-"), 6, 31, navy, 11, false);
    label(panel6, QStringLiteral("LBlitz2"), QStringLiteral(" und Zifferntasten)"), 6, 43, navy, 11, false);

    auto *panel4 = groupPanel(page, QStringLiteral("Panel4"), {8, 72, 193, 57});
    label(panel4, QStringLiteral("LminAnz"), QStringLiteral("min-TX-Anzahl:"), 8, 8);
    fieldEdit(panel4, Field::minAnz, 110, 4, 32);
    label(panel4, QStringLiteral("LminAnzX"), QStringLiteral(" x"), 144, 8);
    label(panel4, QStringLiteral("LminAnz1"), QStringLiteral("jede Codesendung wird mindestens"), 8, 30, navy, 11,
          false);
    label(panel4, QStringLiteral("LminAnz2"), QStringLiteral("sooft hintereinander wiederholt"), 8, 42, navy, 11,
          false);

    auto *panel5 = groupPanel(page, QStringLiteral("Panel5"), {208, 72, 193, 57});
    maxBegrenzung_ = named(new QCheckBox(QStringLiteral("max-TX-Anz:"), panel5), QStringLiteral("maxBegrenzung"));
    styleText(maxBegrenzung_, sansSerif, 11, true, navy);
    maxBegrenzung_->adjustSize();
    maxBegrenzung_->move(6, 6);
    connect(maxBegrenzung_, &QCheckBox::clicked, this, [this] { maxBegrenzungClick(); });
    fieldEdit(panel5, Field::maxAnz, 110, 4, 32)->setVisible(false);
    label(panel5, QStringLiteral("LmaxAnzX"), QStringLiteral(" x"), 144, 8);
    // The longer of the two texts needs nearly the whole panel.
    maxLab1_ = label(panel5, QStringLiteral("maxLab1"), QString(), 4, 30, navy, 11, false);
    maxLab2_ = label(panel5, QStringLiteral("maxLab2"), QString(), 4, 42, navy, 11, false);
    maxLab1_->setFixedWidth(188);
    maxLab2_->setFixedWidth(188);

    auto *panel7 = groupPanel(page, QStringLiteral("Panel7"), {8, 136, 193, 59});
    label(panel7, QStringLiteral("LTastMess"), QStringLiteral("min-Drückdauer:"), 8, 8);
    fieldEdit(panel7, Field::TastMess, 110, 4, 32)
        ->setToolTip(QStringLiteral("nur Vielfache von 4ms möglich (empfohlen: min. 40ms)"));
    label(panel7, QStringLiteral("LTastMessMs"), QStringLiteral("ms"), 146, 8);
    label(panel7, QStringLiteral("LTastMess1"), QStringLiteral("minimal notwendige Drückdauer"), 8, 30, navy, 11,
          false);
    label(panel7, QStringLiteral("LTastMess2"), QStringLiteral("einer Taste, bis diese akzeptiert wird"), 8, 42, navy,
          11, false);

    auto *panel3 = groupPanel(page, QStringLiteral("Panel3"), {208, 136, 193, 59});
    QCheckBox *press = flagBox(panel3, FlagBox::press, QString(), 6, 6);
    onClick(label(panel3, QStringLiteral("Label10"), QStringLiteral("gleichzeitiges Drücken"), 24, 6),
            [this] { flagBoxClick(FlagBox::press); });
    onClick(
        label(panel3, QStringLiteral("Label21"), QStringLiteral("(gelbe und blaue Taste)"), 24, 19, navy, 11, false),
        [this] { flagBoxClick(FlagBox::press); });
    press->setFixedWidth(18);
    QCheckBox *clear = flagBox(panel3, FlagBox::CBclear, QString(), 6, 36);
    clear->setFixedWidth(18);
    onClick(label(panel3, QStringLiteral("Label12"), QStringLiteral("clear bei Gruppentaste \"0\""), 24, 37),
            [this] { flagBoxClick(FlagBox::CBclear); });

    auto *panel26 = groupPanel(page, QStringLiteral("Panel26"), {8, 202, 385, 82});
    label(panel26, QStringLiteral("LminTasten"), QStringLiteral("min-Tasten:"), 8, 22);
    fieldEdit(panel26, Field::minTasten, 72, 18, 32);
    lTasten_ = label(panel26, QStringLiteral("LTasten"), QString(), 112, 22);
    lTasten_->setFixedWidth(118);
    fieldEdit(panel26, Field::maxTasten, 232, 18, 32);
    label(panel26, QStringLiteral("LTimeout"), QStringLiteral("Tasten-Timeout:"), 8, 52);
    tastenTimeout_ = named(new QLineEdit(panel26), QStringLiteral("TastenTimeout"));
    tastenTimeout_->setMaxLength(timeoutMaxLength);
    tastenTimeout_->setGeometry(100, 48, 40, 21);
    styleText(tastenTimeout_, sansSerif, 11, false, Qt::black);
    makeEntryField(tastenTimeout_, [this] { commitTimeout(); });
    label(panel26, QStringLiteral("LTimeoutSec"), QStringLiteral("sec"), 146, 52);
    flagBox(panel26, FlagBox::CBvorwahl, QStringLiteral("Ziffernvorwahl speichern"), 200, 1);
    QCheckBox *mode = flagBox(panel26, FlagBox::CBziffernmode, QString(), 180, 46);
    mode->setFixedWidth(18);
    onClick(label(panel26, QStringLiteral("Label7"), QStringLiteral("letzte Taste muss 'blaue'"), 198, 46),
            [this] { flagBoxClick(FlagBox::CBziffernmode); });
    onClick(label(panel26, QStringLiteral("Label8"), QStringLiteral("Funktionstaste sein"), 198, 59, navy, 11, false),
            [this] { flagBoxClick(FlagBox::CBziffernmode); });
    auto *digitTag = named(new CaptionPanel(panel26, 0), QStringLiteral("LZiffernBetrieb"));
    digitTag->setColour(QColor(0xFE, 0xC8, 0x76));
    styleText(digitTag, sansSerif, 11, true, navy);
    digitTag->setCaption(QStringLiteral("  (Betrieb mit Zifferntasten)  "));
    digitTag->setGeometry(8, 2, 180, 14);

    auto *parallel = groupPanel(page, QStringLiteral("Parallelpanel"), {8, 291, 385, 60});
    parallel->setFrameStyle(QFrame::Box);
    QPalette frame = parallel->palette();
    frame.setColor(QPalette::WindowText, QColor(0xFC, 0x94, 0xA9));
    parallel->setPalette(frame);
    label(parallel, QStringLiteral("LGrundadresse"), QStringLiteral("Grundadresse:"), 8, 12);
    label(parallel, QStringLiteral("LGrundadresse2"), QStringLiteral("(bei Parallelbetrieb)"), 8, 30, navy, 11, false);
    fieldEdit(parallel, Field::Grundadresse, 130, 14, 110)
        ->setToolTip(QStringLiteral("Grundadresse für Tasten-Parallelbetrieb"));
    parallelpanel_ = parallel;
}

void TFMorvi::buildExtraPage(QWidget *page)
{
    auto *panel28 = groupPanel(page, QStringLiteral("Panel28"), {8, 8, 385, 57});
    flagBox(panel28, FlagBox::CBzyk, QStringLiteral("zykl. Sendung"), 8, 6);
    label(panel28, QStringLiteral("LIntervall"), QStringLiteral("Intervallpause:"), 8, 34);
    fieldEdit(panel28, Field::Intervall, 100, 30, 44);
    label(panel28, QStringLiteral("LIntervallUnit"), QStringLiteral("x 0.1s"), 150, 34);
    labelzyk_ = label(panel28, QStringLiteral("labelzyk"), QString(), 200, 34);
    labelzyk_->setFixedWidth(170);

    auto *panel27 = groupPanel(page, QStringLiteral("Panel27"), {8, 72, 385, 49});
    flagBox(panel27, FlagBox::CBchecksumme, QStringLiteral("mit Checksumme"), 8, 6);
    lcheckanz_ = label(panel27, QStringLiteral("Lcheckanz"), QStringLiteral("Bitanzahl:"), 8, 28);
    fieldEdit(panel27, Field::checkanz, 70, 24, 20);

    auto *self = groupPanel(page, QStringLiteral("Pzusatzparallel"), {8, 128, 385, 88});
    flagBox(self, FlagBox::CBself, QStringLiteral("Selbst-Haltezeit"), 8, 8);
    label(self, QStringLiteral("LZeitdauer"), QStringLiteral("für die Zeitdauer:"), 8, 36);
    fieldEdit(self, Field::timerself, 120, 32, 32);
    label(self, QStringLiteral("LZeitdauerSec"), QStringLiteral("sec"), 158, 36);
    label(self, QStringLiteral("LSelfTaste"), QStringLiteral("simulierte Taste Nr.:"), 8, 62);
    fieldEdit(self, Field::SelfTaste, 120, 58, 26);
    pzusatzparallel_ = self;

    auto *batt = groupPanel(page, QStringLiteral("Pbatterie"), {8, 223, 385, 62});
    label(batt, QStringLiteral("LBatterie"), QStringLiteral("! Nur für Handsender mit dual-color-LED: !"), 8, 6,
          maroon);
    flagBox(batt, FlagBox::CBbatt, QStringLiteral("mit BatterieTest"), 8, 32);
    label(batt, QStringLiteral("LSchwelle"), QStringLiteral("Schwellenwert:"), 180, 34);
    fieldEdit(batt, Field::Battschwelle, 268, 30, 26);
    batt->setVisible(false);
    pbatterie_ = batt;
}

void TFMorvi::buildLowerArea(QWidget *client)
{
    auto *legend = named(new CaptionPanel(client, 1), QStringLiteral("Panel25"));
    legend->setGeometry(16, 432, 273, 113);
    label(legend, QStringLiteral("Label22"), QStringLiteral("Legende (Farbenzuordnung):"), 8, 4, Qt::black);
    const std::pair<const char *, KeyClass> strips[] = {{"Panel85", KeyClass::FixedFunction},
                                                        {"Panel24", KeyClass::Digit},
                                                        {"Panel87", KeyClass::GroupFunction},
                                                        {"Panel86", KeyClass::GroupSelect},
                                                        {"Panel88", KeyClass::Disabled}};
    int top = 20;
    for (const auto &[name, keyClass] : strips) {
        auto *strip = named(new CaptionPanel(legend, 1), QString::fromLatin1(name));
        const ClassStyle style = classStyle(keyClass);
        strip->setGeometry(8, top, 255, 17);
        strip->setColour(style.colour);
        strip->setCaption(style.legend);
        top += 18;
    }

    panProg_ = named(new CaptionPanel(client, 1), QStringLiteral("PanProg"));
    panProg_->setGeometry(16, 432, 273, 113);
    laction_ = label(panProg_, QStringLiteral("Laction"), QString(), 96, 10, Qt::black, 13, true, arial);
    laction_->setFixedWidth(170);
    gauge_ = named(new PieGauge(panProg_), QStringLiteral("Gauge"));
    gauge_->setGeometry(8, 8, 80, 80);
    gaugeGesamt_ = named(new QProgressBar(panProg_), QStringLiteral("GaugeGesamt"));
    gaugeGesamt_->setGeometry(8, 94, 257, 12);
    gaugeGesamt_->setTextVisible(false);
    panProg_->setVisible(false);

    auto transferButton = [client](const char *name, const char *text, const QRect &geometry) {
        auto *button = named(new QPushButton(QString::fromUtf8(text), client), QString::fromLatin1(name));
        button->setGeometry(geometry);
        styleText(button, arial, 17, true, QColor(0x00, 0x80, 0x00));
        return button;
    };
    progButton_ = transferButton("ProgButton", "Programmieren", QRect(296, 432, 201, 55));
    leseButton_ = transferButton("LeseButton", "Auslesen", QRect(295, 493, 201, 55));
    connect(progButton_, &QPushButton::clicked, this, &TFMorvi::programRequested);
    connect(leseButton_, &QPushButton::clicked, this, &TFMorvi::readRequested);

    info_ = named(new InfoWindow(client), QStringLiteral("MInfo"));
    info_->setGeometry(520, 432, 321, 169);
    QFont infoFont(arial);
    infoFont.setPixelSize(13);
    info_->setFont(infoFont);
    info_->setToolTip(QStringLiteral("Informationsfenster"));
    auto *butClear = named(new QPushButton(QStringLiteral("clear info"), client), QStringLiteral("ButClear"));
    butClear->setGeometry(856, 432, 73, 169);
    styleText(butClear, arial, 13, true, Qt::black);
    butClear->setToolTip(QStringLiteral("Inhalt des Informationsfensters löschen"));
    connect(butClear, &QPushButton::clicked, this, &TFMorvi::ButClearClick);

    auto *separator = named(new CaptionPanel(client, 0), QStringLiteral("Panel1"));
    separator->setGeometry(8, 560, 497, 2);
    separator->setColour(Qt::black);

    label(client, QStringLiteral("VLabel"), QStringLiteral("Software-Version:"), 24, 582, blueText);
    version_ = label(client, QStringLiteral("Version"), QString(), 128, 582, blueText);
    version_->setFixedWidth(50);
    const QString firmwareHint = QStringLiteral("Gerät zur Anzeige der Firmware-Version zuerst auslesen!");
    lfirmware_ = label(client, QStringLiteral("LFirmware"), QStringLiteral("Firmware:"), 184, 582, blueText);
    lfirmware_->setToolTip(firmwareHint);
    firmware_ = label(client, QStringLiteral("Firmware"), QStringLiteral("0.0"), 240, 582, blueText);
    firmware_->setFixedWidth(48);
    firmware_->setToolTip(firmwareHint);

    urladd_ = named(new CaptionPanel(client, 1), QStringLiteral("urladd"));
    urladd_->setGeometry(296, 576, 201, 25);
    urladd_->setCaption(QStringLiteral("homepage:"));
    urladd_->setToolTip(QStringLiteral("ein Doppelklick öffnet die Homepage"));
}

} // namespace morvi::ui
