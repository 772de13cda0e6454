// The format registry: the targets a conversion offers, and the fuzz build made from its readers.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <regex>
#include <set>
#include <sstream>

#include "formats/Registry.h"

namespace kyn::test {
namespace {

// Indices 0 to 6 in the order of the options dialog, each key and extension once, binary files
// for the binary formats.
TEST(Registry, TargetsAreTheDialogsChoicesInOrder) {
    const std::vector<const FormatInfo*> targets = TargetRows();
    ASSERT_EQ(targets.size(), 7u);
    std::set<std::string> keys;
    for (std::size_t i = 0; i < targets.size(); ++i) {
        EXPECT_EQ(targets[i]->target.index, static_cast<int>(i));
        EXPECT_TRUE(keys.insert(targets[i]->target.key).second) << targets[i]->target.key;
        EXPECT_NE(std::string(targets[i]->target.label), "");
    }
    EXPECT_EQ(std::string(targets[0]->target.key) + targets[1]->target.key + targets[2]->target.key, "dsxdsbdsa");
    for (const FormatInfo* f : Formats())
        EXPECT_EQ(f->mode == StreamMode::Binary, f->readsFrom == ReadsFrom::BinaryStream && f->write) << f->name;
}

// Every reader has a fuzz target built from fuzz/fuzz_reader.cpp, with seeds; nothing else does.
TEST(Registry, TheFuzzBuildHasATargetForEveryReader) {
    namespace fs = std::filesystem;
    const fs::path root(KYN_SOURCE_DIR);
    std::ifstream cmake(root / "fuzz/CMakeLists.txt");
    std::stringstream text;
    text << cmake.rdbuf();
    std::smatch m;
    const std::string all = text.str();
    ASSERT_TRUE(std::regex_search(all, m, std::regex(R"(set\(KYN_FUZZ_READERS ([a-z ]+)\))")));
    std::set<std::string> listed;
    std::istringstream names(m[1].str());
    for (std::string n; names >> n;) listed.insert(n);
    std::set<std::string> readers;
    for (const FormatInfo* f : Formats()) {
        EXPECT_EQ(f->read != nullptr, std::string(f->fuzzKey) != "") << f->name;
        if (!f->read) continue;
        readers.insert(f->fuzzKey);
        EXPECT_FALSE(fs::is_empty(root / "fuzz/corpus" / f->fuzzKey)) << f->fuzzKey;
    }
    EXPECT_EQ(listed, readers);
}

}  // namespace
}  // namespace kyn::test
