// The main window's menu bar: its items, their names and what they ask for.
#include "dialog_parts.h"
#include "main_window.h"

#include <QActionGroup>
#include <QMenuBar>

namespace morvi::ui {

void TFMorvi::buildMenu()
{
    QMenuBar *bar = menuBar();
    bar->setObjectName(QStringLiteral("MainMenu1"));
    auto action = [this](QMenu *menu, const QString &name, const QString &text) {
        QAction *a = menu->addAction(text);
        a->setObjectName(name);
        return a;
    };

    auto command = [this](QAction *a, void (TFMorvi::*signal)()) { connect(a, &QAction::triggered, this, signal); };

    QMenu *datei = named(bar->addMenu(QStringLiteral("&Datei")), QStringLiteral("MDatei"));
    command(action(datei, QStringLiteral("Laden1"), QStringLiteral("&Laden")), &TFMorvi::loadRequested);
    command(action(datei, QStringLiteral("Speichern1"), QStringLiteral("&Speichern")), &TFMorvi::saveRequested);
    datei->addSeparator()->setObjectName(QStringLiteral("N1"));
    connect(action(datei, QStringLiteral("Exit1"), QStringLiteral("E&xit")), &QAction::triggered, this,
            &TFMorvi::Exit1Click);

    mKommunikation_ = named(bar->addMenu(QStringLiteral("&Kommunikation")), QStringLiteral("MKommunikation"));
    connect(mKommunikation_, &QMenu::aboutToShow, this, &TFMorvi::kommunikationOpening);
    command(action(mKommunikation_, QStringLiteral("Datensenden1"), QStringLiteral("Daten &senden")),
            &TFMorvi::programRequested);
    command(action(mKommunikation_, QStringLiteral("Datenempfangen1"), QStringLiteral("Daten &empfangen")),
            &TFMorvi::readRequested);
    auto *ports = new QActionGroup(this);
    // Start-up may leave every port unmarked.
    ports->setExclusionPolicy(QActionGroup::ExclusionPolicy::ExclusiveOptional);
    for (int n = 1; n <= 4; ++n) {
        QAction *port =
            action(mKommunikation_, QStringLiteral("COM%1").arg(n) + QLatin1Char('1'), QStringLiteral("COM&%1").arg(n));
        port->setCheckable(true);
        port->setChecked(n == 1); // the window starts on COM1
        ports->addAction(port);
        connect(port, &QAction::triggered, this, [this, n] { emit portChosen(n); });
        portItems_[static_cast<std::size_t>(n - 1)] = port;
    }
    mWaitstates_ = action(mKommunikation_, QStringLiteral("Mwaitstates"), QStringLiteral("&waitstates="));
    command(mWaitstates_, &TFMorvi::waitstatesRequested);
    fastUsbItem_ = action(mKommunikation_, QStringLiteral("MschnellUSB"), QStringLiteral("schnelle &USB-Übertragung"));
    fastUsbItem_->setCheckable(true);
    connect(fastUsbItem_, &QAction::toggled, this, &TFMorvi::fastUsbChosen);

    mTyp_ = named(bar->addMenu(QStringLiteral("&Typ")), QStringLiteral("MTyp"));
    auto *types = new QActionGroup(this);
    auto typeItem = [&](const QString &name, const QString &text, void (TFMorvi::*handler)()) {
        QAction *a = action(mTyp_, name, text);
        a->setCheckable(true);
        types->addAction(a);
        if (handler) connect(a, &QAction::triggered, this, handler);
        return a;
    };
    mTypNormal_ = typeItem(QStringLiteral("MTyp_normal"), QStringLiteral("&normal  (Standartsender)"),
                           &TFMorvi::MTyp_normalClick);
    // The retired RS232 type keeps its item, which is never shown.
    mTypRs232_ =
        typeItem(QStringLiteral("MTyp_RS232"), QStringLiteral("&RS232  (für Empfänger mit RS232-Ausgabe)"), nullptr);
    mTypRs232_->setVisible(false);
    mTypLong_ = typeItem(QStringLiteral("MTyp_long"), QStringLiteral("normal (Optimierung für &high power Sendemodul)"),
                         &TFMorvi::MTyp_longClick);
    mTypDirekt_ =
        typeItem(QStringLiteral("MTyp_direkt"), QStringLiteral("&Paralleltastenbetrieb"), &TFMorvi::MTyp_direktClick);

    QAction *system = bar->addAction(QStringLiteral("    S&ystem    "));
    system->setObjectName(QStringLiteral("MSystem"));
    command(system, &TFMorvi::systemRequested);
    bar->addAction(QStringLiteral(" "))->setObjectName(QStringLiteral("N2"));
    QMenu *hilfe = named(bar->addMenu(QStringLiteral("&Hilfe")), QStringLiteral("MHilfeMenu"));
    QAction *help = action(hilfe, QStringLiteral("MHilfe"), QStringLiteral("&Hilfe…"));
    help->setShortcut(Qt::Key_F1);
    command(help, &TFMorvi::helpRequested);
    command(action(hilfe, QStringLiteral("MVerbindung"), QStringLiteral("&Verbindung prüfen…")),
            &TFMorvi::checkRequested);
}

} // namespace morvi::ui
