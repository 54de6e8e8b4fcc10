#pragma once

#include "fake_libftdi1.h"

#include <QLibrary>
#include <QRegularExpression>
#include <QStringList>
#include <type_traits>

namespace morvi::test {

// The control side of the fake libftdi1, reached in the library the program
// loads through its own loading code.
struct FakeLibftdi {
    QLibrary library;
    fake_libftdi1_reset_t reset = nullptr;
    fake_libftdi1_call_count_t callCount = nullptr;
    fake_libftdi1_call_t call = nullptr;
    fake_libftdi1_fail_t fail = nullptr;
    fake_libftdi1_bind_driver_t bindDriver = nullptr;
    fake_libftdi1_driver_bound_t driverBound = nullptr;
    fake_libftdi1_contexts_t contexts = nullptr;

    explicit FakeLibftdi(const QString &path) : library(path) {}

    bool load()
    {
        if (!library.load()) return false;
        auto resolve = [this](auto &slot, const char *name) {
            slot = reinterpret_cast<std::remove_reference_t<decltype(slot)>>(library.resolve(name));
            return slot != nullptr;
        };
        return resolve(reset, "fake_libftdi1_reset") && resolve(callCount, "fake_libftdi1_call_count") &&
               resolve(call, "fake_libftdi1_call") && resolve(fail, "fake_libftdi1_fail") &&
               resolve(bindDriver, "fake_libftdi1_bind_driver") && resolve(driverBound, "fake_libftdi1_driver_bound") &&
               resolve(contexts, "fake_libftdi1_contexts");
    }

    QStringList calls(const QString &name = {}) const
    {
        QStringList list;
        for (int i = 0; i < callCount(); ++i)
            list << QString::fromUtf8(call(i));
        return name.isEmpty() ? list : list.filter(QRegularExpression("^" + name + "( |$)"));
    }
};

} // namespace morvi::test
