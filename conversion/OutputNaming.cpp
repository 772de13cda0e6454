#include "conversion/OutputNaming.h"

#include <sys/stat.h>

#include <algorithm>
#include <system_error>
#include <unordered_map>
#include <unordered_set>

namespace kyn {

namespace fs = std::filesystem;

std::size_t NameStart(const std::string& path) {
    for (std::size_t i = path.size(); i > 0; --i)
        if (IsPathSeparator(path[i - 1])) return i;
    return 0;
}

std::size_t StemLength(const std::string& path) {
    const std::size_t start = NameStart(path);
    for (std::size_t i = path.size(); i > start; --i) {
        const char c = path[i - 1];
        if (c == ',') break;
        if (c == '.') return i - 1 > start ? i - 1 : path.size();
    }
    return path.size();
}

std::size_t AcornSuffixPosition(const std::string& path) {
    const std::size_t start = NameStart(path);
    for (std::size_t i = path.size(); i > start; --i)
        if (path[i - 1] == ',') return i - 1 > start ? i - 1 : std::string::npos;
    return std::string::npos;
}

bool SameFile(const std::string& a, const std::string& b) {
    if (a == b) return true;
    std::error_code ec;
    const bool same = std::filesystem::equivalent(a, b, ec);
    return !ec && same;
}

namespace {

// The name of one output before any clash is looked at: its folder, its name without the
// extension and the extension, numbered as folder + base + "(k)" + extension.
struct NameParts {
    OutputPlan plan;
    std::string folder;
    std::string base;
    std::string extension;

    std::string Numbered(int k) const { return base + "(" + std::to_string(k) + ")" + extension; }
};

NameParts NameFor(const std::string& input, const std::string& extension, const NamingRules& rules) {
    NameParts parts;
    OutputPlan& plan = parts.plan;
    const std::size_t nameStart = NameStart(input);
    // A bare name lives in the current folder.
    plan.directory = nameStart > 0 ? input.substr(0, nameStart - 1) : std::string(".");
    plan.inputName = input.substr(nameStart);

    parts.folder = input.substr(0, nameStart);
    if (!rules.OutputDirectory.empty()) {
        parts.folder = rules.OutputDirectory;
        if (!IsPathSeparator(parts.folder.back())) parts.folder += kPathSeparator;
    }
    const std::size_t comma = AcornSuffixPosition(input);
    if (rules.StripAcornFileTypes == 1 && comma != std::string::npos) {
        parts.base = input.substr(nameStart, comma - nameStart);
        parts.extension = extension;
    } else if (rules.SaveInPlace == 1 && rules.StripAcornFileTypes != 1) {
        parts.base = plan.inputName;
        plan.inPlace = rules.OutputDirectory.empty();
    } else {
        parts.base = input.substr(nameStart, StemLength(input) - nameStart);
        parts.extension = extension;
    }
    plan.outputName = parts.base + parts.extension;
    plan.outputPath = parts.folder + plan.outputName;
    return parts;
}

// Whether a '/'-separated path has a component that normalising would change: an empty one
// (a doubled or trailing separator), "." or "..".
bool NeedsNormalising(const std::string& path) {
    if constexpr (fs::path::preferred_separator != '/') return true;  // other separators: the library decides
    std::size_t start = path.empty() || path[0] != '/' ? 0 : 1;
    for (;;) {
        const std::size_t end = std::min(path.find('/', start), path.size());
        const std::size_t length = end - start;
        if (length == 0 || (length == 1 && path[start] == '.') ||
            (length == 2 && path[start] == '.' && path[start + 1] == '.'))
            return true;
        if (end == path.size()) return false;
        start = end + 1;
    }
}

// What tells files apart: the device and inode of an existing file, otherwise the path made
// absolute (against `cwd`, looked up once for the whole job) and normal. Most paths of a batch
// are normal already and only get the folder in front.
class FileKeys {
public:
    FileKeys() {
        std::error_code ec;
        cwd_ = fs::current_path(ec).string();
    }

    // The key of `path`; `mode` gets the file's mode, 0 when it does not exist.
    std::string Of(const std::string& path, unsigned* mode = nullptr) const {
        struct stat st {};
        const bool exists = ::stat(path.c_str(), &st) == 0;
        if (mode) *mode = exists ? st.st_mode : 0;
        if (exists) {
            std::string key(1, 'f');
            key += std::to_string(st.st_dev);
            key += ':';
            key += std::to_string(st.st_ino);
            return key;
        }
        std::string full = path;
        if (!cwd_.empty() && (path.empty() || !IsPathSeparator(path[0]))) full = cwd_ + kPathSeparator + path;
        if (NeedsNormalising(full)) full = fs::path(full).lexically_normal().string();
        return "p" + full;
    }

private:
    std::string cwd_;
};

}  // namespace

std::vector<FilePlan> PlanJobOutputs(const std::vector<fs::path>& inputs, const std::string& extension,
                                     const NamingRules& rules) {
    const int n = static_cast<int>(inputs.size());
    std::vector<FilePlan> plans(static_cast<std::size_t>(n));
    const FileKeys keys;
    // Every input of the job is taken from the start: no output may name one.
    std::unordered_set<std::string> taken;
    std::unordered_map<std::string, int> firstInput;
    taken.reserve(static_cast<std::size_t>(n) * 2);
    std::vector<std::string> inputKeys(static_cast<std::size_t>(n));
    for (int i = n - 1; i >= 0; --i) {
        const std::size_t u = static_cast<std::size_t>(i);
        inputKeys[u] = keys.Of(inputs[u].string(), &plans[u].inputMode);
        taken.insert(inputKeys[u]);
        const auto [it, fresh] = firstInput.emplace(inputKeys[u], i);
        if (!fresh) plans[u].duplicateOf = it->second;
    }
    for (int i = n - 1; i >= 0; --i) {
        FilePlan& file = plans[static_cast<std::size_t>(i)];
        if (file.duplicateOf >= 0) continue;
        const NameParts parts = NameFor(inputs[static_cast<std::size_t>(i)].string(), extension, rules);
        file.names = parts.plan;
        if (parts.plan.inPlace) {  // its own input, which is taken already
            file.outputMode = file.inputMode;
            continue;
        }
        std::string key = keys.Of(file.names.outputPath, &file.outputMode);
        for (int k = 2; taken.count(key) != 0; ++k) {
            file.names.outputName = parts.Numbered(k);
            file.names.outputPath = parts.folder + file.names.outputName;
            key = keys.Of(file.names.outputPath, &file.outputMode);
        }
        taken.insert(key);
    }
    return plans;
}

OutputPlan PlanOutput(const std::string& input, const std::string& extension, const NamingRules& rules) {
    return PlanJobOutputs({fs::path(input)}, extension, rules).front().names;
}

}  // namespace kyn
