#include "waitstates_dialog.h"

#include "number_text.h"
#include "reporter.h"
#include "widget_hooks.h"

#include <QColor>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace morvi::ui {

QString waitstatesCaption(int waitstates) { return QStringLiteral("&waitstates=") + QString::number(waitstates); }

TFwaitstates::TFwaitstates(int &waitstates, Reporter &reporter, QWidget *parent)
    : FormDialog(parent), waitstates_(waitstates), reporter_(reporter)
{
    const QString sansSerif = QStringLiteral("MS Sans Serif");
    setObjectName(QStringLiteral("Fwaitstates"));
    setWindowTitle(QStringLiteral("RS232-waitstates"));
    setFont(pixelFont(sansSerif, 11));
    setFixedSize(249, 129);

    addLabel(this, "Label1", QStringLiteral("RS232 - waitstates:"), {16, 20}, pixelFont(sansSerif, 13, true),
             Qt::black);

    ewait_ = new QLineEdit(this);
    ewait_->setObjectName(QStringLiteral("ewait"));
    ewait_->setGeometry(176, 16, 33, 24);
    ewait_->setMaxLength(2);
    ewait_->setFont(pixelFont(QStringLiteral("Courier New"), 13));
    makeEntryField(ewait_, [this] { ewaitExit(); });

    addLabel(this, "Label2", QStringLiteral("(Verzögerung bei Problemen erhöhen)"), {16, 52}, pixelFont(sansSerif, 11),
             Qt::black);

    okButton_ = new QPushButton(QStringLiteral("o.k."), this);
    okButton_->setObjectName(QStringLiteral("OKButton"));
    okButton_->setGeometry(16, 80, 217, 33);
    okButton_->setFont(pixelFont(QStringLiteral("Arial"), 13, true));
    connect(okButton_, &QPushButton::clicked, this, &TFwaitstates::OKButtonClick);
    setEscapeButton(okButton_);
}

void TFwaitstates::fillField()
{
    ewait_->setText(QString::fromStdString(setString(2, waitstates_)));
    ewait_->selectAll();
}

void TFwaitstates::ewaitExit()
{
    waitstates_ = static_cast<int>(checkin(maxWaitstates, ewait_->text().toStdString(), reporter_));
    fillField();
    okButton_->setFocus(Qt::OtherFocusReason);
}

void TFwaitstates::OKButtonClick() { accept(); }

void TFwaitstates::FormShow()
{
    fillField();
    ewait_->setFocus(Qt::OtherFocusReason);
}

void TFwaitstates::showEvent(QShowEvent *event)
{
    FormDialog::showEvent(event);
    FormShow();
}

} // namespace morvi::ui
