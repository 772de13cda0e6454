// Hostile input: every reader, fed broken or malicious files, answers with one of the model's
// messages or a quiet refusal (Load returns false) - never a crash, a hang, an allocation sized by
// a count nobody checked, or an accepted DataStore whose value block does not match its axes.
//
// The files are made here: small valid files written by our own writers (the two foreign imports
// from their layouts), then cut at every byte, and every count in them replaced by -1, 0,
// 2^31-1 and one more than the bytes left. They are written into one folder and loaded by
// DataStore::Load in a child process whose address space may grow by a few MiB only.
#include <gtest/gtest.h>

#include <cctype>
#include <filesystem>
#include <set>
#include <string>
#include <vector>

#include "FormatTestUtil.h"
#include "datastore/DataStore.h"
#include "formats/JcampDx.h"
#include "hardening/ChildProcess.h"

namespace kyn::test {
namespace {

constexpr long long kMiB = 1 << 20;

// Every message a reader or the model may give for a broken file.
const std::set<std::string>& KnownMessages() {
    static const std::set<std::string> known = {
        msg::kFileCorrupt,      msg::kHistoryCorrupt, msg::kUnrecognised,     msg::kArrayOutOfBounds,
        msg::kDPointerIndex,    msg::kDimensionIndex, msg::kDPointerAlloc,    msg::kDPointerRealloc,
        msg::kDPointerCtorAlloc, "CSV is an export only format.\nIt cannot be imported.\n",
        "JCAMP-DX is an export only format.\nIt cannot be imported.\n"};
    return known;
}

// A known message, or the refusal of a file cut off inside its values.
bool IsKnownMessage(const std::string& m) {
    static const std::string cutOff = std::string(msg::kFileCorrupt) + "It ends after ";
    return KnownMessages().count(m) || m == msg::kNoValues || m.rfind(cutOff, 0) == 0;
}

enum class Outcome { Loaded, Refused, Message };

// Loads one file; a problem (an unknown exception, a broken model) is appended to `problems`.
Outcome LoadOne(const std::string& path, std::string* message, std::string& problems) {
    DataStore ds;
    ds.allowCaryImport = true;
    try {
        if (!ds.Load(path)) return Outcome::Refused;
    } catch (const KynError& e) {
        if (message) *message = e.what();
        if (!IsKnownMessage(e.what())) problems += path + ": unknown message '" + e.what() + "'\n";
        return Outcome::Message;
    } catch (const std::exception& e) {
        problems += path + ": " + typeid(e).name() + " '" + e.what() + "'\n";
        return Outcome::Message;
    }
    const std::int64_t n = ds.ValueCount();
    if (n < 0 || (ds.data.Count() != 0 && ds.data.Count() < n))
        problems += path + ": accepted with " + std::to_string(ds.data.Count()) + " values for " + std::to_string(n) + "\n";
    return Outcome::Loaded;
}

template <typename Writer>
std::string BinaryOf(Writer&& write) {
    std::ostringstream os(std::ios::binary);
    write(os);
    return os.str();
}

struct Sample {
    std::string name;
    std::string bytes;
    bool binary;
};

// One small valid file per readable format.
std::vector<Sample> ValidSamples() {
    DataStore spectrum = MakeStore("spectrum", {"cell 1 mm"}, {"Absorbance"}, {Dim("Wavelength", {400, 410, 420})},
                                   {0.1f, 0.2f, 0.15f}, {RawEntry("baseline")});
    DataStore melt = MakeStore("melt", {"r1", "r2"}, {"CircularDichroism"},
                               {Dim("Wavelength", {220, 210}), Dim("Temperature", {20, 40, 60})}, {1, 2, 3, 4, 5, 6},
                               {RawEntry("a"), RawEntry("b")});
    DataStore trace = MakeStore("trace", {}, {"Fluorescence"}, {Dim("Time", {0, 1, 2, 3}), Dim("Wavelength", {280.5f})},
                                {4, 3, 2, 1}, {});
    DataStore kinetic = MakeStore("sk", {"x"}, {"Absorbance"}, {Dim("Wavelength", {300, 310, 320}), Dim("Time", {0, 5})},
                                  {1, 2, 3, 4, 5, 6}, {});
    return {
        {"melt.dsx", BinaryOf([&](std::ostream& os) { DataStore(melt).WriteVarnixBinaryX(os); }), true},
        {"melt.dsb", BinaryOf([&](std::ostream& os) { DataStore(melt).WriteVarnixBinary(os); }), true},
        {"melt.dsa", OnDisk([&](std::ostream& os) { DataStore(melt).WriteVarnixStore(os); }), false},
        {"spectrum.jdx", OnDisk([&](std::ostream& os) { JcampDxExporter(spectrum).Write(os); }), false},
        {"trace.glb", OnDisk([&](std::ostream& os) { trace.WriteKynAscii(os, 0); }), false},
        {"sk.glb", OnDisk([&](std::ostream& os) { kinetic.WriteSpectraKinetic(os); }), false},
        {"import.txt", "ASCII\r\n3\r\n400 0.1\r\n410 0.2\r\n420 0.15\r\n", false},
        {"cary.csv", "s1,,s2\r\nWavelength (nm),Abs\r\n400,0.1\r\n401,0.2\r\n\r\nMethod,x\r\n", false},
    };
}

// The hostile variants of one valid file: every truncation, and every count replaced.
std::vector<std::string> Variants(const Sample& s) {
    std::vector<std::string> v;
    for (std::size_t cut = 0; cut < s.bytes.size(); ++cut) v.push_back(s.bytes.substr(0, cut));
    if (s.binary) {
        // Counts sit at no fixed place: try every position.
        for (std::size_t at = 0; at + 4 <= s.bytes.size(); ++at) {
            const auto left = static_cast<std::uint32_t>(s.bytes.size() - at - 4);
            for (std::uint32_t value : {0xffffffffu, 0u, 0x7fffffffu, left + 1}) {
                std::string m = s.bytes;
                m.replace(at, 4, Bytes().U32(value).str());
                v.push_back(m);
            }
        }
    } else {
        // Every whole decimal integer in the text.
        for (std::size_t at = 0; at < s.bytes.size(); ++at) {
            if (!std::isdigit(static_cast<unsigned char>(s.bytes[at]))) continue;
            if (at > 0 && (std::isalnum(static_cast<unsigned char>(s.bytes[at - 1])) || s.bytes[at - 1] == '.')) continue;
            std::size_t end = at;
            while (end < s.bytes.size() && std::isdigit(static_cast<unsigned char>(s.bytes[end]))) ++end;
            if (end < s.bytes.size() && (s.bytes[end] == '.' || s.bytes[end] == 'e' || s.bytes[end] == 'E')) continue;
            const std::string left = std::to_string(s.bytes.size() - end + 1);
            for (const std::string value : {"-1", "0", "2147483647", left.c_str()}) {
                std::string m = s.bytes;
                m.replace(at, end - at, value);
                v.push_back(m);
            }
        }
    }
    return v;
}

TEST(HostileInput, EveryTruncationAndEveryHostileCountGivesAMessageOrAQuietRefusal) {
    TempDir dir;
    std::vector<std::string> paths;
    for (const Sample& s : ValidSamples()) {
        // The valid file itself loads: the variants start from something the reader accepts.
        WriteFile(dir / s.name, s.bytes);
        std::string problems;
        ASSERT_EQ(LoadOne(dir / s.name, nullptr, problems), Outcome::Loaded) << s.name << problems;
        int k = 0;
        for (const std::string& bytes : Variants(s)) {
            paths.push_back(dir / (s.name + "." + std::to_string(k++)));
            WriteFile(paths.back(), bytes);
        }
    }
    ASSERT_GT(paths.size(), 3000u);

    const ChildResult r = RunInChild([&] {
        LimitAddressSpace(32 * kMiB);
        std::string problems;
        for (const auto& p : paths) LoadOne(p, nullptr, problems);
        std::fputs(problems.c_str(), stderr);
        return problems.empty() ? 0 : 1;
    });
    EXPECT_TRUE(r.Ok()) << r;
}

// 64-byte-class files that declare 2^31-1 of something: refused with the format's message (or
// quietly, where the format reports a bad count by a failed stream) within a few MiB. A count of 0
// is an ordinary value: no undefined behaviour, no value block read from nowhere.
TEST(HostileInput, HugeAndZeroCountsInTinyFiles) {
    const std::uint32_t huge = 0x7fffffff;
    const auto dsb = [](std::uint32_t p, std::uint32_t n, std::uint32_t steps, std::uint32_t bytes) {
        return Bytes().Raw("VarnixBinary\n").Text("t").I32(0).U32(p).Text("A").U32(n).Text("X").U32(steps)
            .U32(0).U32(bytes).str();
    };
    const auto dsxHead = [] {
        return Bytes().Raw("VarnixBinaryX\n").Text("t").U8(1).U8(1).Text("").Text("").Text("").U8(1).U8(1)
            .Text("").Text("");
    };
    const auto dsx = [&](std::uint32_t m, std::uint32_t lists, std::uint32_t options, std::uint32_t p,
                         std::uint32_t steps, std::uint32_t bytes, std::uint32_t history) {
        Bytes b = dsxHead();
        b.I32(0).U32(m).I32(0).U32(0).U32(0).U32(lists).I32(0);  // view state of one dimension
        b.I32(0).U32(options).U32(p).Text("A").I32(1).Text("X").U32(steps).U32(0).U32(bytes).U32(0).U32(history);
        return b.str();
    };
    static const std::string oneOfHuge = msg::EndsEarly(1, huge);
    const char* kOneOfHuge = oneOfHuge.c_str();
    struct Case {
        const char* what;
        std::string bytes;
        const char* message;  // "" for a quiet refusal, nullptr for a file that loads
    };
    const std::vector<Case> cases = {
        {"dsb property count", dsb(huge, 1, 1, 4), ""},
        {"dsb dimension count", dsb(1, huge, 1, 4), ""},
        {"dsb axis count", dsb(1, 1, huge, 4), msg::kFileCorrupt},
        {"dsb data byte count", dsb(1, 1, 1, huge), ""},
        {"dsx view dimensions", dsx(huge, 1, 0, 1, 1, 4, 0), msg::kFileCorrupt},
        {"dsx marker lists", dsx(1, huge, 0, 1, 1, 4, 0), msg::kFileCorrupt},
        {"dsx keyed options", dsx(1, 1, huge, 1, 1, 4, 0), msg::kFileCorrupt},
        {"dsx property count", dsx(1, 1, 0, huge, 1, 4, 0), msg::kFileCorrupt},
        {"dsx axis count", dsx(1, 1, 0, 1, huge, 4, 0), msg::kFileCorrupt},
        {"dsx data byte count", dsx(1, 1, 0, 1, 1, huge, 0), msg::kFileCorrupt},
        {"dsx history count", dsx(1, 1, 0, 1, 1, 4, huge), msg::kHistoryCorrupt},
        {"dsa remark count", "VarnixStore\r\nt\r\nRemarks:\r\n2147483647\r\nr\r\n0\r\n", msg::kFileCorrupt},
        {"dsa dimension count", "VarnixStore\r\nt\r\nRemarks:\r\n0\r\n0\r\nProperties:\r\n1\r\nA\r\nDimensions:\r\n2147483647\r\n",
         msg::kFileCorrupt},
        {"dsa axis count", "VarnixStore\r\nt\r\nRemarks:\r\n0\r\n0\r\nProperties:\r\n1\r\nA\r\nDimensions:\r\n1\r\nX\r\n2147483647\r\n1\r\n",
         msg::kFileCorrupt},
        {"ASCII point count", "ASCII\r\n2147483647\r\n400 0.1\r\n", kOneOfHuge},
        {"JCAMP point count", "##TITLE=t\r\n##JCAMP-DX=5.0\r\n##NPOINTS=2147483647\r\n##XYDATA=(X++(Y..Y))\r\n1 2\r\n", kOneOfHuge},
        {"KYN-ASCII point count", "KYN-ASCII\r\nINFO>cp_wl_280nm_tp_0_tm_0\r\n2147483647\r\n0\t1\r\n", kOneOfHuge},
        {"spectrakinetic counts",
         "KYN-ASCII-SPECTRAKINETIC\r\nTYPE>DATA_A\r\n%\r\n%\r\n/\r\nN_spec: 2147483647\r\nN_lam: 2147483647\r\nTimes:\r\n0\r\n",
         msg::kFileCorrupt},
        // No dimensions: one property holds a single value ...
        {"dsb no dimensions", Bytes().Raw("VarnixBinary\n").Text("t").I32(0).I32(1).Text("A").I32(0).I32(4).U32(0).I32(0).str(),
         nullptr},
        // ... and a data byte count of 0 for it is too short a block.
        {"dsb no data bytes", Bytes().Raw("VarnixBinary\n").Text("t").I32(0).I32(1).Text("A").I32(0).I32(0).I32(0).str(),
         msg::kDPointerIndex},
        // An axis without steps leaves no values: nothing a conversion could carry.
        {"dsb axis without steps",
         Bytes().Raw("VarnixBinary\n").Text("t").I32(0).I32(1).Text("A").I32(1).Text("X").I32(0).I32(0).I32(1).Text("h").str(),
         msg::kNoValues},
        {"ASCII no points", "ASCII\r\n0\r\n", ""},
        {"JCAMP no points", "##TITLE=t\r\n##JCAMP-DX=5.0\r\n##NPOINTS=0\r\n##XYDATA=(X++(Y..Y))\r\n", msg::kFileCorrupt},
        {"KYN-ASCII no points",
         "KYN-ASCII\r\nINFO>cp_wl_280nm_tp_0_tm_0\r\n0\r\n\r\n0\r\n0\r\n0\r\n0\r\nTime\r\nA\r\n\r\n\r\n\r\n\r\nt\r\nx\r\n",
         msg::kNoValues},
        {"spectrakinetic no spectra",
         "KYN-ASCII-SPECTRAKINETIC\r\nTYPE>DATA_A\r\n%\r\n%\r\n/\r\nN_spec: 0\r\nN_lam: 0\r\nTimes:\r\nLambda:\r\nData:\r\n",
         msg::kNoValues},
    };
    TempDir dir;
    for (std::size_t i = 0; i < cases.size(); ++i) WriteFile(dir / std::to_string(i), cases[i].bytes);
    const ChildResult r = RunInChild([&] {
        LimitAddressSpace(8 * kMiB);
        int wrong = 0;
        for (std::size_t i = 0; i < cases.size(); ++i) {
            std::string message, problems;
            const Outcome o = LoadOne(dir / std::to_string(i), &message, problems);
            const char* expected = cases[i].message;
            const bool right = problems.empty() && (!expected    ? o == Outcome::Loaded
                                                    : *expected ? message == expected
                                                                : o == Outcome::Refused);
            if (!right) {
                ++wrong;
                std::fprintf(stderr, "%s: outcome %d message '%s' %s\n", cases[i].what, static_cast<int>(o),
                             message.c_str(), problems.c_str());
            }
        }
        return wrong;
    });
    EXPECT_TRUE(r.Ok()) << r;
}

}  // namespace
}  // namespace kyn::test
