#include "key_dialog.h"

#include "caption_panel.h"
#include "dialog_parts.h"
#include "class_style.h"
#include "parameter_rules.h"
#include "widget_hooks.h"

#include <QButtonGroup>
#include <QLabel>
#include <QLineEdit>
#include <QProxyStyle>
#include <QPushButton>
#include <QRadioButton>

namespace morvi::ui {

namespace {
// The class names were laid out for a narrower system font: a tighter gap
// between circle and text keeps the longest one inside its button.
class TightRadioStyle : public QProxyStyle {
public:
    int pixelMetric(PixelMetric metric, const QStyleOption *option, const QWidget *widget) const override
    {
        if (metric == PM_RadioButtonLabelSpacing) return 3;
        return QProxyStyle::pixelMetric(metric, option, widget);
    }
};
} // namespace

TFTkonfig::TFTkonfig(Editor &editor, Reporter &reporter, std::function<void()> onClose, QWidget *parent)
    : FormDialog(parent), editor_(editor), reporter_(reporter), onClose_(std::move(onClose))
{
    setObjectName(QStringLiteral("FTkonfig"));
    setWindowTitle(QStringLiteral("Tasten-Konfiguration"));
    setFixedSize(clientSize(241, 254));
    QFont base(QStringLiteral("MS Sans Serif"));
    base.setPixelSize(11);
    setFont(base);
    const QColor background(0xE7, 0xE4, 0xCB);
    QPalette p = palette();
    p.setColor(QPalette::Window, background);
    setPalette(p);

    auto *panel = new CaptionPanel(this, 1);
    panel->setObjectName(QStringLiteral("Panel1"));
    panel->setColour(background);
    panel->setGeometry(8, 8, 217, 161);

    adresse_ = new QLineEdit(panel);
    adresse_->setObjectName(QStringLiteral("adresse"));
    adresse_->setGeometry(16, 8, 110, 24);
    adresse_->setMaxLength(addressMaxLength);
    adresse_->setToolTip(QStringLiteral("'Adresse' für diese Taste"));
    styleText(adresse_, QStringLiteral("Courier New"), 13, true, QColor(0x80, 0x00, 0x00));
    adresse_->setAutoFillBackground(true);
    makeEntryField(adresse_, [this] { adresseExit(); });
    onDoubleClick(adresse_, [this] { adresse_->selectAll(); });

    addLabel(panel, "Label1", QStringLiteral("Taste-#:"), {140, 12}, base, Qt::black);
    indexnr_ = new QLabel(panel);
    indexnr_->setObjectName(QStringLiteral("indexnr"));
    indexnr_->setGeometry(184, 10, 24, 16);
    styleText(indexnr_, QStringLiteral("Arial"), 13, true, Qt::red);

    const std::pair<const char *, KeyClass> buttons[] = {{"RB1", KeyClass::FixedFunction},
                                                         {"RBZ", KeyClass::Digit},
                                                         {"RB2", KeyClass::GroupFunction},
                                                         {"RB3", KeyClass::GroupSelect},
                                                         {"RB4", KeyClass::Disabled}};
    auto *group = new QButtonGroup(this);
    auto *radioStyle = new TightRadioStyle;
    radioStyle->setParent(this);
    for (std::size_t i = 0; i < radios_.size(); ++i) {
        const auto [name, keyClass] = buttons[i];
        const ClassStyle style = classStyle(keyClass);
        auto *rb = new QRadioButton(style.radioText, panel);
        rb->setObjectName(QString::fromLatin1(name));
        rb->setStyle(radioStyle);
        rb->setGeometry(16, 40 + 24 * static_cast<int>(i), 185, 17);
        rb->setAutoFillBackground(true);
        rb->setBackgroundRole(QPalette::Window);
        QPalette rp = rb->palette();
        rp.setColor(QPalette::Window, style.colour);
        rb->setPalette(rp);
        group->addButton(rb);
        connect(rb, &QRadioButton::clicked, this, [this, c = keyClass] { classClick(c); });
        radios_[i] = {rb, keyClass};
    }

    button1_ = new QPushButton(QStringLiteral("Übernehmen"), this);
    button1_->setObjectName(QStringLiteral("Button1"));
    button1_->setGeometry(8, 184, 217, 33);
    styleText(button1_, QStringLiteral("Arial"), 13, true, Qt::black);
    connect(button1_, &QPushButton::clicked, this, &QDialog::accept);
}

void TFTkonfig::showEvent(QShowEvent *event)
{
    loadPending_ = true;
    openedFlags_ = editor_.keyClassFlags[static_cast<std::size_t>(selectedKey_)];
    for (std::size_t i = 0; i < openedAddress_.size(); ++i)
        openedAddress_[i] = editor_.image[keyAddressOffset(selectedKey_ + 1) + static_cast<int>(i)];
    QDialog::showEvent(event);
}

void TFTkonfig::paintEvent(QPaintEvent *event)
{
    QDialog::paintEvent(event);
    // Load once per opening: every click and focus change repaints the dialog,
    // and a reload then would throw away the class or address being chosen.
    // Nothing else can change the key while this modal dialog is open.
    if (!loadPending_) return;
    loadPending_ = false;
    FormShow();
}

void TFTkonfig::FormShow()
{
    KeyMembership &flags = editor_.keyClassFlags[static_cast<std::size_t>(selectedKey_)];
    const KeyClass current = editedClass(flags);
    for (auto [rb, keyClass] : radios_) {
        if (keyClass != current) continue;
        if (!rb->isChecked()) {
            rb->setChecked(true);
            classClick(keyClass);
        }
    }
    QPalette p = adresse_->palette();
    p.setColor(QPalette::Base, classStyle(current).colour);
    adresse_->setPalette(p);
    indexnr_->setText(QString::number(selectedKey_ + 1));
    adresse_->setText(QString::fromStdString(keyAddressText(editor_, selectedKey_ + 1)));
    button1_->setFocus();
}

void TFTkonfig::classClick(KeyClass c)
{
    setOnlyClass(editor_.keyClassFlags[static_cast<std::size_t>(selectedKey_)], c);
    QPalette p = adresse_->palette();
    p.setColor(QPalette::Base, classStyle(c).colour);
    adresse_->setPalette(p);
}

void TFTkonfig::adresseExit()
{
    commitKeyAddress(editor_, selectedKey_ + 1, adresse_->text().toStdString(), reporter_);
    // Show what was stored at once, as every main-window field does after its commit.
    adresse_->setText(QString::fromStdString(keyAddressText(editor_, selectedKey_ + 1)));
}

void TFTkonfig::closeEvent(QCloseEvent *event)
{
    // The close box gives the address field no chance to be left: take what was typed.
    if (adresse_->isModified()) adresseExit();
    QDialog::closeEvent(event);
}

void TFTkonfig::escapePressed()
{
    editor_.keyClassFlags[static_cast<std::size_t>(selectedKey_)] = openedFlags_;
    for (std::size_t i = 0; i < openedAddress_.size(); ++i)
        editor_.image[keyAddressOffset(selectedKey_ + 1) + static_cast<int>(i)] = openedAddress_[i];
    reject();
}

void TFTkonfig::done(int result)
{
    QDialog::done(result);
    FormClose();
}

void TFTkonfig::FormClose() { onClose_(); }

} // namespace morvi::ui
