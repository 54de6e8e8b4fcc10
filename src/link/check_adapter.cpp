#include "adapter_library.h"
#include "connection_check.h"
#include "usb_link.h"

#include <QFileInfo>
#include <QLibrary>
#include <QRegularExpression>

#include <dlfcn.h>
#include <ftdi.h>

namespace morvi::link {

namespace {

using Mark = Finding::Mark;

constexpr const char *ftdiVendor = "0403";

struct LibraryInfo {
    AdapterLibrary::Kind kind = AdapterLibrary::Kind::vendor;
    QString path;
    QString version;
};

// The library the program would load, found by the program's own search.
std::optional<LibraryInfo> adapterLibraryInfo(const QStringList &candidates)
{
    const auto loaded = loadAdapterLibrary(candidates, {});
    if (!loaded) return std::nullopt;
    LibraryInfo info{loaded->kind(), loaded->fileName(), {}};
    // The same file again: the loader hands out the library already loaded.
    QLibrary same(loaded->fileName());
    if (!same.load()) return info;
    const bool ftdi = info.kind == AdapterLibrary::Kind::libftdi1;
    void *entry = reinterpret_cast<void *>(same.resolve(ftdi ? "ftdi_new" : "FT_ListDevices"));
    Dl_info where{};
    if (entry && ::dladdr(entry, &where) != 0 && where.dli_fname)
        info.path = QFileInfo(QFile::decodeName(where.dli_fname)).absoluteFilePath();
    if (ftdi) {
        using Version = ftdi_version_info (*)();
        if (const auto version = reinterpret_cast<Version>(same.resolve("ftdi_get_library_version")))
            info.version = QString::fromLatin1(version().version_str);
    } else {
        using Version = std::uint32_t (*)(std::uint32_t *);
        std::uint32_t v = 0;
        if (const auto version = reinterpret_cast<Version>(same.resolve("FT_GetLibraryVersion"));
            version && version(&v) == 0)
            info.version =
                QStringLiteral("%1.%2.%3").arg(v >> 16 & 0xFF, 0, 16).arg(v >> 8 & 0xFF, 0, 16).arg(v & 0xFF, 0, 16);
    }
    // A versioned file name tells what the library itself may not.
    static const QRegularExpression versioned(QStringLiteral("libftd2xx\\.so\\.(\\d+(?:\\.\\d+)+)$"));
    if (info.version.isEmpty() && !ftdi)
        info.version = versioned.match(QFileInfo(info.path).canonicalFilePath()).captured(1);
    return info;
}

bool ruleInstalled(const SystemView &view)
{
    for (const auto &rule : view.udevRules())
        if (rule.first == QLatin1String(morviRuleName)) return true;
    return false;
}

} // namespace

void checkAdapter(const SystemView &view, const CheckInputs &inputs, std::vector<Finding> &out)
{
    const QString usb = QStringLiteral("USB");
    std::vector<UsbDevice> ftdi;
    for (const UsbDevice &d : view.usbDevices())
        if (d.vendor == QLatin1String(ftdiVendor)) ftdi.push_back(d);
    auto isAdapter = [](const UsbDevice &d) { return d.serial.startsWith(UsbLink::makerPrefix); };
    const bool adapterPresent = std::any_of(ftdi.begin(), ftdi.end(), isAdapter);

    const auto library = adapterLibraryInfo(inputs.adapterLibraries);
    if (library) {
        const bool ftdiLib = library->kind == AdapterLibrary::Kind::libftdi1;
        out.push_back({Mark::ok,
                       usb,
                       QStringLiteral("Bibliothek %1%2 (%3)")
                           .arg(ftdiLib ? QStringLiteral("libftdi1") : QStringLiteral("des Adapter-Herstellers"),
                                library->version.isEmpty() ? QStringLiteral(", Version unbekannt")
                                                           : QStringLiteral(" ") + library->version,
                                library->path),
                       {}});
    } else {
        out.push_back({adapterPresent ? Mark::error : Mark::hint, usb,
                       QStringLiteral("keine Bibliothek für den USB-Programmieradapter gefunden"),
                       QStringLiteral("\"sudo apt install libftdi1-2\".")});
    }
    if (ftdi.empty()) {
        out.push_back({Mark::ok, usb, QStringLiteral("kein FTDI-Gerät angeschlossen (lsusb -d 0403:)"), {}});
        return;
    }
    for (const UsbDevice &d : ftdi) {
        const QString what =
            QStringLiteral("%1 %2:%3, Seriennummer %4")
                .arg(d.name, d.vendor, d.product, d.serial.isEmpty() ? QStringLiteral("(keine)") : d.serial);
        const QString drivers = d.drivers.isEmpty() ? QStringLiteral("kein Treiber")
                                                    : QStringLiteral("Treiber ") + d.drivers.join(QStringLiteral(", "));
        if (!isAdapter(d)) {
            out.push_back({Mark::ok, usb, QStringLiteral("%1: kein Programmieradapter, %2").arg(what, drivers), {}});
            continue;
        }
        QStringList facts{QStringLiteral("Programmieradapter")};
        std::vector<Finding> problems;
        const DeviceAccess access = view.access(d.node, inputs.identity);
        if (access == DeviceAccess::allowed) {
            facts << QStringLiteral("Zugriff erlaubt");
        } else {
            problems.push_back({Mark::error, usb,
                                QStringLiteral("%1: %2 %3")
                                    .arg(d.name, d.node,
                                         access == DeviceAccess::missing ? QStringLiteral("fehlt")
                                                                         : QStringLiteral("ohne Zugriffsrechte")),
                                ruleInstalled(view)
                                    ? QStringLiteral("den Adapter aus- und wieder einstecken.")
                                    : QStringLiteral("die udev-Regel von Morvi installieren (Paket morvi) und den "
                                                     "Adapter aus- und wieder einstecken.")});
        }
        if (d.drivers.isEmpty()) {
            facts << drivers;
        } else if (library && library->kind == AdapterLibrary::Kind::libftdi1) {
            facts << drivers + QStringLiteral(" (libftdi1 löst ihn, solange Morvi den Adapter nutzt)");
        } else if (library) {
            problems.push_back({Mark::error, usb,
                                QStringLiteral("%1: der Treiber %2 hält den Adapter, die Bibliothek des "
                                               "Herstellers kann ihn so nicht öffnen")
                                    .arg(d.name, d.drivers.join(QStringLiteral(", "))),
                                QStringLiteral("\"sudo rmmod ftdi_sio\" (nimmt auch anderen FTDI-Kabeln ihr "
                                               "/dev/ttyUSB*).")});
        }
        out.push_back({Mark::ok, usb, what + QStringLiteral(": ") + facts.join(QStringLiteral(", ")), {}});
        out.insert(out.end(), problems.begin(), problems.end());
    }
}

} // namespace morvi::link
