#pragma once

#include "reporter.h"

#include <QString>
#include <QTextStream>
#include <functional>

namespace morvi::cli {

// Reports of the core as lines on a terminal stream: the texts the window
// would show in its info window, without time stamps and colours. Beeps and
// the hidden trace lists have no place on a terminal.
class ConsoleReporter : public Reporter {
public:
    explicit ConsoleReporter(QTextStream &stream) : stream_(stream) {}

    void showinfo(const std::string &inhalt, Rgb farbe, int option) override;
    void beep() override {}
    void trace(TraceList, const std::string &) override {}
    void showFirmware(const std::string &text, Rgb farbe) override;

    // Whether a red line (an error or warning) was reported.
    bool sawError() const { return sawError_; }
    const std::string &firmwareLabel() const { return firmware_; }
    // Runs before each line, so that a progress bar drawn on the same stream ends first.
    void setBeforeLine(std::function<void()> beforeLine) { beforeLine_ = std::move(beforeLine); }

private:
    QTextStream &stream_;
    bool sawError_ = false;
    std::string firmware_ = "0.0";
    std::function<void()> beforeLine_;
};

} // namespace morvi::cli
