// Output naming: where the converted copy of an input goes and how the job names things in its
// messages. String work on the platform's separators, and the plan of a whole job, which asks
// the file system which paths name the same file. Paths of any length are handled whole.
#pragma once

#include <cstddef>
#include <filesystem>
#include <string>
#include <vector>

namespace kyn {

#ifdef _WIN32
inline constexpr char kPathSeparator = '\\';
inline constexpr bool IsPathSeparator(char c) { return c == '\\' || c == '/'; }
#else
inline constexpr char kPathSeparator = '/';
inline constexpr bool IsPathSeparator(char c) { return c == '/'; }
#endif

// Index of the first character of the file name (0 when the path has no separator).
std::size_t NameStart(const std::string& path);

// Length of the stem: the path without its extension. The extension starts at the last '.' of
// the file name, provided no ',' follows it (a name ending in an Acorn file-type suffix such as
// ",FFA" has no extension of its own) and the dot is not the name's first character (".hidden"
// is a name, not an extension).
std::size_t StemLength(const std::string& path);

// Position of the comma that starts an Acorn file-type suffix (",FFA", ",001"): the last comma
// of the file name when it is not the name's first character; npos when there is none.
std::size_t AcornSuffixPosition(const std::string& path);

// True when both strings are equal or name the same existing file (a case-insensitive file
// system, a link, "./a" against "a").
bool SameFile(const std::string& a, const std::string& b);

struct NamingRules {
    int StripAcornFileTypes = 0;
    int SaveInPlace = 0;
    std::string OutputDirectory;  // empty: next to the input
};

struct OutputPlan {
    std::string outputPath;
    std::string directory;   // the input path before its last separator, "." for a bare name
    std::string inputName;   // the input's file name
    std::string outputName;  // the output's file name
    bool inPlace = false;    // the output is the input itself
};

// The output of one file of a job, and what the plan saw of the input and the output.
struct FilePlan {
    OutputPlan names;
    int duplicateOf = -1;      // the job index of an input met before that names the same file
    unsigned inputMode = 0;   // the file modes as stat() gave them when the job was planned; 0 for
    unsigned outputMode = 0;  // a name that did not exist then
};

// The outputs of a whole job, planned before anything is written. The name of each input is the
// first rule that applies:
//  - StripAcornFileTypes is 1 and the name ends in an Acorn suffix: the name before the suffix
//    followed by the extension;
//  - SaveInPlace is 1 (and StripAcornFileTypes is not): the input's own name;
//  - otherwise the stem followed by the extension.
// The output goes next to the input, or into OutputDirectory when one is given. Files are taken
// in the job's order (the last path first). An input naming the same file as one met before is a
// duplicate and gets no output of its own. Any other output that names an input of the job, or
// the output of a file met before, takes the next free numbered name: "x(2).dsa", "x(3).dsa", ...
// (so converting data.dsa to VarnixStore writes data(2).dsa). Only an in-place output names its
// own input.
//
// Two paths name the same file when the file system says so (links, "dir/..", a case-insensitive
// file system) where the file exists, and when they are equal made absolute and normal where it
// does not exist yet.
std::vector<FilePlan> PlanJobOutputs(const std::vector<std::filesystem::path>& inputs, const std::string& extension,
                                     const NamingRules& rules);

// The plan of a job of one file.
OutputPlan PlanOutput(const std::string& input, const std::string& extension, const NamingRules& rules);

}  // namespace kyn
