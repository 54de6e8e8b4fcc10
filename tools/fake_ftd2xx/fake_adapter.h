#pragma once

#include "fake_ftd2xx.h"

#include <QLibrary>
#include <QRegularExpression>
#include <QStringList>
#include <array>
#include <cstdint>
#include <type_traits>
#include <vector>

namespace morvi::test {

// The control side of the fake adapter library, reached in the same library
// the program loads through its own loading code.
struct FakeAdapter {
    QLibrary library;
    fake_ftd2xx_reset_t reset = nullptr;
    fake_ftd2xx_add_device_t add = nullptr;
    fake_ftd2xx_remove_device_t remove = nullptr;
    fake_ftd2xx_fail_t fail = nullptr;
    fake_ftd2xx_call_count_t callCount = nullptr;
    fake_ftd2xx_call_t call = nullptr;
    fake_ftd2xx_clear_calls_t clearCalls = nullptr;
    fake_ftd2xx_feed_t feed = nullptr;
    fake_ftd2xx_written_t written = nullptr;
    fake_ftd2xx_tx_attach_t attach = nullptr;
    fake_ftd2xx_tx_memory_t memory = nullptr;
    fake_ftd2xx_tx_requests_t requests = nullptr;
    fake_ftd2xx_tx_fault_t fault = nullptr;
    fake_ftd2xx_tx_timing_t timing = nullptr;

    explicit FakeAdapter(const QString &path) : library(path) {}

    bool load()
    {
        if (!library.load()) return false;
        auto resolve = [this](auto &slot, const char *name) {
            slot = reinterpret_cast<std::remove_reference_t<decltype(slot)>>(library.resolve(name));
            return slot != nullptr;
        };
        return resolve(reset, "fake_ftd2xx_reset") && resolve(add, "fake_ftd2xx_add_device") &&
               resolve(remove, "fake_ftd2xx_remove_device") && resolve(fail, "fake_ftd2xx_fail") &&
               resolve(callCount, "fake_ftd2xx_call_count") && resolve(call, "fake_ftd2xx_call") &&
               resolve(clearCalls, "fake_ftd2xx_clear_calls") && resolve(feed, "fake_ftd2xx_feed") &&
               resolve(written, "fake_ftd2xx_written") && resolve(attach, "fake_ftd2xx_tx_attach") &&
               resolve(memory, "fake_ftd2xx_tx_memory") && resolve(requests, "fake_ftd2xx_tx_requests") &&
               resolve(fault, "fake_ftd2xx_tx_fault") && resolve(timing, "fake_ftd2xx_tx_timing");
    }

    QStringList calls() const
    {
        QStringList list;
        for (int i = 0; i < callCount(); ++i)
            list << QString::fromUtf8(call(i));
        return list;
    }
    QStringList calls(const QString &name) const { return calls().filter(QRegularExpression("^" + name + "( |$)")); }

    // Everything the program wrote to the adapter.
    std::vector<std::uint8_t> wire() const
    {
        std::vector<std::uint8_t> bytes(written(nullptr, 0));
        written(bytes.data(), static_cast<std::uint32_t>(bytes.size()));
        return bytes;
    }

    // The memory of the transmitter behind the adapter.
    std::array<std::uint8_t, 128> transmitter() const
    {
        std::array<std::uint8_t, 128> m{};
        memory(m.data());
        return m;
    }
};

} // namespace morvi::test
