// Text-mode files: what reaches the disk and what a reader sees.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "util/TextStream.h"

namespace {

std::string TempPath(const std::string& name) {
    return (std::filesystem::temp_directory_path() / ("kyn_textstream_" + name)).string();
}

std::string ReadBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

void WriteBytes(const std::string& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary);
    out << bytes;
}

TEST(TextOutput, EveryLineFeedBecomesCrLfEvenAfterACarriageReturn) {
    const std::string path = TempPath("out.txt");
    {
        kyn::TextOFStream out(path);
        out << "VarnixStore\n" << "a\r\nb" << '\n' << "\r";
        out.close();
        EXPECT_TRUE(out.good());
    }
    EXPECT_EQ(ReadBytes(path), "VarnixStore\r\na\r\r\nb\r\n\r");
    std::filesystem::remove(path);
}

TEST(TextOutput, LargeWritesCrossingTheBufferAreTranslatedWhole) {
    // Lines straddle the 64 KiB internal buffer many times over.
    const std::string path = TempPath("big.txt");
    std::string text, expected;
    for (int i = 0; i < 50000; ++i) {
        const std::string line = std::to_string(i * 7919);
        text += line + "\n";
        expected += line + "\r\n";
    }
    {
        kyn::TextOFStream out(path);
        out.write(text.data(), static_cast<std::streamsize>(text.size() / 2));
        for (std::size_t i = text.size() / 2; i < text.size(); ++i) out.put(text[i]);
    }
    EXPECT_EQ(ReadBytes(path), expected);
    std::filesystem::remove(path);
}

TEST(TextOutput, OpeningAFileInAMissingDirectoryFails) {
    kyn::TextOFStream out("/nonexistent-dir-kyn/x.txt");
    EXPECT_TRUE(out.fail());
}

TEST(TextInput, CrLfReadsAsLineFeedAndALoneCarriageReturnStays) {
    const std::string path = TempPath("in.txt");
    WriteBytes(path, "one\r\ntwo\rthree\r\r\nend\r");
    kyn::TextIFStream in(path);
    std::ostringstream ss;
    ss << in.rdbuf();
    EXPECT_EQ(ss.str(), "one\ntwo\rthree\r\nend\r");
    std::filesystem::remove(path);
}

TEST(TextInput, CrLfSplitAcrossTheReadBufferIsStillJoined) {
    // Place a CR LF pair exactly on the 64 KiB chunk boundary.
    const std::string path = TempPath("split.txt");
    std::string bytes(65535, 'x');
    bytes += "\r\ny";
    WriteBytes(path, bytes);
    kyn::TextIFStream in(path);
    std::string all((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_EQ(all, std::string(65535, 'x') + "\ny");
    std::filesystem::remove(path);
}

TEST(TextInput, RewindingAndTellingWorkOnFilePositions) {
    const std::string path = TempPath("seek.txt");
    WriteBytes(path, "ab\r\ncd\r\nef");
    kyn::TextIFStream in(path);
    std::string line;
    std::getline(in, line);
    EXPECT_EQ(line, "ab");
    EXPECT_EQ(static_cast<long long>(in.tellg()), 4);  // past the CR LF on disk
    std::getline(in, line);
    EXPECT_EQ(line, "cd");
    in.clear();
    in.seekg(0);
    std::getline(in, line);
    EXPECT_EQ(line, "ab");
    in.seekg(4);
    std::getline(in, line);
    EXPECT_EQ(line, "cd");
    std::filesystem::remove(path);
}

}  // namespace
