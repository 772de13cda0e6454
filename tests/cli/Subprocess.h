// Runs kynconvert as a child process without a terminal: standard input from /dev/null,
// standard output and error captured, with a time limit so that a hang fails the test instead
// of stalling the suite.
#pragma once

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "TestSupport.h"

namespace kyn::test {

struct RunResult {
    int exitCode = -1;  // -1: killed by a signal or timed out
    bool timedOut = false;
    std::string out;
    std::string err;
};

inline std::string CliPath() {
    const char* p = std::getenv("KYN_CLI");
    return p ? p : "";
}

// `whileRunning` is called every few milliseconds with the child's pid until it ends.
inline RunResult RunCli(const std::vector<std::string>& args, const std::filesystem::path& scratch,
                        std::chrono::seconds limit = std::chrono::seconds(30),
                        const std::function<void(pid_t)>& whileRunning = {}) {
    const std::string outPath = (scratch / "cli.stdout").string(), errPath = (scratch / "cli.stderr").string();
    std::vector<std::string> argv = {CliPath()};
    argv.insert(argv.end(), args.begin(), args.end());
    const pid_t pid = fork();
    if (pid == 0) {
        setpgid(0, 0);  // away from the test's terminal
        const int in = open("/dev/null", O_RDONLY);
        const int out = open(outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        const int err = open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        dup2(in, 0);
        dup2(out, 1);
        dup2(err, 2);
        std::vector<char*> c;
        for (auto& a : argv) c.push_back(a.data());
        c.push_back(nullptr);
        execv(c[0], c.data());
        _exit(127);
    }
    RunResult r;
    const auto deadline = std::chrono::steady_clock::now() + limit;
    int status = 0;
    for (;;) {
        const pid_t done = waitpid(pid, &status, WNOHANG);
        if (done == pid) break;
        if (std::chrono::steady_clock::now() > deadline) {
            kill(pid, SIGKILL);
            waitpid(pid, &status, 0);
            r.timedOut = true;
            break;
        }
        if (whileRunning) whileRunning(pid);
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    if (!r.timedOut && WIFEXITED(status)) r.exitCode = WEXITSTATUS(status);
    r.out = ReadFile(outPath);
    r.err = ReadFile(errPath);
    std::filesystem::remove(outPath);
    std::filesystem::remove(errPath);
    return r;
}

}  // namespace kyn::test
