// morvi-cli's file commands, run in-process as a script would run them.
#include "cli.h"
#include "config_file.h"
#include "line_text.h"
#include "number_text.h"
#include "recording_reporter.h"
#include "system_tree.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <QtTest>

using namespace morvi;

class CliTest : public QObject {
    Q_OBJECT
    QTemporaryDir dir;

    // A configuration file as the window saves it, after `change` has edited a fresh image.
    QString saved(const QString &name, const std::function<void(Editor &)> &change = {})
    {
        Editor editor;
        editor.resetImage();
        setOnlyClass(editor.keyClassFlags[0], KeyClass::GroupSelect);
        if (change) change(editor);
        test::RecordingReporter reporter;
        QStringList lines;
        files::BuildFile(editor, {}, reporter, {QStringLiteral("COM1"), QStringLiteral("2.20")}, lines);
        const QString path = dir.filePath(name);
        if (!files::writeLinesFile(path, lines)) qFatal("cannot write %s", qPrintable(path));
        return path;
    }

    static std::pair<int, QString> run(const QStringList &arguments)
    {
        QString out, err;
        QTextStream outStream(&out), errStream(&err);
        const int status = cli::run(arguments, outStream, errStream);
        outStream.flush();
        errStream.flush();
        return {status, out + err};
    }

private slots:
    void diffNamesWhatATechnicianSees_data()
    {
        QTest::addColumn<QString>("changed");
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("output");
        QTest::newRow("nothing") << "same" << int(cli::success) << "";
        QTest::newRow("one field") << "field" << int(cli::differencesFound) << "Codierlänge: 40 Bit -> 24 Bit\n";
        QTest::newRow("one key class") << "class" << int(cli::differencesFound)
                                       << "Taste 1: Gruppen-Wahltaste, Adresse 0 -> Zifferntaste, Adresse 0\n";
        QTest::newRow("one address") << "address" << int(cli::differencesFound)
                                     << "Taste 16: Taste deaktiviert, Adresse 0 -> Taste deaktiviert, Adresse 4711\n";
    }
    void diffNamesWhatATechnicianSees()
    {
        QFETCH(QString, changed);
        QFETCH(int, status);
        QFETCH(QString, output);
        const QString a = saved(QStringLiteral("a.txc"));
        const QString b = saved(QStringLiteral("b.txc"), [&](Editor &e) {
            if (changed == QLatin1String("field")) e.image[offset::codeBits] = 24;
            if (changed == QLatin1String("class")) setOnlyClass(e.keyClassFlags[0], KeyClass::Digit);
            if (changed == QLatin1String("address")) split64(e.image, 4711, keyAddressOffset(16));
        });
        QCOMPARE(run({"diff", a, b}), std::make_pair(status, output));
        const auto [jsonStatus, json] = run({"diff", a, b, "--json"});
        QCOMPARE(jsonStatus, status);
        QCOMPARE(QJsonDocument::fromJson(json.toUtf8()).array().size(), output.count(QLatin1Char('\n')));
    }

    void showListsEveryFieldAndKey()
    {
        const QString file =
            saved(QStringLiteral("show.txc"), [](Editor &e) { split64(e.image, 99, keyAddressOffset(1)); });
        const auto [status, text] = run({"show", file});
        QCOMPARE(status, int(cli::success));
        QVERIFY(text.contains(
            QRegularExpression("^Taste 1: +Gruppen-Wahltaste, Adresse 99$", QRegularExpression::MultilineOption)));
        QVERIFY(text.contains(QRegularExpression("^Tasten-Timeout: +2,5 sec$", QRegularExpression::MultilineOption)));
        const auto [jsonStatus, json] = run({"show", file, "--json"});
        QCOMPARE(jsonStatus, int(cli::success));
        const QJsonArray lines = QJsonDocument::fromJson(json.toUtf8()).array();
        QCOMPARE(lines.size(), text.count(QLatin1Char('\n')));
        QCOMPARE(lines.at(2).toObject().value("name").toString(), QStringLiteral("taste1"));
    }

    void errorsHaveTheirOwnStatus_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<int>("status");
        QTest::newRow("no command") << QStringList{} << int(cli::usageError);
        QTest::newRow("unknown command") << QStringList{"erase"} << int(cli::usageError);
        QTest::newRow("unknown option") << QStringList{"show", "x.txc", "--colour"} << int(cli::usageError);
        QTest::newRow("missing file argument") << QStringList{"diff", "x.txc"} << int(cli::usageError);
        QTest::newRow("missing file") << QStringList{"show", "/nonexistent/x.txc"} << int(cli::fileError);
        QTest::newRow("not a configuration")
            << QStringList{"show", QFINDTESTDATA("test_cli.cpp")} << int(cli::fileError);
        QTest::newRow("help") << QStringList{"--help"} << int(cli::success);
        QTest::newRow("check with an argument") << QStringList{"check", "COM1"} << int(cli::usageError);
    }
    void errorsHaveTheirOwnStatus()
    {
        QFETCH(QStringList, arguments);
        QFETCH(int, status);
        const auto [got, text] = run(arguments);
        QCOMPARE(got, status);
        // An error is one clear line.
        if (status != cli::success) QCOMPARE(text.count(QLatin1Char('\n')), 1);
    }

    // The check reads the tree MORVI_SYSTEM_ROOT names; a "Fehler" gives the link error status.
    void checkReportsAndExits_data()
    {
        QTest::addColumn<bool>("brltty");
        QTest::addColumn<bool>("json");
        QTest::addColumn<int>("status");
        QTest::newRow("clean, text") << false << false << int(cli::success);
        QTest::newRow("clean, json") << false << true << int(cli::success);
        QTest::newRow("brltty claims the cable, text") << true << false << int(cli::linkError);
        QTest::newRow("brltty claims the cable, json") << true << true << int(cli::linkError);
    }
    void checkReportsAndExits()
    {
        QFETCH(bool, brltty);
        QFETCH(bool, json);
        QFETCH(int, status);
        test::SystemTree tree;
        if (brltty) tree.write("/lib/udev/rules.d/85-brltty.rules", "ENV{PRODUCT}==\"403/6001/*\", GOTO=\"run\"\n");
        tree.write("/work/morvi-ports.ini", "COM2=\nCOM3=\nCOM4=\n");
        const QString start = QDir::currentPath();
        QDir::setCurrent(tree.path("/work"));
        qputenv("MORVI_SYSTEM_ROOT", tree.root().toUtf8());
        QStringList arguments{"check", "--library", MORVI_FAKE_LIBFTDI1_PATH};
        if (json) arguments << "--json";
        const auto [got, out] = run(arguments);
        qunsetenv("MORVI_SYSTEM_ROOT");
        QDir::setCurrent(start);
        QCOMPARE(got, status);
        const QString brlttyLine = "Fehler  brltty: die Regel /lib/udev/rules.d/85-brltty.rules nennt das "
                                   "angeschlossene Gerät 0403:6001 (USB 1-1)";
        if (!json) {
            QVERIFY(out.contains("OK      COM1: /dev/ttyUSB0 (Vorgabe): vorhanden, Treiber ftdi_sio"));
            QCOMPARE(out.contains(brlttyLine), brltty);
            return;
        }
        const QJsonObject report = QJsonDocument::fromJson(out.toUtf8()).object();
        QCOMPARE(report.value("blocking").toBool(), brltty);
        const QJsonObject com1 = report.value("findings").toArray().at(0).toObject();
        QCOMPARE(com1.value("mark").toString(), QStringLiteral("OK"));
        QCOMPARE(com1.value("subject").toString(), QStringLiteral("COM1"));
        QVERIFY(com1.value("remedy").isNull());
    }
};

QTEST_GUILESS_MAIN(CliTest)
#include "test_cli.moc"
