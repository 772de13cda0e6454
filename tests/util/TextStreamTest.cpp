// Text-mode files: what reaches the disk and what a reader sees. (A line feed after a carriage
// return becoming CR CR LF is in the VarnixStore golden file, written through the same stream.)
#include <gtest/gtest.h>

#include <string>

#include "TestSupport.h"
#include "util/TextStream.h"

namespace kyn::test {
namespace {

// A file on disk read through the text-mode translation, as the loader hands it to text readers.
struct TextFile {
    explicit TextFile(const std::string& path) { file.open(path, std::ios_base::in | std::ios_base::binary); }
    std::filebuf file;
    TextInBuf text{&file};
    std::istream in{&text};
};

TEST(TextOutput, LargeWritesCrossingTheBufferAreTranslatedWhole) {
    // Lines straddle the 64 KiB internal buffer many times over.
    TempDir dir;
    const std::string path = dir / "big.txt";
    std::string text, expected;
    for (int i = 0; i < 50000; ++i) {
        const std::string line = std::to_string(i * 7919);
        text += line + "\n";
        expected += line + "\r\n";
    }
    {
        TextOFStream out(path);
        out.write(text.data(), static_cast<std::streamsize>(text.size() / 2));
        for (std::size_t i = text.size() / 2; i < text.size(); ++i) out.put(text[i]);
    }
    EXPECT_EQ(ReadFile(path), expected);
}

TEST(TextInput, CrLfReadsAsLineFeedAndALoneCarriageReturnStays) {
    TempDir dir;
    // The second file has a CR LF pair exactly on the 64 KiB chunk boundary.
    const std::pair<std::string, std::string> cases[] = {
        {"one\r\ntwo\rthree\r\r\nend\r", "one\ntwo\rthree\r\nend\r"},
        {std::string(65535, 'x') + "\r\ny", std::string(65535, 'x') + "\ny"},
    };
    for (const auto& [bytes, text] : cases) {
        WriteFile(dir / "in.txt", bytes);
        TextFile f(dir / "in.txt");
        const std::string all((std::istreambuf_iterator<char>(f.in)), std::istreambuf_iterator<char>());
        EXPECT_EQ(all, text);
    }
}

TEST(TextInput, RewindingAndTellingWorkOnFilePositions) {
    TempDir dir;
    WriteFile(dir / "seek.txt", "ab\r\ncd\r\nef");
    TextFile f(dir / "seek.txt");
    std::istream& in = f.in;
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
}

}  // namespace
}  // namespace kyn::test
