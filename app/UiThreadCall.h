// Runs a function on the user-interface thread for a worker and waits for its result.
//
// The function and its result cross between the threads under this object's own mutex and
// condition variable; Qt's event queue only carries the wake-up, a call by name without data.
// That keeps the hand-over visible to thread checkers, which cannot see inside Qt's own
// synchronisation (a blocking queued call with a functor is invisible to them).
#pragma once

#include <QObject>
#include <condition_variable>
#include <functional>
#include <mutex>

namespace kyn::app {

class UiThreadCall : public QObject {
    Q_OBJECT
public:
    // Create on the user-interface thread.
    explicit UiThreadCall(QObject* parent = nullptr) : QObject(parent) {}

    // Any thread: runs `function` on this object's thread and returns its result; on that
    // thread itself it simply calls it. Callers are served one at a time. The thread must keep
    // serving its event queue while a worker waits (the program never waits for a worker
    // without doing so), or the caller waits for ever. A function that throws answers 0.
    int Run(const std::function<int()>& function);

private slots:
    void RunPending();

private:
    std::mutex oneCaller_;
    std::mutex mutex_;
    std::condition_variable done_;
    const std::function<int()>* pending_ = nullptr;  // under mutex_
    bool hasResult_ = false;                        // under mutex_
    int result_ = 0;                                // under mutex_
};

}  // namespace kyn::app
