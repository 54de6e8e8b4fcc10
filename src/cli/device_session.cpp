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
    serial.port().setName(target.portName);
    // The probe the window runs at start-up: which ports open.
    serial.MKommunikationClick();
    links_->usb().setAdapterprefix(QString(link::UsbLink::makerPrefix));
    links_->exchange().setFast(target.fast);
}

DeviceSession::~DeviceSession() = default;

bool DeviceSession::connect()
{
    if (!target_.adapter) return true;
    link::UsbLink &usb = links_->usb();
    usb.timerUSBsearchTimer();
    // The presence check runs on its own timer; a run in progress notices a pulled adapter through it.
    usb.arm(usb.usbmode());
    if (usb.usbmode()) return true;
    err_ << "Kein USB-Adapter gefunden.\n";
    err_.flush();
    return false;
}

QJsonObject DeviceSession::ports()
{
    link::SerialLink &serial = links_->serial();
    serial.refreshPorts();
    QJsonArray list;
    for (int n = 1; n <= link::SerialLink::portCount; ++n) {
        const QString name = link::PortResolver::portName(n);
        const QString tip = serial.portTip(n);
        list.append(QJsonObject{
            {"port", name}, {"device", tip.section(QStringLiteral(": "), 1)}, {"available", serial.comok(name)}});
    }
    QJsonObject adapter{{"found", false}};
    if (target_.adapter) {
        link::UsbLink &usb = links_->usb();
        usb.timerUSBsearchTimer();
        usb.timerUSBsearch().stop();
        adapter = {{"found", usb.usbmode()}, {"name", usb.displayName()}};
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
    return links_->transfer().lastOutcome();
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
    if (!std::getline(std::cin, answer)) return false;
    return answer == "j" || answer == "J" || answer == "ja" || answer == "Ja";
}

void DeviceSession::showPanProg(bool visible)
{
    if (!visible && barShown_) {
        err_ << '\n';
        err_.flush();
        barShown_ = false;
    }
    percent_ = 0;
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
