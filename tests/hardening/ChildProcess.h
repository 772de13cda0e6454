// Runs part of a test in a forked child, so that resource limits (address space, file size)
// apply to that part alone and a crash, a hang or a limit hit cannot take the test program down.
#pragma once

#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <thread>

namespace kyn::test {

// True in a build with AddressSanitizer or ThreadSanitizer: their shadow memory makes an
// address-space limit meaningless, so the tests that need one skip that part there (the fuzz
// targets catch large allocations under the sanitizers with their own allocation limit).
#if defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(thread_sanitizer)
inline constexpr bool kUnderSanitizer = true;
#else
inline constexpr bool kUnderSanitizer = false;
#endif
#elif defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
inline constexpr bool kUnderSanitizer = true;
#else
inline constexpr bool kUnderSanitizer = false;
#endif

// Limits the calling process's address space to what it uses now plus `extraBytes`, so that any
// allocation beyond that fails. False (nothing limited) under a sanitizer.
inline bool LimitAddressSpace(long long extraBytes) {
    if (kUnderSanitizer) return false;
    std::ifstream statm("/proc/self/statm");
    long long pages = 0;
    if (!(statm >> pages)) return false;
    const rlim_t limit = static_cast<rlim_t>(pages * sysconf(_SC_PAGESIZE) + extraBytes);
    rlimit r{limit, limit};
    return setrlimit(RLIMIT_AS, &r) == 0;
}

struct ChildResult {
    bool exited = false;  // ended by exit (not a signal, not the time limit)
    int code = -1;        // its exit code
    int signal = 0;       // the signal that ended it, if any
    bool timedOut = false;
    std::string output;   // what it wrote to standard error
    bool Ok() const { return exited && code == 0; }
};

inline std::ostream& operator<<(std::ostream& os, const ChildResult& r) {
    return os << "exited " << r.exited << " code " << r.code << " signal " << r.signal << " timed out "
              << r.timedOut << "\n"
              << r.output;
}

// Runs `body` in a child; its return value is the exit code. The child is killed when it runs
// longer than `limit` (a reader that spins). Its standard error is collected. `whileRunning` is
// called every few milliseconds with the child's pid until it ends.
inline ChildResult RunInChild(const std::function<int()>& body,
                              std::chrono::milliseconds limit = std::chrono::seconds(120),
                              const std::function<void(pid_t)>& whileRunning = {}) {
    std::FILE* log = std::tmpfile();
    std::fflush(nullptr);
    const pid_t pid = fork();
    if (pid == 0) {
        if (log) dup2(fileno(log), 2);
        int code = 99;
        try {
            code = body();
        } catch (const std::exception& e) {
            std::fprintf(stderr, "child: uncaught exception: %s\n", e.what());
        }
        std::fflush(nullptr);
        _exit(code);
    }
    ChildResult r;
    const auto deadline = std::chrono::steady_clock::now() + limit;
    int status = 0;
    for (;;) {
        if (waitpid(pid, &status, WNOHANG) == pid) break;
        if (std::chrono::steady_clock::now() > deadline) {
            kill(pid, SIGKILL);
            waitpid(pid, &status, 0);
            r.timedOut = true;
            break;
        }
        if (whileRunning) whileRunning(pid);
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    if (!r.timedOut && WIFEXITED(status)) {
        r.exited = true;
        r.code = WEXITSTATUS(status);
    }
    if (WIFSIGNALED(status)) r.signal = WTERMSIG(status);
    if (log) {
        std::rewind(log);
        char buf[4096];
        std::size_t n;
        while ((n = std::fread(buf, 1, sizeof buf, log)) > 0) r.output.append(buf, n);
        std::fclose(log);
    }
    return r;
}

}  // namespace kyn::test
