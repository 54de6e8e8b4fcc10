#include "help_window.h"

#include "maker.h"
#include "reporter.h"
#include "web_page.h"
#include "widget_hooks.h"

#include <QColor>
#include <QFrame>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>

#include <initializer_list>

namespace morvi::ui {

namespace {

const QColor green(0x00, 0x80, 0x00);
const QString arial = QStringLiteral("Arial");

// The help text as shown, line by line; it ends with a few empty lines.
constexpr const char *manual = R"manual(Kurzhilfe:
Bei offenen Fragen wenden Sie sich bitte an die unten angegebene
Hersteller-Adresse.
Als Kontexthilfe dienen die Hinweise, die erscheinen, wenn der
Mauszeiger kurze Zeit über einem Eingabefeld, einer Taste oder einem
Auswahlfeld ruht.
Ungültige Eingaben (zu große oder negative Zahlen, Buchstaben) werden
beim Verlassen des Feldes automatisch auf einen zulässigen Wert
korrigiert; ein Warnton weist darauf hin.
Alle Meldungen des Programms erscheinen farbig im Infofenster: grün
für erfolgreiche Aktionen, rot für Fehler und Warnungen, schwarz für
Hinweise.

1. Übersicht:
Mit diesem Programm lassen sich alle aktuellen Einweg-Handsender mit
bis zu 16 Tasten konfigurieren, die eine Programmierschnittstelle
besitzen und mindestens die Firmware-Version 2.13 enthalten.
Das Programmierkabel bzw. den Programmieradapter erhalten Sie beim
Hersteller oder bei Ihrem Händler.

Jede Taste des Senders hat eines von fünf Verhaltensmustern, erkennbar
an der Farbe der Taste:

grau: Die Taste ist gesperrt und hat keine Funktion.
orange: Zifferntaste. Mehrere Zifferntasten nacheinander bilden eine
    Dezimalzahl, die als Code gesendet oder als Vorwahl verwendet
    wird.
grün: Festfunktionstaste. Sie sendet immer ihre fest eingestellte
    Adresse, unabhängig davon, welche Gruppe zuvor gewählt wurde. Bei
    gleichzeitig (parallel) gedrückten Tasten kann nur eine grüne
    Taste aktiv sein.
blau: Gruppenfunktionstaste. Sie sendet ihre eigene Adresse zuzüglich
    des Offsets der gewählten Gruppe.
gelb: Gruppenwahltaste. Sie wählt die Gruppe, deren Wert die blauen
    Tasten zu ihrer Adresse addieren. Eine Gruppentaste mit dem Wert 0
    kann als Löschtaste ("clear") dienen.

Eine orange Taste löscht eine zuvor gedrückte gelbe Taste und
umgekehrt: es gilt immer die zuletzt getroffene Wahl.
Das Verhalten jeder Taste wird wie unter 4. beschrieben eingestellt,
ihre Adresse wie unter 3.

2. Typenauswahl unter "Typ" in der Menuleiste.
Die Senderart muss gewählt werden, bevor andere Werte verändert
werden, denn die Typenauswahl setzt die Protokollparameter des Senders
auf die Werkswerte der gewählten Senderart und überschreibt dabei
zuvor geänderte Einstellungen.
Die gewählte Senderart wird in der Menuleiste hinter "Typ" angezeigt.
Zur Auswahl stehen:
- der Standardsender,
- der Standardsender mit HighPower-Sendemodul (mit anderen
  Protokollparametern),
- der Sender für Empfänger mit Parallelausgang
  (Paralleltastenbetrieb).

Standardsender:
Es dürfen höchstens zwei Tasten gleichzeitig gedrückt werden. Der
gesendete Code ergibt sich aus der gedrückten Taste bzw. aus den
beiden gedrückten Tasten.

Paralleltastenbetrieb:
Eine Basisadresse (Feld "Grundadresse:") wird mit der Adresse jeder
gedrückten grünen Taste ODER-verknüpft. Mehrere Tasten einer
Tastenreihe dürfen gleichzeitig gedrückt werden; der gesendete Code
enthält dann die Adressen aller gedrückten Tasten.
Sollen alle 16 Tasten parallel genutzt werden, ist eine zusätzliche
Beschaltung im Sender nötig.
In dieser Betriebsart sind nur grüne Tasten aktiv.
Die Felder für die Grundadresse und für die Selbst-Haltezeit
(siehe 15.) werden nur in dieser Betriebsart angezeigt.

3. Adressen eingeben:
Was die Adresse einer Taste bedeutet, hängt von ihrer Farbe ab:
grün: die feste Adresse, die beim Drücken der Taste gesendet wird.
orange: die Ziffer, die beim Drücken an die bisher eingegebene Zahl
    angehängt wird.
blau: die eigene Adresse der Taste; sie wird zur gewählten Gruppe bzw.
    zur eingegebenen Ziffernvorwahl addiert.
gelb: der Gruppen-Offset, der zu den Adressen der blauen Tasten
    addiert wird.

Zum Ändern einer Adresse klicken Sie in das Wertefeld der Taste und
geben den neuen Wert ein.
Die Eingabe wird übernommen, sobald das Feld verlassen oder die
Enter-Taste gedrückt wird.
Alternativ öffnet ein Klick mit der rechten Maustaste auf eine Taste
das Fenster zur Tastenkonfiguration, in dem Adresse und
Tastenverhalten gemeinsam eingestellt werden.
Adressen werden dezimal eingegeben. Gesperrte (graue) Tasten haben
keine Adresse.

4. Tastenverhalten einstellen:
Ein Doppelklick auf eine Taste schaltet ihr Verhalten reihum weiter:
grau -> grün -> orange -> blau -> gelb -> grau.
Alternativ kann das Verhalten im Fenster zur Tastenkonfiguration
(rechte Maustaste auf die Taste) direkt ausgewählt werden.

5. Codierlänge definieren:
Die Codierlänge legt fest, wie viele Bits jede gesendete Adresse
umfasst (höchstens 40 Bit).
Der Empfänger muss auf dieselbe Bitanzahl eingestellt sein.
Adressen, die mit der gewählten Bitanzahl nicht darstellbar sind,
werden automatisch auf den größtmöglichen Wert herabgesetzt. Dieser
Höchstwert wird unterhalb des Eingabefeldes angezeigt.
Beispiel: bei 8 Bit sind die Adressen 0 bis 255 möglich, bei 16 Bit
    die Adressen 0 bis 65535.

6. LED-Blitzdauer
Zifferntasten und Gruppenwahltasten senden beim Drücken nichts. Damit
der Benutzer dennoch eine Rückmeldung erhält, blitzt die LED des
Senders kurz auf.
Hier wird die Dauer dieses Blitzes in Millisekunden eingestellt,
höchstens 120 ms.
Größere Werte werden beim Verlassen des Feldes auf 120 ms begrenzt.

7. min-TX-Anzahl
Mindestanzahl der aufeinanderfolgenden Code-Aussendungen je
Tastendruck.
Diese Anzahl wird immer gesendet, auch wenn die Taste nur sehr kurz
gedrückt wird.

8. max-TX-Anzahl
Höchstanzahl der gleichen Aussendungen je Tastendruck. Danach hört der
Sender auf zu senden, auch wenn die Taste weiter gedrückt bleibt.
Ein Wert unter der Mindestanzahl wird automatisch auf die
Mindestanzahl angehoben.
Ist das Auswahlfeld "max-TX-Anz:" nicht gesetzt, sendet der Sender,
solange die Taste gedrückt bleibt.

9. min-Drückdauer
Mindestzeit, die eine Taste gedrückt sein muss, bevor der Tastendruck
gewertet wird.
Sie schützt vor ungewollten Aussendungen durch kurzes Antippen.
Voreingestellt und empfohlen sind 40 ms. Einstellbar sind 4 ms bis
252 ms in Schritten von 4 ms; andere Werte werden automatisch auf das
nächstliegende Vielfache von 4 ms gesetzt.

10. Auswahlfeld 'nur gleichzeitiges Drücken'
Ist dieses Feld gesetzt, sendet eine blaue Taste nur, solange
gleichzeitig eine gelbe Taste gedrückt gehalten wird.
Ist es nicht gesetzt, merkt sich der Sender die zuletzt gewählte
Gruppe, und die blauen Tasten senden auch nach dem Loslassen der
gelben Taste mit dieser Gruppe.

11. Auswahlfeld 'clear bei Gruppentaste 0'
Ist dieses Feld gesetzt, löscht eine gelbe Taste mit der Adresse 0 die
gewählte Gruppe bzw. die eingegebene Ziffernvorwahl. Die blauen Tasten
sind danach wirkungslos, bis eine neue Gruppe oder Vorwahl eingegeben
wird.
Solche Tasten werden in der Tastenmatrix mit "! clear !"
gekennzeichnet.

12. Betrieb mit Zifferntasten
Werden orange Zifferntasten verwendet, bestimmen die folgenden
Einstellungen, wann und wie die eingegebene Zahl gesendet wird.

12.1 min-Tasten
Mindestanzahl der Tastendrücke, die eingegeben sein müssen, bevor
gesendet werden kann.
Werden weniger Tasten gedrückt, wird nichts gesendet.

12.2 max-Tasten
Höchstanzahl der Tastendrücke. Wird sie erreicht, wird die eingegebene
Zahl sofort gesendet.
Ausnahme: darf nur eine blaue Taste die Sendung auslösen (siehe 12.4),
    wird die Eingabe beim Erreichen der Höchstanzahl vollständig
    verworfen.

12.3 Tasten-Timeout
Längste erlaubte Pause zwischen zwei Tastendrücken, einstellbar bis
25,5 Sekunden.
Die Zeit wird in Sekunden mit einer Nachkommastelle eingegeben,
z.B. 2,5.
Wird sie überschritten, wird der bis dahin gesammelte Code verworfen
und die Eingabe beginnt von vorn.

12.4 Absendung nur mit "blauer" Funktionstaste ("letzte Taste muss blaue Taste sein")
Ist diese Funktion gewählt, löst nur eine abschließende blaue Taste
die Sendung aus.
Der Wert der blauen Taste wird dabei zur eingegebenen Zahl addiert.

12.5 Funktion "Ziffernvorwahl speichern"
Eine vollständig eingegebene Ziffernvorwahl bleibt wie eine Gruppe
gespeichert. Alle folgenden blauen Tasten verwenden diese Vorwahl, bis
eine neue Vorwahl oder eine Gruppe eingegeben wird.
In dieser Betriebsart gibt "max-Tasten" die Stellenzahl der Vorwahl an
("Vorwahlstellen max:").

13. zyklische Sendung (erst ab Firmware min. 2.06 nutzbar)
Solange die Taste gedrückt bleibt, wird die Aussendung nach einer
einstellbaren Pause (Intervallpause) wiederholt.
Die Intervallpause wird in Schritten von 0,1 Sekunden eingegeben; die
ungefähre Dauer in Minuten wird neben dem Feld angezeigt.
Für die zyklische Sendung muss eine maximale Sendeanzahl
("max-TX-Anz") eingestellt sein; fehlt sie, erscheint eine Warnung im
Infofenster.

14. Checksummme (erst ab Firmware min. 2.13 nutzbar)
Beim Standardsender und beim Paralleltastenbetrieb kann an jede
Aussendung eine Prüfsumme von 1 bis 8 Bit angehängt werden. Der
Empfänger muss dieselbe Prüfsummenlänge erwarten.
Die Anzahl der Prüfbits wird im Feld "Bitanzahl:" eingestellt.

15. Selbst-Haltezeit (erst ab Firmware min. 2.13 nutzbar).
Nur im Paralleltastenbetrieb: Der Sender bleibt nach dem letzten
echten Tastendruck für die eingestellte Zeitdauer betriebsbereit und
sendet währenddessen den Code der ausgewählten (simulierten) Taste
zyklisch weiter.
Die Zeitdauer wird in Sekunden eingestellt, die simulierte Taste über
ihre Nummer 1 bis 16.

16. Sender auslesen/programmieren:
Der Sender wird über einen Programmieradapter an einer der
Schnittstellen COM1 bis COM4 oder über den speziellen
USB-Programmieradapter angeschlossen.
Ein gültiger USB-Adapter wird automatisch erkannt und verwendet; die
serielle Schnittstelle ist dann gesperrt. Die verwendete Verbindung
wird in der Statuszeile angezeigt.
Mit der Schaltfläche "Programmieren" wird die angezeigte Konfiguration
in den Sender geschrieben und anschließend zur Kontrolle
zurückgelesen.
Vor dem Programmieren muss die Sicherheitsabfrage bestätigt werden.
Mit der Schaltfläche "Auslesen" wird die Konfiguration des
angeschlossenen Senders gelesen und angezeigt.
Werden handelsübliche USB-Seriell-Adapter verwendet, kann es nötig
sein, die waitstates im Menü "Kommunikation" über 0 zu erhöhen.

17. Speichern/Laden der Konfiguration zu Archivierungszwecken:
Über das Menü "Datei" können Konfigurationen gespeichert und wieder
geladen werden.
Solche Dateien haben die Endung "*.txc".
Beim Laden einer Datei wird die gespeicherte Konfiguration vollständig
übernommen und angezeigt; sie kann danach geändert und in einen Sender
programmiert werden.

Fehler und Verbesserungsvorschläge melden Sie bitte an die unten
angegebene E-Mail-Adresse.
Vielen Dank für Ihre Mithilfe!
Die Nutzung des Programms ist für die Konfiguration der Sender des
Herstellers kostenlos.
Das Programm wird ohne Gewähr für seine Fehlerfreiheit zur Verfügung
gestellt.



)manual";

} // namespace

Thelpform::Thelpform(Reporter &reporter, QWidget *parent) : FormDialog(parent), reporter_(reporter)
{
    setObjectName(QStringLiteral("helpform"));
    setWindowTitle(QStringLiteral("Hilfe zur Sender-Konfiguration"));
    setFont(pixelFont(QStringLiteral("MS Sans Serif"), 11));
    setBackground(this, QColor(0xF7, 0xDD, 0xC4));
    setFixedSize(721, 615);
    move(134, 89);

    // Created first so that it is first in the tab order and has the focus on opening.
    auto *close = new QPushButton(QStringLiteral("o.k."), this);
    close->setObjectName(QStringLiteral("closebutton"));
    close->setGeometry(16, 568, 689, 33);
    close->setFont(pixelFont(arial, 16, true));
    connect(close, &QPushButton::clicked, this, &Thelpform::closebuttonClick);
    setEscapeButton(close);

    auto *text = new QPlainTextEdit(this);
    text->setObjectName(QStringLiteral("m_qzk"));
    text->setGeometry(16, 16, 689, 449);
    text->setFont(pixelFont(arial, 12));
    text->setReadOnly(true);
    text->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    text->setPlainText(QString::fromUtf8(manual));

    const QFont heading = pixelFont(arial, 13, true);
    addLabel(this, "Label8", QStringLiteral("Hersteller-Kontakt / Software-Updates:"), {24, 480}, heading, Qt::black);
    addLabel(this, "Label9", QStringLiteral("v3.34  -  06/2019"), {608, 480}, heading, Qt::black);
    firma_ = addLabel(this, "Firma", QString(), {24, 504}, heading, green);
    strasse_ = addLabel(this, "strasse", QString(), {24, 520}, heading, green);
    ort_ = addLabel(this, "ort", QString(), {24, 536}, heading, green);
    tel_ = addLabel(this, "tel", QString(), {264, 504}, heading, green);
    fax_ = addLabel(this, "fax", QString(), {264, 520}, heading, green);
    email_ = addLabel(this, "email", QString(), {264, 536}, heading, green);

    auto *homepage = new QFrame(this);
    homepage->setObjectName(QStringLiteral("homepage"));
    homepage->setGeometry(528, 504, 177, 49);
    homepage->setFrameStyle(QFrame::Panel | QFrame::Raised);
    homepage->setToolTip(QStringLiteral("ein Doppelklick öffnet die Homepage"));
    // Both labels span the panel from their left edge to its frame; the web address needs nearly all of it.
    auto *caption =
        addLabel(homepage, "Label6", QStringLiteral("homepage:"), {8, 9}, pixelFont(arial, 11, true), green);
    caption->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    caption->resize(167, caption->height());
    url_ = addLabel(homepage, "url", QString(), {8, 25}, heading, green);
    url_->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    url_->resize(167, QFontMetrics(heading).height());

    for (QWidget *w : std::initializer_list<QWidget *>{homepage, caption, url_})
        onDoubleClick(w, [this] { homepageDblClick(); });
}

void Thelpform::fillContacts()
{
    const auto set = [](QLabel *label, const QString &text) {
        label->setText(text);
        label->adjustSize();
    };
    set(firma_, QString::fromUtf8(maker::company));
    set(strasse_, QString::fromUtf8(maker::street));
    set(ort_, QString::fromUtf8(maker::town));
    set(tel_, QStringLiteral("Tel. ") + QString::fromUtf8(maker::phone));
    set(fax_, QStringLiteral("Fax. ") + QString::fromUtf8(maker::fax));
    set(email_, QString::fromUtf8(maker::email));
    url_->setText(QString::fromUtf8(maker::web));
}

void Thelpform::closebuttonClick() { accept(); }

void Thelpform::homepageDblClick()
{
    reporter_.beep();
    openWebPage(QStringLiteral("http://") + url_->text());
}

} // namespace morvi::ui
