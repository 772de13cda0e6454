// The process-wide notifier for message boxes that a writer raises itself (the SimpleCSV
// warnings). Writers run on the conversion worker thread; the notifier hands the box to whatever
// handler the program installed: the command line prints it to standard error, the desktop
// program shows a modal box on its user-interface thread.
//
// One box at a time: while a handler call is in progress, a second request from any thread shows
// nothing and returns at once. The guard is an atomic flag set before the handler runs and
// cleared when it returns (or throws).
#pragma once

#include <functional>
#include <string>

namespace kyn {

// Style bits of a box, as the Windows message-box call knows them.
namespace notice {
inline constexpr unsigned kIconStop = 0x10;
inline constexpr unsigned kIconExclamation = 0x30;
inline constexpr unsigned kSystemModal = 0x1000;
inline constexpr unsigned kTaskModal = 0x2000;
inline constexpr unsigned kTopmost = 0x40000;
}  // namespace notice

struct Notice {
    std::string caption;
    std::string text;
    unsigned style = 0;
};

using NoticeHandler = std::function<void(const Notice&)>;

// Installs `handler` for the whole process and returns the one it replaces. An empty handler
// restores the default, which writes "caption: text" to standard error.
NoticeHandler SetNoticeHandler(NoticeHandler handler);

// Shows one box through the installed handler and waits for it to close. Returns false without
// showing anything when another box is open at that moment.
bool Notify(const std::string& caption, const std::string& text, unsigned style);

// While one lives, Notify on its thread shows nothing and returns false: for a writer run a second
// time only to check a file, whose boxes the user has already seen.
class NoticesMuted {
public:
    NoticesMuted();
    ~NoticesMuted();
    NoticesMuted(const NoticesMuted&) = delete;
    NoticesMuted& operator=(const NoticesMuted&) = delete;
};

// The handler that the command line uses: the caption, ": " and the text on standard error.
void PrintNoticeToStderr(const Notice& notice);

}  // namespace kyn
