#pragma once

// What the transfer tests share: a transmitter's memory, the window side of
// a transfer as a recorder, and waiting on the event loop.
#include "config_file_host.h"
#include "transfer_host.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QTimer>
#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace morvi::test {

using Memory = std::array<std::uint8_t, 128>;

// The image checksum written out independently of the editor: bytes 0..113,
// 115, 116 and 123..125.
inline std::uint8_t checksumOf(const Memory &bytes)
{
    unsigned sum = 0;
    for (int i = 0; i < 126; ++i)
        if (i != 114 && (i < 117 || i > 122)) sum += bytes[static_cast<std::size_t>(i)];
    return static_cast<std::uint8_t>(sum);
}

// A transmitter with firmware 2.20, a known type and a correct checksum; byte 7 holds 40.
inline Memory transmitterMemory()
{
    Memory m{};
    for (std::size_t i = 0; i < m.size(); ++i)
        m[i] = static_cast<std::uint8_t>(i * 37 + 11);
    m[7] = 40;
    m[123] = 2; // a known transmitter type, so reading applies no preset
    m[126] = 2;
    m[127] = 20;
    m[122] = checksumOf(m);
    return m;
}

// Runs the event loop, blocking in it rather than sleeping between passes,
// until done() holds or timeoutMs passed; whether done() holds.
inline bool waitFor(const std::function<bool()> &done, int timeoutMs)
{
    const QDeadlineTimer deadline(timeoutMs);
    // Wakes the loop now and then for conditions no event announces.
    QTimer tick;
    tick.start(2);
    while (!done()) {
        if (deadline.hasExpired()) return false;
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
    return true;
}

// The main window as a transfer and the file commands see it, recorded.
struct RecordingHost : link::TransferHost, files::ConfigFileHost {
    bool answer = true;
    std::vector<std::string> questions;
    // Runs when the confirmation is asked, before it is answered.
    std::function<void()> onConfirm;
    int refreshes = 0;
    std::vector<DerivedState> derived;
    std::vector<Button> focus;
    std::vector<bool> panProg;
    std::vector<std::string> actions;
    std::vector<int> gauge;
    std::vector<bool> gaugeGesamtShown;
    std::vector<int> gaugeGesamt;
    // Runs on every phase word, before the answer is stored.
    std::function<void(const std::string &)> onAction;

    SendBoxes sendBoxes() const override { return {}; }
    void showdata() override { ++refreshes; }
    void applyDerivedState(const DerivedState &d) override { derived.push_back(d); }
    bool confirm(const std::string &question) override
    {
        questions.push_back(question);
        if (onConfirm) onConfirm();
        return answer;
    }
    void setFocus(Button button) override { focus.push_back(button); }
    void showPanProg(bool visible) override { panProg.push_back(visible); }
    void setLaction(const std::string &text) override
    {
        actions.push_back(text);
        if (onAction) onAction(text);
    }
    void setGauge(int percent) override { gauge.push_back(percent); }
    void showGaugeGesamt(bool visible) override { gaugeGesamtShown.push_back(visible); }
    void setGaugeGesamt(int percent) override { gaugeGesamt.push_back(percent); }

    QString serialPortName() const override { return QStringLiteral("COM1"); }
    QString firmwareLabel() const override { return QStringLiteral("2.20"); }
    void showFileName(const QString &) override {}
};

} // namespace morvi::test
