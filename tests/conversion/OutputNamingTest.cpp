// Output names: stems, extensions, Acorn suffixes, in-place and the numbered name.
#include <gtest/gtest.h>

#include <algorithm>

#include "conversion/OutputNaming.h"
#include "TestSupport.h"

namespace kyn {
namespace {

struct NamingCase {
    std::string input;
    std::string extension;
    int acorn;
    int inPlace;
    std::string output;
    std::string outputDirectory = "";
};

TEST(OutputNaming, RulesInOrder) {
    const std::vector<NamingCase> cases = {
        {"/d/data.dsa", ".dsa", 0, 0, "/d/data(2).dsa"},
        {"/d/data.dsa", ".dsb", 0, 0, "/d/data.dsb"},
        {"/d/Lys_B,FFA", ".csv", 1, 0, "/d/Lys_B.csv"},
        {"/d/Lys_B,FFA", ".csv", 0, 0, "/d/Lys_B,FFA.csv"},
        {"/d/data.x,FFA", ".csv", 0, 0, "/d/data.x,FFA.csv"},
        {"/d/data.x,FFA", ".csv", 1, 0, "/d/data.x.csv"},
        {"/old.set/data", ".dsa", 0, 0, "/old.set/data.dsa"},  // a dot in a folder is no extension
        {"/d/a.b.c", ".txt", 0, 0, "/d/a.b.txt"},
        {"/d/.hidden", ".dsa", 0, 0, "/d/.hidden.dsa"},       // a leading dot is part of the name
        {"/d/,FFA", ".csv", 1, 0, "/d/,FFA.csv"},              // so is a leading comma
        {"data.dsa", ".dsx", 0, 0, "data.dsx"},                // no folder at all
        {"/d/data.dsa", ".dsx", 0, 1, "/d/data.dsa"},          // in place: the input itself
        {"/d/data", ".dsa", 1, 1, "/d/data.dsa"},              // Acorn on without a suffix: stem rule
        {"/d/Lys_B,FFA", ".dsx", 1, 1, "/d/Lys_B.dsx"},        // Acorn rule comes before in-place
        {"/d/x.dsa\\y", ".dsx", 0, 0, "/d/x.dsx"},             // '\' is an ordinary character here
        {"/in/data.dsa", ".dsa", 0, 0, "/out/data.dsa", "/out"},  // an output folder keeps the name
        {"/in/data.dsa", ".dsa", 0, 0, "/out/data.dsa", "/out/"},
        {"data", ".csv", 0, 1, "out/data", "out"},
        // long names are kept whole
        {"/" + std::string(3000, 'f') + "/" + std::string(300, 'n') + ",FFA", ".csv", 1, 0,
         "/" + std::string(3000, 'f') + "/" + std::string(300, 'n') + ".csv"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.input + " " + c.extension);
        const OutputPlan plan = PlanOutput(c.input, c.extension, {c.acorn, c.inPlace, c.outputDirectory});
        EXPECT_EQ(plan.outputPath, c.output);
        // The parallel job groups files by the names they may get, before looking at any file.
        const std::vector<std::string> possible =
            PossibleOutputPaths(c.input, c.extension, {c.acorn, c.inPlace, c.outputDirectory});
        EXPECT_NE(std::find(possible.begin(), possible.end(), c.output), possible.end());
    }
    // A bare input name is worked on in the current folder.
    EXPECT_EQ(PlanOutput("data.dsa", ".dsx", {}).directory, ".");
}

TEST(OutputNaming, SameFileThroughAnotherSpellingGetsTheNumberedName) {
    test::TempDir dir;
    test::WriteFile(dir / "data.dsa", "x");
    std::filesystem::create_directory_symlink(dir.path(), dir / "alias");
    const std::string viaAlias = dir / "alias/data.dsa";
    EXPECT_TRUE(SameFile(dir / "data.dsa", viaAlias));
    EXPECT_FALSE(SameFile(dir / "data.dsa", dir / "other.dsa"));
    EXPECT_EQ(PlanOutput(dir / "data.dsa", ".dsa", {0, 0, dir / "alias"}).outputName, "data(2).dsa");
    EXPECT_EQ(PossibleOutputPaths(dir / "data.dsa", ".dsa", {0, 0, dir / "alias"}),
              (std::vector<std::string>{dir / "alias/data.dsa", dir / "alias/data(2).dsa"}));
}

}  // namespace
}  // namespace kyn
