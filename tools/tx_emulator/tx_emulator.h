#pragma once

#include <array>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <deque>
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
// A command byte counts only after at least three 0x00; otherwise it is noise
// and starts nothing. Strict framing (the default) also wants the lead-ins a
// transfer sends: a read of address 0 (the first request of every run) only
// after the 25-byte preamble, and the first read after the write of address
// 125 only after the 100-byte gap, each followed by the request's own three
// zeros. A request that breaks the framing counts as a framing error and gets
// no answer. Bytes 126 and 127 (firmware version) cannot be written; requests
// for an address beyond the memory get no answer.
class TxEmulator {
public:
    static constexpr std::size_t memorySize = 128;
    static constexpr std::uint8_t readCommand = 0xD0;
    static constexpr std::uint8_t writeCommand = 0xD5;
    static constexpr std::size_t firstReadOnly = 126;
    static constexpr int requestZeros = 3;
    static constexpr int preambleZeros = 25;
    static constexpr int gapZeros = 100;
    using Memory = std::array<std::uint8_t, memorySize>;

    enum class Framing { strict, lenient };

    struct Request {
        std::uint8_t command;
        std::uint8_t address;
        std::uint8_t data; // 0 for reads
        friend bool operator==(const Request &, const Request &) = default;
    };

    // Opens the pseudo-terminal and starts answering. Throws
    // std::system_error when no pseudo-terminal can be had.
    explicit TxEmulator(const Memory &memory = {}, Framing framing = Framing::strict);
    ~TxEmulator();
    TxEmulator(const TxEmulator &) = delete;
    TxEmulator &operator=(const TxEmulator &) = delete;

    const std::string &slavePath() const { return slavePath_; }

    Memory memory() const;
    void setMemory(const Memory &memory);

    // Timing. Every answer leaves delayMs after its request is complete. With
    // a baud rate each byte takes its wire time (10 bits) in both directions,
    // so that a transfer lasts as long as on a real line; 0 is as fast as the
    // pseudo-terminal goes.
    void setAnswerDelay(int delayMs);
    void setBaudRate(int baud);

    // Faults, all deterministic:
    // from now on answer n more requests, then none (0: never answer);
    void setSilentAfter(std::optional<std::size_t> requests);
    // XOR every answer for this address with mask;
    void corruptAnswer(std::uint8_t address, std::uint8_t mask);
    // send every answer this many times in one write, so they arrive together;
    void setAnswerCopies(int copies);
    // a cell that echoes what is written to it but then holds value;
    void setFadingCell(std::uint8_t address, std::uint8_t value);
    // back to a sound transmitter that answers at once (framing and baud rate stay).
    void clearFaults();

    // Writes bytes towards the program in one write, unasked.
    void sendRaw(const std::vector<std::uint8_t> &bytes);
    // The terminal's line settings, as the program left them.
    termios lineSettings() const;
    // Bytes sent by the emulator that wait in the terminal, not yet read by the program.
    int pendingForProgram() const;

    // What has arrived so far; a request is listed once its answer is sent.
    std::vector<Request> requests() const;
    std::size_t bytesReceived() const;
    std::size_t framingErrors() const;
    // Blocks until at least count requests have arrived and been answered, or timeoutMs passed.
    bool waitForRequests(std::size_t count, int timeoutMs) const;

private:
    using Clock = std::chrono::steady_clock;
    // Answers waiting for their time; requests are published when it comes.
    struct Outgoing {
        Clock::time_point due;
        std::vector<std::uint8_t> bytes;
        Request request;
    };

    void run();
    void take(std::uint8_t byte, Clock::time_point arrival);
    void complete(const Request &request, Clock::time_point arrival);
    bool framed(const Request &request) const;
    void sendDue();
    Clock::duration byteTime() const;
    void writeAll(const std::vector<std::uint8_t> &bytes);

    enum class State { pause, readAddress, writeAddress, writeData };

    int master_ = -1;
    int slaveHold_ = -1; // keeps the terminal alive while the program has it closed
    int wake_[2] = {-1, -1};
    std::string slavePath_;
    const Framing framing_;

    mutable std::mutex mutex_;
    mutable std::condition_variable arrived_;
    Memory memory_{};
    State state_ = State::pause;
    int zeros_ = 0;
    int zerosBeforeCommand_ = 0;
    bool lastWriteDone_ = false; // address 125 written, the gap not yet heard
    std::uint8_t address_ = 0;
    std::vector<Request> requests_;
    std::size_t answerable_ = 0; // requests for an address in memory
    std::size_t bytesReceived_ = 0;
    std::size_t framingErrors_ = 0;
    std::optional<std::size_t> silentAfter_;
    std::map<std::uint8_t, std::uint8_t> corrupt_;
    std::map<std::uint8_t, std::uint8_t> fading_;
    int copies_ = 1;
    int delayMs_ = 0;
    int baud_ = 0;

    // The emulator thread's own: the wire in both directions and what waits to go out.
    Clock::time_point inbound_{};
    Clock::time_point outbound_{};
    std::deque<Outgoing> outgoing_;

    std::atomic<bool> stop_{false};
    std::thread thread_;
};

} // namespace morvi::tools
