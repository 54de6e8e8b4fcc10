#include "system_dialog.h"

#include "editor.h"
#include "reporter.h"
#include "widget_hooks.h"

#include <QCheckBox>
#include <QColor>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include <algorithm>

namespace morvi::ui {

namespace {

const QString warningHint = QStringLiteral("ACHTUNG, diese Werte müssen i.d.Regel nie verändert werden!");
const QColor navy(0x00, 0x00, 0x80);
// Qt has no palette role for the scroll-bar colour; this is its usual grey.
const QColor scrollBarGrey(0xC8, 0xC8, 0xC8);
const QString sansSerif = QStringLiteral("MS Sans Serif");

QFont captionFont() { return pixelFont(sansSerif, 13, true); }
QFont unitFont() { return pixelFont(sansSerif, 11); }

} // namespace

TFsystem::TFsystem(Editor &editor, Reporter &reporter, std::function<void()> factoryPreset, QWidget *parent)
    : FormDialog(parent), editor_(editor), reporter_(reporter), factoryPreset_(std::move(factoryPreset))
{
    setObjectName(QStringLiteral("Fsystem"));
    setWindowTitle(QStringLiteral("Sender - Systemparameter"));
    setFont(pixelFont(sansSerif, 11));
    setBackground(this, QColor(0xDF, 0xDF, 0xDF));
    setToolTip(warningHint);
    setFixedSize(clientSize(355, 328));
    move(430, 246);

    auto *panel = new QFrame(this);
    panel->setObjectName(QStringLiteral("Panel26"));
    panel->setGeometry(10, 10, 327, 167);
    panel->setFrameStyle(QFrame::Panel | QFrame::Raised);
    setBackground(panel, scrollBarGrey);
    panel->setToolTip(warningHint);

    // Created row by row, which gives the tab order.
    addBox(panel, FlagBox::CBnoref, QStringLiteral("kein ReferenzBit"), {12, 8},
           QStringLiteral("HF-Sendung ohne vorangestelltes Referenzbit"));
    addBox(panel, FlagBox::CBpraeambel, QStringLiteral("mit Präambel:"), {188, 8},
           QStringLiteral("HF-Sendung mit Präambel"));
    addLabel(panel, "Lvorwahl", QStringLiteral("Bit-Length:"), {8, 33}, captionFont(), navy);
    addEdit(panel, Field::BitLength, {108, 30}, QStringLiteral("Zeitdauer eines Datenbit-Drittels"));
    addLabel(panel, "Label2", QStringLiteral("Anzahl:"), {192, 33}, captionFont(), navy);
    addEdit(panel, Field::PrAnzahl, {268, 30}, QStringLiteral("Anzahl der Präambelschwingungen"));
    addLabel(panel, "Pause", QStringLiteral("String-Pause:"), {8, 59}, captionFont(), navy);
    addEdit(panel, Field::StringPause, {108, 56}, QStringLiteral("Pause zwischen 2 Datenstrings (Einheit ca. 0,5ms)"));
    addLabel(panel, "Label3", QStringLiteral("Pulslänge:"), {192, 58}, captionFont(), navy);
    addEdit(panel, Field::PrLength, {268, 55}, QStringLiteral("Zeitdauer einer halben Präambelschwingung"));
    addBox(panel, FlagBox::CBpostambel, QStringLiteral("mit Postambel:"), {188, 88},
           QStringLiteral("HF-Sendung mit Postambel"));
    addLabel(panel, "Label5", QStringLiteral("Zeiteinheiten ca. Wert x 7,5 us"), {8, 112}, unitFont(), navy);
    addLabel(panel, "Label1", QStringLiteral("Abstand:"), {192, 113}, captionFont(), navy);
    addEdit(panel, Field::PostP, {268, 110}, QStringLiteral("Pausenzeit nach Datenstring bis zur Präambel"));
    addLabel(panel, "Label7", QStringLiteral("(Stringpause ca.  Wert x 500 us)"), {8, 136}, unitFont(), navy);
    addLabel(panel, "Label4", QStringLiteral("Pulslänge:"), {192, 138}, captionFont(), navy);
    addEdit(panel, Field::PostL, {268, 135}, QStringLiteral("Dauer des Präambel-Impulses"));

    auto *werk = new QPushButton(QStringLiteral("Werksparameter für gewählte Senderart"), this);
    werk->setObjectName(QStringLiteral("ButtonWerk"));
    werk->setGeometry(8, 192, 329, 33);
    werk->setFont(pixelFont(QStringLiteral("Arial"), 13, true));
    connect(werk, &QPushButton::clicked, this, &TFsystem::ButtonWerkClick);

    auto *ok = new QPushButton(QStringLiteral("o.k."), this);
    ok->setObjectName(QStringLiteral("Button1"));
    ok->setGeometry(8, 240, 329, 49);
    ok->setFont(pixelFont(QStringLiteral("Arial"), 16, true));
    connect(ok, &QPushButton::clicked, this, &TFsystem::Button1Click);
    setEscapeButton(ok);
}

QLineEdit *TFsystem::addEdit(QWidget *parent, Field field, QPoint pos, const QString &hint)
{
    auto *edit = new QLineEdit(parent);
    edit->setObjectName(QString::fromLatin1(fieldName(field)));
    edit->setGeometry(pos.x(), pos.y(), 32, 24);
    edit->setMaxLength(fieldMaxLength(field));
    edit->setFont(pixelFont(QStringLiteral("Courier New"), 13));
    setTextColour(edit, Qt::black);
    edit->setToolTip(hint);
    const Entry entry{field, edit};
    entries_.push_back(entry);
    makeEntryField(edit, [this, entry] { commit(entry); });
    return edit;
}

QCheckBox *TFsystem::addBox(QWidget *parent, FlagBox flag, const QString &caption, QPoint pos, const QString &hint)
{
    auto *box = new QCheckBox(caption, parent);
    box->setObjectName(QString::fromLatin1(flagBoxName(flag)));
    box->setFont(captionFont());
    setTextColour(box, navy);
    box->setToolTip(hint);
    box->move(pos);
    box->adjustSize();
    const Box entry{flag, box};
    boxes_.push_back(entry);
    // clicked, not toggled: a state set by showsystem runs the handling through setBoxState.
    connect(box, &QCheckBox::clicked, this, [this, entry] { boxClick(entry); });
    return box;
}

void TFsystem::showsystem()
{
    for (FlagBox flag : {FlagBox::CBpraeambel, FlagBox::CBnoref, FlagBox::CBpostambel}) {
        const auto it = std::find_if(boxes_.begin(), boxes_.end(), [flag](const Box &b) { return b.flag == flag; });
        const Box box = *it;
        setBoxState(box.box, flagOf(editor_.image, flag), [this, box] { boxClick(box); });
    }
    for (const Entry &entry : entries_)
        entry.edit->setText(QString::fromStdString(fieldText(editor_, entry.field)));
}

void TFsystem::commit(const Entry &entry)
{
    commitField(editor_, entry.field, entry.edit->text().toStdString(), reporter_);
    showsystem();
}

void TFsystem::boxClick(const Box &box)
{
    setFlag(editor_.image, box.flag, box.box->isChecked());
    showsystem();
}

void TFsystem::ButtonWerkClick()
{
    factoryPreset_();
    showsystem();
}

void TFsystem::Button1Click() { accept(); }

void TFsystem::FormShow() { showsystem(); }

void TFsystem::showEvent(QShowEvent *event)
{
    FormDialog::showEvent(event);
    FormShow();
}

} // namespace morvi::ui
