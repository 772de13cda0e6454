#include "app/UiThreadCall.h"

#include <QThread>

namespace kyn::app {

int UiThreadCall::Run(const std::function<int()>& function) {
    if (QThread::currentThread() == thread()) return function();

    std::lock_guard one(oneCaller_);
    std::unique_lock lock(mutex_);
    pending_ = &function;
    hasResult_ = false;
    lock.unlock();
    // Queued behind whatever the worker posted before, so earlier messages are handled first.
    QMetaObject::invokeMethod(this, "RunPending", Qt::QueuedConnection);
    lock.lock();
    done_.wait(lock, [this] { return hasResult_; });
    pending_ = nullptr;
    return result_;
}

void UiThreadCall::RunPending() {
    const std::function<int()>* function = nullptr;
    {
        std::lock_guard lock(mutex_);
        function = pending_;
    }
    if (!function) return;
    int result = 0;
    try {
        result = (*function)();
    } catch (...) {
        result = 0;  // the worker must not wait for ever
    }
    {
        std::lock_guard lock(mutex_);
        result_ = result;
        hasResult_ = true;
    }
    done_.notify_all();
}

}  // namespace kyn::app
