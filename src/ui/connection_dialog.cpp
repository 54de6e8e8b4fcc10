#include "connection_dialog.h"

#include <QClipboard>
#include <QFontDatabase>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace morvi::ui {

TFVerbindung::TFVerbindung(const QString &report, QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("Fverbindung"));
    setWindowTitle(QStringLiteral("Verbindung prüfen"));
    resize(920, 520);

    report_ = new QPlainTextEdit(this);
    report_->setObjectName(QStringLiteral("report"));
    report_->setReadOnly(true);
    // The marks line up in columns, as on the terminal.
    report_->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    report_->setPlainText(report);

    auto *copy = new QPushButton(QStringLiteral("Kopieren"), this);
    copy->setObjectName(QStringLiteral("Kopieren"));
    copy->setAutoDefault(false);
    connect(copy, &QPushButton::clicked, this, &TFVerbindung::KopierenClick);
    auto *close = new QPushButton(QStringLiteral("Schließen"), this);
    close->setObjectName(QStringLiteral("Schliessen"));
    close->setDefault(true);
    connect(close, &QPushButton::clicked, this, &QDialog::accept);

    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(copy);
    buttons->addWidget(close);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(report_);
    layout->addLayout(buttons);
    close->setFocus();
}

void TFVerbindung::KopierenClick() { QGuiApplication::clipboard()->setText(report_->toPlainText()); }

} // namespace morvi::ui
