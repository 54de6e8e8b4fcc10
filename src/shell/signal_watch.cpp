#include "signal_watch.h"

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>

namespace morvi::shell {

namespace {
// Written by the handler, read by the notifier: [0] is read, [1] written.
int wakeFds[2] = {-1, -1};
volatile std::sig_atomic_t pendingSignal = 0;

extern "C" void onSignal(int signalNumber)
{
    if (pendingSignal != 0) {
        // The second one: the program did not end in time, so the signal ends it as usual.
        std::signal(signalNumber, SIG_DFL);
        std::raise(signalNumber);
        return;
    }
    pendingSignal = signalNumber;
    const int saved = errno;
    const char byte = static_cast<char>(signalNumber);
    [[maybe_unused]] const ssize_t written = ::write(wakeFds[1], &byte, 1);
    errno = saved;
}

bool openWakePair()
{
    if (wakeFds[0] >= 0) return true;
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0, wakeFds) != 0) return false;
    return true;
}
} // namespace

struct SignalWatch::Saved {
    int signalNumber;
    struct sigaction action;
};

SignalWatch::SignalWatch(std::initializer_list<int> signalNumbers, QObject *parent)
    : QObject(parent), signals_(signalNumbers)
{
}

SignalWatch::~SignalWatch() { stop(); }

void SignalWatch::start()
{
    if (started_ || !openWakePair()) return;
    pendingSignal = 0;
    // Left over from an earlier watch that stopped before it could read them.
    char drained[16];
    while (::read(wakeFds[0], drained, sizeof drained) > 0) {
    }
    notifier_ = std::make_unique<QSocketNotifier>(wakeFds[0], QSocketNotifier::Read);
    connect(notifier_.get(), &QSocketNotifier::activated, this, &SignalWatch::readPending);
    struct sigaction action = {};
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    // Interrupted system calls go on: the loop hears of the signal through the socket.
    action.sa_flags = SA_RESTART;
    for (int s : signals_) {
        Saved old{s, {}};
        if (::sigaction(s, &action, &old.action) == 0) saved_.push_back(old);
    }
    started_ = true;
}

int SignalWatch::stop()
{
    if (!started_) return 0;
    for (const Saved &old : saved_)
        ::sigaction(old.signalNumber, &old.action, nullptr);
    saved_.clear();
    notifier_.reset();
    started_ = false;
    char byte = 0;
    int unannounced = 0;
    while (::read(wakeFds[0], &byte, 1) == 1)
        unannounced = static_cast<unsigned char>(byte);
    return unannounced;
}

void SignalWatch::readPending()
{
    char byte = 0;
    while (::read(wakeFds[0], &byte, 1) == 1)
        emit caught(static_cast<unsigned char>(byte));
}

} // namespace morvi::shell
