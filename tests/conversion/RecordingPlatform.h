// A JobPlatform that records everything the job does and answers its questions from queues.
// Files are real (the job works on a temporary folder); sleeping is only recorded.
#pragma once

#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <deque>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "conversion/JobPlatform.h"

namespace kyn::test {

struct Posted {
    JobMessage message;
    std::int64_t wParam;
    std::int64_t lParam;
    bool operator==(const Posted&) const = default;
};

inline std::ostream& operator<<(std::ostream& os, const Posted& p) {
    return os << "{0x" << std::hex << p.message << std::dec << ", " << p.wParam << ", " << p.lParam << "}";
}

class RecordingPlatform : public JobPlatform {
public:
    void Post(JobMessage m, std::int64_t w, std::int64_t l) override {
        posted.push_back({m, w, l});
        events.push_back("post " + std::to_string(m) + " " + std::to_string(w) + " " + std::to_string(l));
    }
    bool PollStop() override {
        ++polls;
        return stop.Poll();
    }
    OverwriteAnswer AskOverwrite(const std::string& text) override {
        questions.push_back(text);
        events.push_back("ask overwrite");
        if (overwriteAnswers.empty()) {
            ADD_FAILURE() << "unexpected overwrite question: " << text;
            return OverwriteAnswer::Cancel;
        }
        const auto a = overwriteAnswers.front();
        overwriteAnswers.pop_front();
        return a;
    }
    FailureAnswer AskReadFailure(const std::string& text) override { return Failure("read", text); }
    FailureAnswer AskSaveFailure(const std::string& text) override { return Failure("save", text); }
    void SetStatusText(const std::string& text) override {
        statuses.push_back(text);
        status.Set(text);
    }
    bool IsRegularFile(const std::string& path) override { return std::filesystem::is_regular_file(path); }
    bool DeleteFile(const std::string& path) override {
        deleted.push_back(path);
        std::error_code ec;
        return std::filesystem::remove(path, ec);
    }
    void Sleep(std::chrono::milliseconds d) override {
        sleeps.push_back(d.count());
        events.push_back("sleep " + std::to_string(d.count()));
    }
    void PassedOver(const std::string& path, const std::string&) override { passedOver.push_back(path); }

    // Only the messages, in order.
    std::vector<JobMessage> Messages() const {
        std::vector<JobMessage> m;
        for (const auto& p : posted) m.push_back(p.message);
        return m;
    }

    StopSignal stop;
    StatusText status;
    int polls = 0;
    std::vector<Posted> posted;
    std::vector<std::string> events;
    std::vector<std::string> statuses;
    std::vector<std::string> questions;  // every question's full text, in order
    std::vector<std::string> deleted;
    std::vector<std::string> passedOver;
    std::vector<long long> sleeps;
    std::deque<OverwriteAnswer> overwriteAnswers;
    std::deque<FailureAnswer> readAnswers;
    std::deque<FailureAnswer> saveAnswers;

private:
    FailureAnswer Failure(const char* kind, const std::string& text) {
        questions.push_back(text);
        events.push_back(std::string("ask ") + kind);
        auto& q = std::string(kind) == "read" ? readAnswers : saveAnswers;
        if (q.empty()) {
            ADD_FAILURE() << "unexpected " << kind << " failure question: " << text;
            return FailureAnswer::Cancel;
        }
        const auto a = q.front();
        q.pop_front();
        return a;
    }
};

// A fresh folder under the system's temporary directory, removed afterwards.
class TempDir {
public:
    TempDir() {
        static int counter = 0;
        const auto base = std::filesystem::temp_directory_path();
        for (;;) {
            path_ = base / ("kyn-test-" + std::to_string(::getpid()) + "-" + std::to_string(++counter));
            if (std::filesystem::create_directory(path_)) break;
        }
    }
    ~TempDir() {
        std::error_code ec;
        std::filesystem::remove_all(path_, ec);
    }
    const std::filesystem::path& path() const { return path_; }
    std::string operator/(const std::string& name) const { return (path_ / name).string(); }

private:
    std::filesystem::path path_;
};

inline void WriteFile(const std::string& path, const std::string& bytes) {
    std::ofstream os(path, std::ios::binary);
    os << bytes;
}

inline std::string ReadFile(const std::string& path) {
    std::ifstream is(path, std::ios::binary);
    std::ostringstream ss;
    ss << is.rdbuf();
    return ss.str();
}

// Files in a folder (names only, sorted), to see that nothing else was left behind.
inline std::vector<std::string> ListDir(const std::filesystem::path& dir) {
    std::vector<std::string> names;
    for (const auto& e : std::filesystem::directory_iterator(dir)) names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

}  // namespace kyn::test
