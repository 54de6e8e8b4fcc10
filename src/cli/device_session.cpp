#include "device_session.h"

#include "parameter_rules.h"
#include "port_map.h"

#include <QDir>

#include <QEventLoop>
#include <algorithm>
#include <QTimer>
#include <cstdio>
#include <iostream>
#include <string>
#include <unistd.h>

namespace morvi::cli {

namespace {
// Longer than any run can take over either link, so a hang still ends.
constexpr int runLimitMs = 120000;
constexpr int barWidth = 30;
} // namespace

DeviceSession::DeviceSession(Editor &editor, ConsoleReporter &reporter, QTextStream &err, const DeviceTarget &target,
                             bool assumeYes)
    : editor_(editor), reporter_(reporter), err_(err), target_(target), assumeYes_(assumeYes),
      drawBar_(isatty(STDERR_FILENO) != 0)
{
    recorder_ = std::make_unique<files::FileProgrammingRecorder>(reporter, [this] { return configName_; });
    links_ = std::make_unique<link::DeviceLinks>(editor, reporter, static_cast<TransferHost &>(*this), nullptr,
                                                 target.adapterLibrary, recorder_.get());
    link::SerialLink &serial = links_->serial();
    // As in the window: the mapping file lies beside the settings file, in the start folder.
    serial.portMap()->setFile(QDir::current().filePath(QString::fromLatin1(link::portMapFileName)));
    reporter.setBeforeLine([this] { endBar(); });
    serial.port().setName(target.portName);
    // The probe the window runs at start-up: which ports open, under the mapping just set.
    serial.refreshPorts();
    serial.MKommunikationClick();
    links_->usb().setAdapterprefix(QString(link::UsbLink::makerPrefix));
    links_->exchange().setFast(target.fast);
    recorder_->setRestoreHint([this](const QString &backup) {
        return QStringLiteral("Der Sender enthält jetzt womöglich eine unvollständige Konfiguration; die Sicherung "
                              "davor: %1\nZurückschreiben mit: %2")
            .arg(backup, restoreCommand(backup))
            .toStdString();
    });
    QObject::connect(&signals_, &shell::SignalWatch::caught, &links_->transfer(), [this](int signalNumber) {
        // Come as the run ended on its own, it still ends the tool by its status.
        interruptedBy_ = signalNumber;
        if (!links_->transfer().busy()) return;
        endBar();
        err_ << (signalNumber == SIGINT ? QStringLiteral("Abgebrochen (Strg+C).")
                                        : QStringLiteral("Abgebrochen (Signal %1).").arg(signalNumber))
             << '\n';
        err_.flush();
        // As a new start would: both links stopped, the run logged as cut off.
        links_->transfer().abandon();
    });
}

DeviceSession::~DeviceSession()
{
    reporter_.setBeforeLine({});
    // The links go first: a run they cut off is recorded while the recorder lives.
    links_.reset();
}

bool DeviceSession::connect()
{
    if (!target_.adapter) return true;
    links_->usb().timerUSBsearchTimer();
    // The presence check runs on its own timer; a run in progress notices a pulled adapter through it.
    links_->usb().arm(links_->usb().usbmode());
    if (links_->usb().usbmode()) return true;
    err_ << "Kein USB-Adapter gefunden.\n";
    err_.flush();
    return false;
}

QJsonObject DeviceSession::ports()
{
    links_->serial().refreshPorts();
    QJsonArray list;
    for (int n = 1; n <= link::SerialLink::portCount; ++n) {
        const QString name = link::PortResolver::portName(n);
        const QString device = links_->serial().port().device(name);
        // Scripts tell a missing device by null, not by a sentence.
        list.append(QJsonObject{{"port", name},
                                {"device", device.isEmpty() ? QJsonValue() : QJsonValue(device)},
                                {"available", links_->serial().comok(name)}});
    }
    QJsonObject adapter{{"found", false}};
    if (target_.adapter) {
        links_->usb().timerUSBsearchTimer();
        links_->usb().timerUSBsearch().stop();
        adapter = {{"found", links_->usb().usbmode()}, {"name", links_->usb().displayName()}};
    }
    return {{"ports", list}, {"adapter", adapter}};
}

ProgrammingOutcome DeviceSession::read()
{
    links_->transfer().LeseButtonClick();
    return runUntilEnded();
}

ProgrammingOutcome DeviceSession::program(const QString &configName)
{
    configName_ = configName;
    links_->transfer().ProgButtonClick();
    return runUntilEnded();
}

ProgrammingOutcome DeviceSession::runUntilEnded()
{
    interruptedBy_ = 0;
    if (links_->transfer().busy()) {
        QEventLoop loop;
        QObject::connect(&links_->transfer(), &link::Transfer::ended, &loop, &QEventLoop::quit);
        QTimer limit;
        limit.setSingleShot(true);
        QObject::connect(&limit, &QTimer::timeout, &loop, [&] {
            links_->transfer().abandon();
            loop.quit();
        });
        limit.start(runLimitMs);
        loop.exec();
    }
    // A signal that came as the run ended on its own still ends the tool by its status.
    if (const int late = signals_.stop(); late != 0 && interruptedBy_ == 0) interruptedBy_ = late;
    return links_->transfer().lastOutcome();
}

QString DeviceSession::restoreCommand(const QString &backup) const
{
    // Single quotes keep every character but the quote itself, which is closed, escaped and reopened.
    const auto quoted = [](QString text) {
        return QLatin1Char('\'') + text.replace(QLatin1Char('\''), QLatin1String("'\\''")) + QLatin1Char('\'');
    };
    QString command = QStringLiteral("morvi-cli program ") + quoted(backup);
    if (!target_.adapter)
        command += QStringLiteral(" --port ") + target_.portName;
    else if (target_.adapterLibrary.isEmpty())
        command += QStringLiteral(" --adapter");
    else
        command += QStringLiteral(" --adapter --library ") + quoted(target_.adapterLibrary);
    return command + QStringLiteral(" --yes");
}

SendBoxes DeviceSession::sendBoxes() const
{
    return {flagOf(editor_.image, FlagBox::CBzyk), editor_.image[offset::maxSendCount] != 0};
}

bool DeviceSession::confirm(const std::string &question)
{
    if (assumeYes_) return true;
    err_ << QString::fromStdString(question) << " [j/N] ";
    err_.flush();
    std::string answer;
    const bool yes =
        std::getline(std::cin, answer) && (answer == "j" || answer == "J" || answer == "ja" || answer == "Ja");
    declined_ = !yes;
    return yes;
}

void DeviceSession::showPanProg(bool visible)
{
    // The transfer is under way from here: a signal now cuts it off cleanly.
    if (visible) signals_.start();
    if (!visible) endBar();
    percent_ = 0;
}

void DeviceSession::endBar()
{
    if (!barShown_) return;
    err_ << '\n';
    err_.flush();
    barShown_ = false;
}

void DeviceSession::setLaction(const std::string &text)
{
    if (text.empty()) return;
    action_ = QString::fromStdString(text);
}

void DeviceSession::setGauge(int percent)
{
    // The whole run's bar is shown where there is one; a plain read has only this.
    if (links_->transfer().writing() || links_->transfer().verifying()) return;
    percent_ = percent;
    drawProgress();
}

void DeviceSession::setGaugeGesamt(int percent)
{
    percent_ = percent;
    drawProgress();
}

void DeviceSession::drawProgress()
{
    if (!drawBar_) return;
    const int filled = barWidth * std::clamp(percent_, 0, 100) / 100;
    err_ << '\r' << '[' << QString(filled, QLatin1Char('#')) << QString(barWidth - filled, QLatin1Char('.')) << "] "
         << QString::number(percent_).rightJustified(3) << "% " << action_.leftJustified(6);
    err_.flush();
    barShown_ = true;
}

} // namespace morvi::cli
