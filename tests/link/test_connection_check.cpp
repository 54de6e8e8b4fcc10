// The connection check against system trees built for each case: a machine
// set up well, with one thing spoiled per row.
#include "connection_check.h"
#include "system_tree.h"

#include <QTemporaryDir>
#include <QTest>
#include <functional>

using namespace morvi::link;
using morvi::test::SystemTree;

namespace {

struct Case {
    SystemTree tree;
    CheckInputs inputs;
    QTemporaryDir home;

    Case()
    {
        inputs.root = tree.root();
        inputs.identity = {4242, {unsigned(::getegid())}, QStringLiteral("techniker"), false};
        inputs.portMapFile = tree.path("/home/morvi-ports.ini");
        tree.write("/home/morvi-ports.ini", "COM2=\nCOM3=\nCOM4=\n");
        inputs.adapterLibraries = {QStringLiteral(MORVI_FAKE_LIBFTDI1_PATH)};
        inputs.backupFolder = home.filePath("backups");
        QDir().mkpath(inputs.backupFolder);
        QFile::setPermissions(inputs.backupFolder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }
};

using Spoil = std::function<void(Case &)>;

} // namespace

class ConnectionCheckTest : public QObject {
    Q_OBJECT
private slots:
    // Each row: what is spoiled, and every finding other than "OK" as
    // "mark§subject§part of the text§part of the remedy".
    void oneFindingPerFault_data()
    {
        QTest::addColumn<Spoil>("spoil");
        QTest::addColumn<QStringList>("expected");
        QTest::addColumn<bool>("blocking");
        QTest::newRow("all well") << Spoil([](Case &) {}) << QStringList{} << false;
        QTest::newRow("device missing") << Spoil([](Case &c) {
            c.tree.write("/home/morvi-ports.ini", "COM1=/dev/ttyUSB5\nCOM2=\nCOM3=\nCOM4=\n");
        }) << QStringList{"Fehler§COM1§/dev/ttyUSB5 (morvi-ports.ini): Gerät nicht vorhanden§Zeile COM1 in"}
                                        << true;
        QTest::newRow("no rights, with the group")
            << Spoil([](Case &c) { c.inputs.identity.groups.clear(); })
            << QStringList{"Fehler§COM1§/dev/ttyUSB0: keine Zugriffsrechte (Gruppe dialout)§\"sudo adduser $USER "
                           "dialout\", dann ab- und wieder anmelden",
                           "Hinweis§dialout§techniker ist kein Mitglied§sudo adduser $USER dialout"}
            << true;
        QTest::newRow("joined, not logged in again")
            << Spoil([](Case &c) {
                   c.inputs.identity.groups.clear();
                   c.tree.write("/etc/group",
                                QStringLiteral("dialout:x:%1:anna,techniker\n").arg(::getegid()).toUtf8());
               })
            << QStringList{"Fehler§COM1§keine Zugriffsrechte (Gruppe dialout)§ab- und wieder anmelden",
                           "Hinweis§dialout§eingetragen§ab- und wieder anmelden"}
            << true;
        QTest::newRow("held by another process, named by id")
            << Spoil([](Case &c) {
                   c.tree.write("/home/morvi-ports.ini",
                                "COM1=/dev/serial/by-id/usb-FTDI_FT232R-if00-port0\nCOM2=\nCOM3=\nCOM4=\n");
                   c.tree.process(321, "minicom", {"/dev/null", "/dev/ttyUSB0"});
               })
            << QStringList{"Fehler§COM1§/dev/serial/by-id/usb-FTDI_FT232R-if00-port0: von minicom (PID 321) "
                           "geöffnet§\"kill 321\""}
            << true;
        QTest::newRow("locked by a running process") << Spoil([](Case &c) {
            c.tree.process(321, "minicom");
            c.tree.write("/run/lock/LCK..ttyUSB0", "       321\n");
        }) << QStringList{"Fehler§COM1§von minicom (PID 321) belegt (Sperrdatei /run/lock/LCK..ttyUSB0)§kill 321"}
                                                     << true;
        QTest::newRow("stale lock")
            << Spoil([](Case &c) { c.tree.write("/run/lock/LCK..ttyUSB0", "999\n"); })
            << QStringList{"Hinweis§COM1§veraltete Sperrdatei /run/lock/LCK..ttyUSB0 (PID 999§sudo rm "
                           "/run/lock/LCK..ttyUSB0"}
            << false;
        QTest::newRow("latency 16") << Spoil([](Case &c) {
            c.tree.write("/sys/bus/usb-serial/devices/ttyUSB0/latency_timer", "16\n");
        }) << QStringList{"Hinweis§COM1§Latenz-Timer 16 ms§/sys/bus/usb-serial/devices/ttyUSB0/latency_timer"}
                                    << false;
        QTest::newRow("ModemManager running")
            << Spoil([](Case &c) { c.tree.process(812, "ModemManager"); })
            << QStringList{"Hinweis§ModemManager§läuft (PID 812)§sudo systemctl stop ModemManager"} << false;
        QTest::newRow("brltty rule matching")
            << Spoil([](Case &c) {
                   c.tree.write(
                       "/usr/lib/udev/rules.d/85-brltty.rules",
                       "# Device: 0403:6010\n#ENV{PRODUCT}==\"403/6010/*\", GOTO=\"brltty_usb_run\"\n"
                       "ENV{PRODUCT}==\"403/6001/*\", ATTRS{manufacturer}==\"FTDI\", GOTO=\"brltty_usb_run\"\n");
               })
            << QStringList{"Fehler§brltty§85-brltty.rules nennt das angeschlossene Gerät 0403:6001 (USB 1-1)§sudo apt "
                           "remove brltty",
                           "Fehler§brltty§0403:6001 (USB 1-2)§/etc/udev/rules.d/85-brltty.rules"}
            << true;
        QTest::newRow("brltty rule masked") << Spoil([](Case &c) {
            c.tree.write("/usr/lib/udev/rules.d/85-brltty.rules", "ATTRS{idVendor}==\"0403\", "
                                                                  "ATTRS{idProduct}==\"6001\"\n");
            c.tree.link("/etc/udev/rules.d/85-brltty.rules", "/dev/null");
        }) << QStringList{} << false;
        QTest::newRow("udev rule missing")
            << Spoil([](Case &c) { c.tree.remove("/usr/lib/udev/rules.d/70-morvi-usb-adapter.rules"); })
            << QStringList{"Hinweis§udev-Regel§70-morvi-usb-adapter.rules ist nicht installiert§das Paket morvi"}
            << false;
        QTest::newRow("adapter without rights")
            << Spoil([](Case &c) { c.tree.chmod("/dev/bus/usb/001/003", 0644); })
            << QStringList{"Fehler§USB§1-2: /dev/bus/usb/001/003 ohne Zugriffsrechte§aus- und wieder einstecken"}
            << true;
        QTest::newRow("driver holding the adapter for the vendor library")
            << Spoil([](Case &c) { c.inputs.adapterLibraries = {QStringLiteral(MORVI_FAKE_FTD2XX_PATH)}; })
            << QStringList{"Fehler§USB§1-2: der Treiber ftdi_sio hält den Adapter§sudo rmmod ftdi_sio"} << true;
        QTest::newRow("no adapter library")
            << Spoil([](Case &c) { c.inputs.adapterLibraries = {QStringLiteral("/nonexistent/libnothing.so")}; })
            << QStringList{"Fehler§USB§keine Bibliothek§sudo apt install libftdi1-2"} << true;
        QTest::newRow("backup folder too open") << Spoil([](Case &c) {
            QFile::setPermissions(c.inputs.backupFolder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner |
                                                             QFile::ReadGroup | QFile::ExeGroup | QFile::ReadOther |
                                                             QFile::ExeOther);
        }) << QStringList{"Hinweis§Sicherungen§offen (Rechte 0755)§chmod 700 "}
                                                << false;
    }
    void oneFindingPerFault()
    {
        QFETCH(Spoil, spoil);
        QFETCH(QStringList, expected);
        QFETCH(bool, blocking);
        Case c;
        spoil(c);
        const auto findings = connectionCheck(c.inputs);
        QStringList problems;
        for (const Finding &f : findings)
            if (f.mark != Finding::Mark::ok)
                problems << markText(f.mark) + u'§' + f.subject + u'§' + f.text + u'§' + f.remedy;
        QCOMPARE(problems.size(), expected.size());
        for (qsizetype i = 0; i < expected.size(); ++i) {
            const QStringList want = expected[i].split(u'§');
            const QStringList got = problems[i].split(u'§');
            QCOMPARE(got.mid(0, 2), want.mid(0, 2));
            QVERIFY2(got[2].contains(want[2]), qPrintable(problems[i]));
            QVERIFY2(got[3].contains(want[3]), qPrintable(problems[i]));
        }
        QCOMPARE(blocksConnection(findings), blocking);
    }

    void wellSetUpMachineReadsAsSuch()
    {
        Case c;
        const QString text = reportText(connectionCheck(c.inputs));
        QVERIFY2(
            text.contains("OK      COM1: /dev/ttyUSB0 (Vorgabe): vorhanden, Treiber ftdi_sio, Zugriff erlaubt, von "
                          "keinem anderen Programm belegt, Latenz-Timer 1 ms\n"),
            qPrintable(text));
        QVERIFY(text.contains("OK      COM2: in morvi-ports.ini ohne Gerät\n"));
        QVERIFY(text.contains("OK      USB: 1-1 0403:6001, Seriennummer A50285BI: kein Programmieradapter, Treiber "
                              "ftdi_sio\n"));
        QVERIFY(text.contains("OK      USB: 1-2 0403:6001, Seriennummer QZK00017: Programmieradapter, Zugriff "
                              "erlaubt, Treiber ftdi_sio (libftdi1 löst ihn"));
        QVERIFY(text.contains("OK      udev-Regel: /usr/lib/udev/rules.d/70-morvi-usb-adapter.rules installiert\n"));
    }
};

QTEST_GUILESS_MAIN(ConnectionCheckTest)
#include "test_connection_check.moc"
