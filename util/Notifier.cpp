#include "util/Notifier.h"

#include <atomic>
#include <cstdio>
#include <mutex>

namespace kyn {

namespace {

std::mutex& HandlerMutex() {
    static std::mutex m;
    return m;
}

NoticeHandler& Handler() {
    static NoticeHandler h = PrintNoticeToStderr;
    return h;
}

std::atomic<bool> g_boxOpen{false};

// Clears the one-box flag however the handler leaves.
struct OpenBox {
    ~OpenBox() { g_boxOpen.store(false, std::memory_order_release); }
};

}  // namespace

void PrintNoticeToStderr(const Notice& notice) {
    std::string line = notice.caption + ": " + notice.text;
    if (line.empty() || line.back() != '\n') line += '\n';
    std::fwrite(line.data(), 1, line.size(), stderr);
    std::fflush(stderr);
}

NoticeHandler SetNoticeHandler(NoticeHandler handler) {
    std::lock_guard<std::mutex> lock(HandlerMutex());
    NoticeHandler previous = std::move(Handler());
    Handler() = handler ? std::move(handler) : NoticeHandler(PrintNoticeToStderr);
    return previous;
}

namespace {
thread_local int t_muted = 0;
}  // namespace

NoticesMuted::NoticesMuted() { ++t_muted; }
NoticesMuted::~NoticesMuted() { --t_muted; }

bool Notify(const std::string& caption, const std::string& text, unsigned style) {
    if (t_muted > 0) return false;
    bool expected = false;
    if (!g_boxOpen.compare_exchange_strong(expected, true, std::memory_order_acq_rel)) return false;
    OpenBox guard;
    NoticeHandler handler;
    {
        // Copied under the lock so that a handler being replaced meanwhile stays alive for this call.
        std::lock_guard<std::mutex> lock(HandlerMutex());
        handler = Handler();
    }
    handler(Notice{caption, text, style});
    return true;
}

}  // namespace kyn
