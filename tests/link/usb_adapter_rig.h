#pragma once

// The fake adapter and a link on it, shared by the adapter suites that drive
// the link's search and the library wrapper underneath it.
#include "adapter_backend.h"
#include "d2xx_unit.h"
#include "qt_string.h"
#include "recording_reporter.h"
#include "usb_link.h"

#include <QStringList>
#include <memory>
#include <string>
#include <vector>

namespace morvi::test {

// The control side of the fakes, reached in the libraries D2XXUnit loads.
inline FakeAdapter fake{fakeVendorPath};
inline FakeLibftdi ftdi{fakeLibftdiPath};

// Loads both fakes; says why one does not load.
inline bool fakesLoad()
{
    if (!fake.load())
        qWarning("%s", qPrintable(fake.library.errorString()));
    else if (!ftdi.load())
        qWarning("%s", qPrintable(ftdi.library.errorString()));
    else
        return true;
    return false;
}

inline void resetFakes()
{
    fake.reset();
    ftdi.reset();
}

// A link on the fake whose refresh re-arms the timer as the window's does.
struct Rig {
    RecordingReporter reporter;
    morvi::link::UsbLink link{reporter, std::make_unique<morvi::link::D2XXUnit>(backendLibrary())};
    QStringList dialogs;
    int refreshes = 0;

    Rig()
    {
        link.setAdapterprefix(QStringLiteral("QZK"));
        link.unit().setErrorDialog([this](const QString &text) { dialogs << text; });
        link.setRefresh([this] {
            ++refreshes;
            link.arm(link.usbmode());
        });
    }
};

// Reports as lines, so that a mismatch shows what was written.
inline QStringList lines(const std::vector<Report> &reports)
{
    QStringList list;
    for (const Report &r : reports)
        list << QStringLiteral("%1 | #%2 | %3").arg(qs(r.text)).arg(r.colour, 6, 16, QChar('0')).arg(r.option);
    return list;
}

inline std::vector<Report> foundReports(const std::string &name)
{
    return {{"USB-Adapter " + name + " gefunden", colour::green, 1},
            {"! RS232-Kommunikation deaktiviert !", colour::red, 0},
            {"Zur Programmierung Aktivieradapter verwenden", colour::purple, 2}};
}

inline std::vector<Report> lostReports(const std::string &name)
{
    return {{"! USB-Adapter " + name + " nicht mehr gefunden !", colour::red, 1},
            {"RS232-Kommunikation wieder aktiviert !", colour::green, 0}};
}

} // namespace morvi::test
