#include "tx_emulator.h"

#include <cerrno>
#include <chrono>
#include <fcntl.h>
#include <poll.h>
#include <stdlib.h>
#include <sys/ioctl.h>
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

constexpr int zerosBeforeCommand = 3;

} // namespace

TxEmulator::TxEmulator(const Memory &memory) : memory_(memory)
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

void TxEmulator::setSilentAfter(std::optional<std::size_t> requests)
{
    std::lock_guard lock(mutex_);
    silentAfter_ = requests;
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

void TxEmulator::run()
{
    pollfd fds[2] = {{master_, POLLIN, 0}, {wake_[0], POLLIN, 0}};
    std::uint8_t buffer[256];
    while (!stop_) {
        if (::poll(fds, 2, -1) < 0) {
            if (errno == EINTR) continue;
            return;
        }
        if (fds[1].revents != 0) return;
        if ((fds[0].revents & POLLIN) == 0) continue;
        const ssize_t n = ::read(master_, buffer, sizeof buffer);
        if (n <= 0) continue;
        std::vector<std::uint8_t> answers;
        std::vector<Request> taken;
        {
            std::lock_guard lock(mutex_);
            for (ssize_t i = 0; i < n; ++i)
                take(buffer[i], answers, taken);
        }
        writeAll(answers);
        // Published only now, so whoever waits for a request finds its answer sent.
        {
            std::lock_guard lock(mutex_);
            requests_.insert(requests_.end(), taken.begin(), taken.end());
        }
        arrived_.notify_all();
    }
}

void TxEmulator::take(std::uint8_t byte, std::vector<std::uint8_t> &answers, std::vector<Request> &taken)
{
    ++bytesReceived_;
    switch (state_) {
    case State::pause:
        if (byte == 0) {
            ++zeros_;
            return;
        }
        if (zeros_ >= zerosBeforeCommand && byte == readCommand) {
            state_ = State::readAddress;
        } else if (zeros_ >= zerosBeforeCommand && byte == writeCommand) {
            state_ = State::writeAddress;
        } else {
            ++framingErrors_;
        }
        zeros_ = 0;
        return;
    case State::readAddress:
        taken.push_back({readCommand, byte, 0});
        state_ = State::pause;
        if (byte < memorySize) answer(byte, memory_[byte], answers);
        return;
    case State::writeAddress:
        address_ = byte;
        state_ = State::writeData;
        return;
    case State::writeData:
        taken.push_back({writeCommand, address_, byte});
        state_ = State::pause;
        if (address_ >= memorySize) return;
        if (address_ < firstReadOnly) memory_[address_] = byte;
        answer(address_, memory_[address_], answers);
        return;
    }
}

void TxEmulator::answer(std::uint8_t address, std::uint8_t value, std::vector<std::uint8_t> &answers)
{
    ++answerable_;
    if (silentAfter_ && answerable_ > *silentAfter_) return;
    if (const auto it = corrupt_.find(address); it != corrupt_.end()) value ^= it->second;
    answers.insert(answers.end(), static_cast<std::size_t>(copies_), value);
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
