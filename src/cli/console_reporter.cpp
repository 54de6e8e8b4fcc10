#include "console_reporter.h"

namespace morvi::cli {

void ConsoleReporter::showinfo(const std::string &inhalt, Rgb farbe, int)
{
    if (farbe == colour::red) sawError_ = true;
    if (inhalt.empty()) return;
    if (beforeLine_) beforeLine_();
    stream_ << QString::fromStdString(inhalt) << '\n';
    stream_.flush();
}

void ConsoleReporter::showFirmware(const std::string &text, Rgb) { firmware_ = text; }

} // namespace morvi::cli
