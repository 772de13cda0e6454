// A job fixture with a fake loader (the file's bytes become the title) and a target table whose
// writers write that title, so that every output can be traced back to its input.
#pragma once

#include <functional>
#include <map>

#include "conversion/ConversionJob.h"
#include "datastore/DataStore.h"
#include "RecordingPlatform.h"

namespace kyn::test {

class JobTest : public ::testing::Test {
protected:
    JobTest() {
        for (const auto& real : TargetFormats()) {
            TargetFormat t = real;
            t.write = [this](DataStore& ds, std::ostream& os, const WriterOptions& o) {
                if (o.losses) o.losses->insert(o.losses->end(), losses.begin(), losses.end());
                if (writer) return writer(ds, os);
                os << "out:" << ds.title << "\n";
            };
            table.push_back(t);
        }
        formats.targets = &table;
        formats.load = [this](DataStore& ds, const std::string& path) {
            loads.push_back(path);
            if (loader) return loader(ds, path);
            ds.title = ReadFile(path);
            return true;
        };
    }

    std::string In(const std::string& name, const std::string& content = "") {
        const std::string path = dir / name;
        WriteFile(path, content.empty() ? name : content);
        return path;
    }

    // f0.dsa .. f<n-1>.dsa holding v0 .. v<n-1>.
    std::vector<std::string> Inputs(int n) {
        std::vector<std::string> in;
        for (int k = 0; k < n; ++k) in.push_back(In("f" + std::to_string(k) + ".dsa", "v" + std::to_string(k)));
        return in;
    }

    JobOutcome Run(std::vector<std::string> inputs) {
        job.paths.assign(inputs.begin(), inputs.end());
        return RunConversionJob(job, platform, formats);
    }

    TempDir dir;
    RecordingPlatform platform;
    ConversionJob job;
    TargetTable table;
    JobFormats formats;
    std::vector<std::string> loads;
    // Optional replacements for the default fake loader and writer.
    std::function<bool(DataStore&, const std::string&)> loader;
    std::function<void(DataStore&, std::ostream&)> writer;
    // What the writers note as lost (an export that could not carry everything).
    std::vector<std::string> losses;
};

}  // namespace kyn::test
