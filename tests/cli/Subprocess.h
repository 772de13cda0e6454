// Runs kynconvert as a child process without a terminal: standard input from /dev/null,
// standard output and error captured, with a time limit so that a hang fails the test instead
// of stalling the suite.
#pragma once

#include <fcntl.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "TestSupport.h"
#include "hardening/ChildProcess.h"

namespace kyn::test {

struct RunResult {
    int exitCode = -1;  // -1: killed by a signal or timed out
    int signal = 0;     // the signal that ended it
    bool timedOut = false;
    std::string out;
    std::string err;
};

inline std::string CliPath() {
    const char* p = std::getenv("KYN_CLI");
    return p ? p : "";
}

// `whileRunning` is called every few milliseconds with the child's pid until it ends; `inChild`
// runs in the child just before kynconvert starts (to set a limit or redirect a stream).
inline RunResult RunCli(const std::vector<std::string>& args, const std::filesystem::path& scratch,
                        std::chrono::seconds limit = std::chrono::seconds(30),
                        const std::function<void(pid_t)>& whileRunning = {},
                        const std::function<void()>& inChild = {}) {
    const std::string outPath = (scratch / "cli.stdout").string();
    std::vector<std::string> argv = {CliPath()};
    argv.insert(argv.end(), args.begin(), args.end());
    const ChildResult child = RunInChild(
        [&] {
            setpgid(0, 0);  // away from the test's terminal
            dup2(open("/dev/null", O_RDONLY), 0);
            dup2(open(outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644), 1);
            if (inChild) inChild();
            std::vector<char*> c;
            for (auto& a : argv) c.push_back(a.data());
            c.push_back(nullptr);
            execv(c[0], c.data());
            return 127;
        },
        limit, whileRunning);
    RunResult r;
    r.exitCode = child.exited ? child.code : -1;
    r.signal = child.signal;
    r.timedOut = child.timedOut;
    r.out = ReadFile(outPath);
    r.err = child.output;
    std::filesystem::remove(outPath);
    return r;
}

}  // namespace kyn::test
