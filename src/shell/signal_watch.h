#pragma once

#include <QObject>
#include <QSocketNotifier>

#include <initializer_list>
#include <memory>
#include <vector>

namespace morvi::shell {

// Hands termination signals to the event loop. The handler only writes the
// signal's number to a socket pair; the notifier on the other end emits
// caught() on the loop's thread, where the program may do what it likes.
// While the watch is started, a signal of the same kind arriving again before
// the program has ended ends the process at once, as if no one had watched.
// Stopped (or destroyed), the signals have their previous dispositions back.
// One watch is started at a time.
class SignalWatch : public QObject {
    Q_OBJECT
public:
    explicit SignalWatch(std::initializer_list<int> signalNumbers, QObject *parent = nullptr);
    ~SignalWatch() override;

    void start();
    // Gives the signals their previous dispositions back; a signal that came
    // in and was not yet announced is announced by the return value (0: none).
    int stop();
    bool started() const { return started_; }

signals:
    void caught(int signalNumber);

private:
    void readPending();

    std::vector<int> signals_;
    bool started_ = false;
    std::unique_ptr<QSocketNotifier> notifier_;
    struct Saved;
    std::vector<Saved> saved_;
};

} // namespace morvi::shell
