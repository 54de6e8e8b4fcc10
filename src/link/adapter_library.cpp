#include "adapter_library.h"

#include "ftdi_library.h"
#include "vendor_library.h"

#include <QDir>
#include <QRegularExpression>
#include <QVersionNumber>
#include <algorithm>

namespace morvi::link {

void OnceNotices::beginRound()
{
    previous_ = std::move(current_);
    current_.clear();
}

void OnceNotices::say(const QString &key, const QString &text)
{
    const bool known = previous_.contains(key) || current_.contains(key);
    current_.insert(key);
    if (!known && notice_) notice_(text);
}

void OnceNotices::forget(const QString &keyPrefix)
{
    auto drop = [&keyPrefix](QSet<QString> &keys) {
        for (auto it = keys.begin(); it != keys.end();)
            it = it->startsWith(keyPrefix) ? keys.erase(it) : std::next(it);
    };
    drop(previous_);
    drop(current_);
}

QStringList vendorLibraryCandidates(const QStringList &dirs)
{
    // The plain name is what the system's loader finds; versioned files are
    // what the vendor's installer may leave without the plain link.
    QStringList candidates{QStringLiteral("libftd2xx.so")};
    static const QRegularExpression versioned(QStringLiteral("^libftd2xx\\.so\\.(\\d+(?:\\.\\d+)*)$"));
    struct Found {
        QVersionNumber version;
        QString path;
    };
    std::vector<Found> found;
    for (const QString &dir : dirs) {
        const QStringList names = QDir(dir).entryList({QStringLiteral("libftd2xx.so.*")}, QDir::Files | QDir::System);
        for (const QString &name : names) {
            const auto match = versioned.match(name);
            if (match.hasMatch())
                found.push_back({QVersionNumber::fromString(match.captured(1)), QDir(dir).filePath(name)});
        }
    }
    std::stable_sort(found.begin(), found.end(), [](const Found &a, const Found &b) { return a.version > b.version; });
    for (const Found &f : found)
        if (!candidates.contains(f.path)) candidates << f.path;
    return candidates;
}

QStringList libftdiCandidates() { return {QStringLiteral("libftdi1.so.2"), QStringLiteral("libftdi1.so")}; }

QStringList systemLibraryDirs()
{
    QStringList dirs{QStringLiteral("/usr/local/lib"), QStringLiteral("/usr/local/lib64"), QStringLiteral("/usr/lib"),
                     QStringLiteral("/usr/lib64")};
#ifdef MORVI_LIBRARY_ARCHITECTURE
    const QString arch = QStringLiteral(MORVI_LIBRARY_ARCHITECTURE);
    if (!arch.isEmpty()) dirs << QStringLiteral("/usr/local/lib/") + arch << QStringLiteral("/usr/lib/") + arch;
#endif
    return dirs;
}

QStringList systemAdapterLibraries()
{
#ifdef Q_OS_WIN
    return {QStringLiteral("ftd2xx")};
#else
    return vendorLibraryCandidates(systemLibraryDirs()) + libftdiCandidates();
#endif
}

std::unique_ptr<AdapterLibrary> loadAdapterLibrary(const QStringList &candidates, const AdapterNotice &notice)
{
    for (const QString &name : candidates) {
        auto library = std::make_unique<QLibrary>(name);
        if (!library->load()) continue;
        if (library->resolve("ftdi_new") != nullptr) {
            // A libftdi1 too old for the calls it needs is passed over.
            if (auto ftdi = FtdiLibrary::create(std::move(library), notice)) return ftdi;
            continue;
        }
        return std::make_unique<VendorLibrary>(std::move(library), notice);
    }
    return nullptr;
}

} // namespace morvi::link
