#include "conversion/OutputNaming.h"

#include <filesystem>
#include <system_error>

namespace kyn {

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

// The output names for `input`. With `lookUp`, the one file-system query decides whether the
// plain output would name the input file itself (then the "(2)" name is used); the "(2)" name,
// where it could apply, is also returned in `twinName`.
OutputPlan PlanNames(const std::string& input, const std::string& extension, const NamingRules& rules, bool lookUp,
                     std::string* twinName) {
    OutputPlan plan;
    const std::size_t nameStart = NameStart(input);
    // A bare name lives in the current folder.
    plan.directory = nameStart > 0 ? input.substr(0, nameStart - 1) : std::string(".");
    plan.inputName = input.substr(nameStart);

    std::string outputDir = input.substr(0, nameStart);
    if (!rules.OutputDirectory.empty()) {
        outputDir = rules.OutputDirectory;
        if (!IsPathSeparator(outputDir.back())) outputDir += kPathSeparator;
    }

    const std::size_t comma = AcornSuffixPosition(input);
    if (rules.StripAcornFileTypes == 1 && comma != std::string::npos) {
        plan.outputName = input.substr(nameStart, comma - nameStart) + extension;
    } else if (rules.SaveInPlace == 1 && rules.StripAcornFileTypes != 1) {
        plan.outputName = plan.inputName;
    } else {
        const std::string stem = input.substr(nameStart, StemLength(input) - nameStart);
        plan.outputName = stem + extension;
        if (rules.SaveInPlace == 0) {
            if (twinName) *twinName = outputDir + stem + "(2)" + extension;
            if (lookUp && SameFile(outputDir + plan.outputName, input)) plan.outputName = stem + "(2)" + extension;
        }
    }
    plan.outputPath = outputDir + plan.outputName;
    return plan;
}

}  // namespace

OutputPlan PlanOutput(const std::string& input, const std::string& extension, const NamingRules& rules) {
    return PlanNames(input, extension, rules, true, nullptr);
}

std::vector<std::string> PossibleOutputPaths(const std::string& input, const std::string& extension,
                                             const NamingRules& rules) {
    std::string twin;
    std::vector<std::string> paths{PlanNames(input, extension, rules, false, &twin).outputPath};
    if (!twin.empty()) paths.push_back(twin);
    return paths;
}

}  // namespace kyn
