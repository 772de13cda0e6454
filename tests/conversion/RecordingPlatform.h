// A JobPlatform that records everything the job does and answers its questions from queues.
// Files are real (the job works on a temporary folder); sleeping is only recorded.
#pragma once

#include <gtest/gtest.h>

#include <deque>
#include <string>
#include <vector>

#include "TestSupport.h"
#include "conversion/ConversionJob.h"
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
    FailureAnswer AskSaveFailure(const std::string& text, const std::string&, const std::string& reason) override {
        saveReasons.push_back(reason);
        return Failure("save", text);
    }
    // Recorded as the progress window's sentence, the text the user reads.
    void SetStatus(const JobStatus& s) override {
        statuses.push_back(jobtext::StatusSentence(s));
        status.Set(s);
    }
    bool DeleteFile(const std::string& path) override {
        deleted.push_back(path);
        std::error_code ec;
        return std::filesystem::remove(path, ec);
    }
    void Sleep(std::chrono::milliseconds d) override {
        sleeps.push_back(d.count());
        events.push_back("sleep " + std::to_string(d.count()));
    }
    void PassedOver(const std::string& path, const std::string& reason) override {
        passedOver.push_back(path + ": " + reason);
    }
    void ConvertedWithWarnings(const std::string& input, const std::string& output,
                               const std::vector<std::string>& w, bool originalKept) override {
        std::string line = input + " -> " + output + ":";
        for (const std::string& one : w) line += " " + one + ";";
        if (originalKept) line += " original kept";
        warnings.push_back(line);
    }
    void FileDone(const FileResult& r) override { results.push_back(r); }

    StopSignal stop;
    SharedStatus status;
    int polls = 0;
    std::vector<Posted> posted;
    std::vector<std::string> events;
    std::vector<std::string> statuses;
    std::vector<std::string> questions;  // every question's full text, in order
    std::vector<std::string> deleted;
    std::vector<std::string> saveReasons;  // the reason given with each save-failure question
    std::vector<std::string> passedOver;   // "path: reason"
    std::vector<std::string> warnings;     // "input -> output: warning; ... [original kept]"
    std::vector<FileResult> results;      // every input's result, in the order the job ended them
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

}  // namespace kyn::test
