#pragma once

// The adapter suites run once per backend: CTest starts each of them a second
// time with MORVI_ADAPTER_BACKEND=libftdi1. Either way the fake vendor
// library holds the adapter (devices, transmitter, failures, the record of
// what reached it); with libftdi1 the program loads the fake libftdi1, which
// drives that same adapter through libftdi1's calls.
#include "fake_adapter.h"
#include "fake_libftdi1_control.h"

#include <QString>
#include <QtGlobal>

namespace morvi::test {

enum class Backend { vendor, libftdi1 };

inline Backend backend()
{
    return qEnvironmentVariable("MORVI_ADAPTER_BACKEND") == QLatin1String("libftdi1") ? Backend::libftdi1
                                                                                      : Backend::vendor;
}

inline const QString fakeVendorPath = QStringLiteral(MORVI_FAKE_FTD2XX_PATH);
inline const QString fakeLibftdiPath = QStringLiteral(MORVI_FAKE_LIBFTDI1_PATH);

// The library the program under test loads.
inline QString backendLibrary() { return backend() == Backend::libftdi1 ? fakeLibftdiPath : fakeVendorPath; }

} // namespace morvi::test

// For the few checks that only one backend can make.
#define MORVI_ONLY_FOR(which, why)                                                                                     \
    do {                                                                                                               \
        if (morvi::test::backend() != morvi::test::Backend::which) QSKIP(why);                                         \
    } while (false)
