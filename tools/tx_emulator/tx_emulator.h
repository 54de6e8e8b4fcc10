#pragma once

#include <array>
#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <termios.h>
#include <thread>
#include <vector>

namespace morvi::tools {

// A transmitter on the far end of a pseudo-terminal. The program under test
// opens slavePath() like a serial device; the emulator answers the byte
// protocol from a 128-byte memory on its own thread.
//
// Requests: 0x00 0x00 0x00 0xD0 address       -> memory[address]
//           0x00 0x00 0x00 0xD5 address data  -> the byte now stored
// Any run of 0x00 (preamble, gap) is a pause. A command byte counts only
// after at least three 0x00; otherwise it is noise and starts nothing.
// Bytes 126 and 127 (firmware version) cannot be written. Requests for an
// address beyond the memory get no answer.
class TxEmulator {
public:
    static constexpr std::size_t memorySize = 128;
    static constexpr std::uint8_t readCommand = 0xD0;
    static constexpr std::uint8_t writeCommand = 0xD5;
    static constexpr std::size_t firstReadOnly = 126;
    using Memory = std::array<std::uint8_t, memorySize>;

    struct Request {
        std::uint8_t command;
        std::uint8_t address;
        std::uint8_t data; // 0 for reads
        friend bool operator==(const Request &, const Request &) = default;
    };

    // Opens the pseudo-terminal and starts answering. Throws
    // std::system_error when no pseudo-terminal can be had.
    explicit TxEmulator(const Memory &memory = {});
    ~TxEmulator();
    TxEmulator(const TxEmulator &) = delete;
    TxEmulator &operator=(const TxEmulator &) = delete;

    const std::string &slavePath() const { return slavePath_; }

    Memory memory() const;
    void setMemory(const Memory &memory);

    // Faults, all deterministic:
    // answer the first n requests, then none (0: never answer);
    void setSilentAfter(std::optional<std::size_t> requests);
    // XOR every answer for this address with mask;
    void corruptAnswer(std::uint8_t address, std::uint8_t mask);
    // send every answer this many times in one write, so they arrive together.
    void setAnswerCopies(int copies);

    // Writes bytes towards the program in one write, unasked.
    void sendRaw(const std::vector<std::uint8_t> &bytes);
    // The terminal's line settings, as the program left them.
    termios lineSettings() const;
    // Bytes sent by the emulator that wait in the terminal, not yet read by the program.
    int pendingForProgram() const;

    // What has arrived so far.
    std::vector<Request> requests() const;
    std::size_t bytesReceived() const;
    std::size_t framingErrors() const;
    // Blocks until at least count requests have arrived and been answered, or timeoutMs passed.
    bool waitForRequests(std::size_t count, int timeoutMs) const;

private:
    void run();
    void take(std::uint8_t byte, std::vector<std::uint8_t> &answers, std::vector<Request> &taken);
    void answer(std::uint8_t address, std::uint8_t value, std::vector<std::uint8_t> &answers);
    void writeAll(const std::vector<std::uint8_t> &bytes);

    enum class State { pause, readAddress, writeAddress, writeData };

    int master_ = -1;
    int slaveHold_ = -1; // keeps the terminal alive while the program has it closed
    int wake_[2] = {-1, -1};
    std::string slavePath_;

    mutable std::mutex mutex_;
    mutable std::condition_variable arrived_;
    Memory memory_{};
    State state_ = State::pause;
    int zeros_ = 0;
    std::uint8_t address_ = 0;
    std::vector<Request> requests_;
    std::size_t answerable_ = 0; // requests for an address in memory
    std::size_t bytesReceived_ = 0;
    std::size_t framingErrors_ = 0;
    std::optional<std::size_t> silentAfter_;
    std::map<std::uint8_t, std::uint8_t> corrupt_;
    int copies_ = 1;

    std::atomic<bool> stop_{false};
    std::thread thread_;
};

} // namespace morvi::tools
