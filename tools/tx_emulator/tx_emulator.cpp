#include "tx_emulator.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <fcntl.h>
#include <poll.h>
#include <stdlib.h>
#include <sys/ioctl.h>
#include <sys/prctl.h>
#include <system_error>
#include <termios.h>
#include <unistd.h>

namespace morvi::tools {

namespace {

[[noreturn]] void fail(const char *what) { throw std::system_error(errno, std::generic_category(), what); }

void makeRaw(int fd)
{
    termios t{};
    if (::tcgetattr(fd, &t) != 0) fail("tcgetattr");
    ::cfmakeraw(&t);
    if (::tcsetattr(fd, TCSANOW, &t) != 0) fail("tcsetattr");
}

} // namespace

TxEmulator::TxEmulator(const Memory &memory, Framing framing) : framing_(framing), memory_(memory)
{
    master_ = ::posix_openpt(O_RDWR | O_NOCTTY);
    if (master_ < 0) fail("posix_openpt");
    try {
        if (::grantpt(master_) != 0) fail("grantpt");
        if (::unlockpt(master_) != 0) fail("unlockpt");
        char name[128];
        if (::ptsname_r(master_, name, sizeof name) != 0) fail("ptsname");
        slavePath_ = name;
        slaveHold_ = ::open(name, O_RDWR | O_NOCTTY);
        if (slaveHold_ < 0) fail("open pty");
        makeRaw(slaveHold_);
        if (::fcntl(master_, F_SETFL, ::fcntl(master_, F_GETFL) | O_NONBLOCK) != 0) fail("fcntl");
        if (::pipe(wake_) != 0) fail("pipe");
    } catch (...) {
        for (int fd : {master_, slaveHold_, wake_[0], wake_[1]})
            if (fd >= 0) ::close(fd);
        throw;
    }
    thread_ = std::thread([this] { run(); });
}

TxEmulator::~TxEmulator()
{
    stop_ = true;
    const char byte = 0;
    [[maybe_unused]] auto ignored = ::write(wake_[1], &byte, 1);
    thread_.join();
    for (int fd : {master_, slaveHold_, wake_[0], wake_[1]})
        ::close(fd);
}

TxEmulator::Memory TxEmulator::memory() const
{
    std::lock_guard lock(mutex_);
    return memory_;
}

void TxEmulator::setMemory(const Memory &memory)
{
    std::lock_guard lock(mutex_);
    memory_ = memory;
}

void TxEmulator::setAnswerDelay(int delayMs)
{
    std::lock_guard lock(mutex_);
    delayMs_ = std::max(delayMs, 0);
}

void TxEmulator::setBaudRate(int baud)
{
    std::lock_guard lock(mutex_);
    baud_ = std::max(baud, 0);
}

void TxEmulator::setSilentAfter(std::optional<std::size_t> requests)
{
    std::lock_guard lock(mutex_);
    silentAfter_ = requests;
    answerable_ = 0;
}

void TxEmulator::corruptAnswer(std::uint8_t address, std::uint8_t mask)
{
    std::lock_guard lock(mutex_);
    corrupt_[address] = mask;
}

void TxEmulator::setAnswerCopies(int copies)
{
    std::lock_guard lock(mutex_);
    copies_ = copies < 1 ? 1 : copies;
}

void TxEmulator::setFadingCell(std::uint8_t address, std::uint8_t value)
{
    std::lock_guard lock(mutex_);
    fading_[address] = value;
}

void TxEmulator::clearFaults()
{
    std::lock_guard lock(mutex_);
    silentAfter_.reset();
    corrupt_.clear();
    fading_.clear();
    copies_ = 1;
    delayMs_ = 0;
}

void TxEmulator::sendRaw(const std::vector<std::uint8_t> &bytes) { writeAll(bytes); }

termios TxEmulator::lineSettings() const
{
    termios t{};
    ::tcgetattr(slaveHold_, &t);
    return t;
}

int TxEmulator::pendingForProgram() const
{
    int waiting = 0;
    if (::ioctl(slaveHold_, FIONREAD, &waiting) != 0) return -1;
    return waiting;
}

std::vector<TxEmulator::Request> TxEmulator::requests() const
{
    std::lock_guard lock(mutex_);
    return requests_;
}

std::size_t TxEmulator::bytesReceived() const
{
    std::lock_guard lock(mutex_);
    return bytesReceived_;
}

std::size_t TxEmulator::framingErrors() const
{
    std::lock_guard lock(mutex_);
    return framingErrors_;
}

bool TxEmulator::waitForRequests(std::size_t count, int timeoutMs) const
{
    std::unique_lock lock(mutex_);
    return arrived_.wait_for(lock, std::chrono::milliseconds(timeoutMs), [&] { return requests_.size() >= count; });
}

TxEmulator::Clock::duration TxEmulator::byteTime() const
{
    // Start bit, eight data bits, stop bit.
    return std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(10.0 / baud_));
}

void TxEmulator::run()
{
    // Paced answers leave on time, without the kernel's default 50 µs of slack each.
    ::prctl(PR_SET_TIMERSLACK, 1UL);
    pollfd fds[2] = {{master_, POLLIN, 0}, {wake_[0], POLLIN, 0}};
    std::uint8_t buffer[256];
    while (!stop_) {
        timespec wait{};
        timespec *timeout = nullptr;
        if (!outgoing_.empty()) {
            const auto left = std::max(outgoing_.front().due - Clock::now(), Clock::duration::zero());
            const auto ns = std::chrono::duration_cast<std::chrono::nanoseconds>(left).count();
            wait.tv_sec = static_cast<time_t>(ns / 1'000'000'000);
            wait.tv_nsec = static_cast<long>(ns % 1'000'000'000);
            timeout = &wait;
        }
        fds[0].revents = fds[1].revents = 0;
        if (::ppoll(fds, 2, timeout, nullptr) < 0 && errno != EINTR) return;
        if (fds[1].revents != 0) return;
        if ((fds[0].revents & POLLIN) != 0) {
            const ssize_t n = ::read(master_, buffer, sizeof buffer);
            const Clock::time_point now = Clock::now();
            std::lock_guard lock(mutex_);
            for (ssize_t i = 0; i < n; ++i) {
                Clock::time_point arrival = now;
                if (baud_ > 0) arrival = inbound_ = std::max(inbound_, now) + byteTime();
                take(buffer[i], arrival);
            }
        }
        sendDue();
    }
}

void TxEmulator::sendDue()
{
    // Everything due goes out in one write, so answers sent together arrive together.
    std::vector<std::uint8_t> bytes;
    std::vector<Request> sent;
    const Clock::time_point now = Clock::now();
    while (!outgoing_.empty() && outgoing_.front().due <= now) {
        bytes.insert(bytes.end(), outgoing_.front().bytes.begin(), outgoing_.front().bytes.end());
        sent.push_back(outgoing_.front().request);
        outgoing_.pop_front();
    }
    if (sent.empty()) return;
    {
        // Sent and published under one lock: whoever finds a request listed
        // finds its answer sent, and whoever has the answer finds the request
        // listed. The answers are a few bytes, so the write never waits long.
        std::lock_guard lock(mutex_);
        writeAll(bytes);
        requests_.insert(requests_.end(), sent.begin(), sent.end());
    }
    arrived_.notify_all();
}

void TxEmulator::take(std::uint8_t byte, Clock::time_point arrival)
{
    ++bytesReceived_;
    switch (state_) {
    case State::pause:
        if (byte == 0) {
            ++zeros_;
            return;
        }
        if (zeros_ >= requestZeros && byte == readCommand) {
            state_ = State::readAddress;
        } else if (zeros_ >= requestZeros && byte == writeCommand) {
            state_ = State::writeAddress;
        } else {
            ++framingErrors_;
        }
        zerosBeforeCommand_ = zeros_;
        zeros_ = 0;
        return;
    case State::readAddress:
        state_ = State::pause;
        complete({readCommand, byte, 0}, arrival);
        return;
    case State::writeAddress:
        address_ = byte;
        state_ = State::writeData;
        return;
    case State::writeData:
        state_ = State::pause;
        complete({writeCommand, address_, byte}, arrival);
        return;
    }
}

bool TxEmulator::framed(const Request &request) const
{
    if (framing_ == Framing::lenient || request.command != readCommand) return true;
    if (lastWriteDone_) return zerosBeforeCommand_ >= gapZeros + requestZeros;
    if (request.address == 0) return zerosBeforeCommand_ >= preambleZeros + requestZeros;
    return true;
}

void TxEmulator::complete(const Request &request, Clock::time_point arrival)
{
    if (!framed(request)) {
        ++framingErrors_;
        return;
    }
    std::vector<std::uint8_t> answers;
    const std::uint8_t address = request.address;
    if (request.command == readCommand) lastWriteDone_ = false;
    if (address < memorySize) {
        std::uint8_t value = memory_[address];
        if (request.command == writeCommand) {
            lastWriteDone_ = address == firstReadOnly - 1;
            const auto fading = fading_.find(address);
            if (address < firstReadOnly) memory_[address] = fading != fading_.end() ? fading->second : request.data;
            value = fading != fading_.end() ? request.data : memory_[address];
        }
        ++answerable_;
        const bool silent = silentAfter_ && answerable_ > *silentAfter_;
        if (const auto it = corrupt_.find(address); it != corrupt_.end()) value ^= it->second;
        if (!silent) answers.assign(static_cast<std::size_t>(copies_), value);
    }

    Clock::time_point due = arrival + std::chrono::milliseconds(delayMs_);
    if (baud_ > 0 && !answers.empty()) {
        outbound_ = std::max(outbound_, due) + byteTime() * static_cast<int>(answers.size());
        due = outbound_;
    }
    if (!outgoing_.empty()) due = std::max(due, outgoing_.back().due);
    outgoing_.push_back({due, std::move(answers), request});
}

void TxEmulator::writeAll(const std::vector<std::uint8_t> &bytes)
{
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(master_, bytes.data() + done, bytes.size() - done);
        if (n > 0) {
            done += static_cast<std::size_t>(n);
        } else if (n < 0 && errno != EAGAIN && errno != EINTR) {
            return;
        } else {
            pollfd out{master_, POLLOUT, 0};
            ::poll(&out, 1, 100);
        }
    }
}

} // namespace morvi::tools
