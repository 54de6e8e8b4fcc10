#pragma once

#include "adapter_api.h"

#include <QLibrary>
#include <QSet>
#include <QString>
#include <QStringList>
#include <memory>

namespace morvi::link {

// One loaded library that drives the USB adapter, with the calls it answers.
class AdapterLibrary {
public:
    enum class Kind { vendor, libftdi1 };

    virtual ~AdapterLibrary() = default;
    virtual Kind kind() const = 0;
    const AdapterApi &api() const { return api_; }
    QString fileName() const { return fileName_; }

protected:
    AdapterApi api_;
    QString fileName_;
};

// Says each adapter notice once while its cause lasts: a cause seen again in
// the next search round stays quiet, one that went away and comes back is
// said again. A round begins with every device count.
class OnceNotices {
public:
    explicit OnceNotices(AdapterNotice notice) : notice_(std::move(notice)) {}
    void beginRound();
    void say(const QString &key, const QString &text);
    // The cause is gone for good (the device was opened).
    void forget(const QString &keyPrefix);

private:
    AdapterNotice notice_;
    QSet<QString> previous_;
    QSet<QString> current_;
};

// The vendor library under its plain name, then under every versioned file
// name (libftd2xx.so.1.4.27) found in dirs, newest version first.
QStringList vendorLibraryCandidates(const QStringList &dirs);
// Debian's libftdi1.
QStringList libftdiCandidates();
// Where a hand-installed vendor library usually lies.
QStringList systemLibraryDirs();
// The vendor library first; libftdi1 when it is not found.
QStringList systemAdapterLibraries();

// Loads the first candidate that loads: as libftdi1 when it exports
// ftdi_new, otherwise as the vendor library. Null when none loads.
std::unique_ptr<AdapterLibrary> loadAdapterLibrary(const QStringList &candidates, const AdapterNotice &notice);

} // namespace morvi::link
