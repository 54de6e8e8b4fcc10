#pragma once

#include "adapter_library.h"

#include <QLibrary>
#include <memory>

namespace morvi::link {

// The adapter vendor's own library, called as it is. A missing entry point
// fails its call as if the library were missing.
class VendorLibrary final : public AdapterLibrary {
public:
    // The least latency timer the library takes: the chip passes received
    // bytes on after at most this long.
    static constexpr std::uint8_t latencyMs = 2;

    VendorLibrary(std::unique_ptr<QLibrary> library, const AdapterNotice &notice);
    Kind kind() const override { return Kind::vendor; }

private:
    // Why an adapter did not open, in the technician's words.
    static QString openFailure(d2xx::FT_STATUS status);

    std::unique_ptr<QLibrary> library_;
    OnceNotices notices_;
};

} // namespace morvi::link
