// Output names: stems, extensions, Acorn suffixes, in-place and the numbered name.
#include <gtest/gtest.h>


#include "conversion/OutputNaming.h"
#include "TestSupport.h"

namespace kyn::test {
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
    }
    // A bare input name is worked on in the current folder.
    EXPECT_EQ(PlanOutput("data.dsa", ".dsx", {}).directory, ".");
}

// The names of a whole job, planned before anything is written.
std::vector<std::string> Outputs(const std::vector<std::string>& inputs, const std::string& extension,
                                 const NamingRules& rules = {}) {
    std::vector<std::string> out;
    const std::vector<FilePlan> plans = PlanJobOutputs({inputs.begin(), inputs.end()}, extension, rules);
    for (const FilePlan& p : plans)
        out.push_back(p.duplicateOf >= 0 ? "duplicate of " + std::to_string(p.duplicateOf) : p.names.outputPath);
    return out;
}

TEST(OutputNaming, AnOutputNeverNamesAnInputOrAnotherOutputOfTheJob) {
    test::TempDir dir;
    const std::string d = dir.path().string() + "/";
    for (const char* name : {"m.dsb", "m.dsa", "m(2).dsa", "a.dsb"}) test::WriteFile(d + name, name);
    // m.dsb would write m.dsa, another input; m.dsa's own "(2)" name is an input too. The job
    // takes the last path first, so m(2).dsa is planned first and keeps the plain name.
    EXPECT_EQ(Outputs({d + "m.dsb", d + "m.dsa", d + "m(2).dsa"}, ".dsa"),
              (std::vector<std::string>{d + "m(4).dsa", d + "m(3).dsa", d + "m(2)(2).dsa"}));
    // Two inputs of one name from two folders into one output folder: numbered in the job's order.
    std::filesystem::create_directories(d + "a");
    std::filesystem::create_directories(d + "b");
    test::WriteFile(d + "a/x.dsb", "1");
    test::WriteFile(d + "b/x.dsb", "2");
    EXPECT_EQ(Outputs({d + "a/x.dsb", d + "b/x.dsb"}, ".dsa", {0, 0, d + "out"}),
              (std::vector<std::string>{d + "out/x(2).dsa", d + "out/x.dsa"}));
    // A file that exists but is no input keeps its name (the overwrite question decides).
    EXPECT_EQ(Outputs({d + "a.dsb"}, ".dsx"), (std::vector<std::string>{d + "a.dsx"}));
    // The same file named twice, through another spelling too: converted once.
    EXPECT_EQ(Outputs({d + "a.dsb", d + "./a.dsb", d + "b/../a.dsb"}, ".dsx"),
              (std::vector<std::string>{"duplicate of 2", "duplicate of 2", d + "b/../a.dsx"}));
    // In place, an output names its own input and nothing else. (Stripping Acorn suffixes turns
    // in-place off: the stripped name is numbered like any other.)
    EXPECT_EQ(Outputs({d + "m.dsa", d + "m.dsb"}, ".dsa", {0, 1, ""}), (std::vector<std::string>{d + "m.dsa", d + "m.dsb"}));
    test::WriteFile(d + "m,FFA", "acorn");
    EXPECT_EQ(Outputs({d + "m.dsa", d + "m,FFA"}, ".dsa", {1, 1, ""}),
              (std::vector<std::string>{d + "m(3).dsa", d + "m(2).dsa"}));
}

TEST(OutputNaming, SameFileThroughAnotherSpellingGetsTheNumberedName) {
    test::TempDir dir;
    test::WriteFile(dir / "data.dsa", "x");
    std::filesystem::create_directory_symlink(dir.path(), dir / "alias");
    const std::string viaAlias = dir / "alias/data.dsa";
    EXPECT_TRUE(SameFile(dir / "data.dsa", viaAlias));
    EXPECT_FALSE(SameFile(dir / "data.dsa", dir / "other.dsa"));
    EXPECT_EQ(PlanOutput(dir / "data.dsa", ".dsa", {0, 0, dir / "alias"}).outputName, "data(2).dsa");
    // A hard link to another input is that input.
    std::filesystem::create_hard_link(dir / "data.dsa", dir / "link.dsx");
    EXPECT_EQ(Outputs({dir / "data.dsa", dir / "link.dsx"}, ".dsx"),
              (std::vector<std::string>{"duplicate of 1", dir / "link(2).dsx"}));
}

}  // namespace
}  // namespace kyn::test
