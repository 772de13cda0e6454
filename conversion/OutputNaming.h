// Output naming: where the converted copy of an input goes and how the job names things in its
// messages. Pure string work on the platform's separators, plus one file-system question (do two
// paths name the same file). Paths of any length are handled whole.
#pragma once

#include <cstddef>
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
};

// The output path for `input` with the target extension `extension`, by the first rule that
// applies:
//  - StripAcornFileTypes is 1 and the name ends in an Acorn suffix: the name before the suffix
//    followed by the extension;
//  - SaveInPlace is 1 (and StripAcornFileTypes is not): the input's own name;
//  - otherwise the stem followed by the extension, and when SaveInPlace is 0 and that names the
//    input file itself, the stem followed by "(2)" and the extension.
// The output goes next to the input, or into OutputDirectory when one is given.
OutputPlan PlanOutput(const std::string& input, const std::string& extension, const NamingRules& rules);

// Every path PlanOutput may give for `input`, worked out from the names alone (no file-system
// look-up): the plain output path, and the "(2)" one where that could apply.
std::vector<std::string> PossibleOutputPaths(const std::string& input, const std::string& extension,
                                             const NamingRules& rules);

}  // namespace kyn
