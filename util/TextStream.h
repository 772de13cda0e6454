// Text-mode streams: the files of the text formats carry CR LF line ends on every platform.
//
// Writing turns every "\n" into "\r\n" (also a "\n" already preceded by "\r", so a text holding
// "\r\n" reaches the disk as "\r\r\n"); reading turns every "\r\n" into "\n" and leaves a lone
// "\r" alone. Both buffers sit on top of any other stream buffer (normally a binary
// std::filebuf) and move data in large chunks.
#pragma once

#include <fstream>
#include <istream>
#include <ostream>
#include <streambuf>
#include <string>
#include <vector>

#include "util/Buffer.h"

namespace kyn {

class TextOutBuf : public std::streambuf {
public:
    explicit TextOutBuf(std::streambuf* sink, std::size_t bufferSize = 1 << 16);
    ~TextOutBuf() override;
    TextOutBuf(const TextOutBuf&) = delete;
    TextOutBuf& operator=(const TextOutBuf&) = delete;

    // Text whose line ends are CR LF already (made by a writer that formats lines elsewhere),
    // after what is buffered: handed to the file as it is. False when the file refused it.
    bool WriteTranslated(const char* s, std::streamsize n);

protected:
    int_type overflow(int_type ch) override;
    std::streamsize xsputn(const char* s, std::streamsize n) override;
    int sync() override;

private:
    bool FlushBuffer();
    std::streambuf* sink_;
    CharBuffer buffer_;
    CharBuffer translated_;
};

class TextInBuf : public std::streambuf {
public:
    explicit TextInBuf(std::streambuf* source, std::size_t bufferSize = 1 << 16);
    TextInBuf(const TextInBuf&) = delete;
    TextInBuf& operator=(const TextInBuf&) = delete;

protected:
    int_type underflow() override;
    pos_type seekoff(off_type off, std::ios_base::seekdir dir, std::ios_base::openmode which) override;
    pos_type seekpos(pos_type pos, std::ios_base::openmode which) override;
    std::streamsize showmanyc() override;

private:
    std::streambuf* source_;
    CharBuffer raw_;
    CharBuffer buffer_;
    // Offsets in buffer_ of the line feeds whose carriage return was dropped, so that a position
    // inside the buffer maps back to a position in the underlying file.
    std::vector<std::size_t> droppedCr_;
    std::streamoff bufferStart_ = 0;  // underlying position of buffer_[0]
    std::streamoff rawPos_ = 0;       // underlying position of the next byte to fetch
    bool pendingCr_ = false;          // a '\r' ended the last chunk; its partner is not known yet
};

// An output file written in text mode. Opening truncates; failures show in the stream state.
class TextOFStream : public std::ostream {
public:
    TextOFStream();
    explicit TextOFStream(const std::string& path);
    ~TextOFStream() override;
    // `mode` is the file's open mode besides binary: out | trunc creates or empties the file;
    // out | in writes into an existing file without truncating it.
    void open(const std::string& path, std::ios_base::openmode mode = std::ios_base::out | std::ios_base::trunc);
    bool is_open() const { return file_.is_open(); }
    // Flushes the translation buffer and closes the file; sets failbit when either fails.
    void close();

private:
    std::filebuf file_;
    TextOutBuf text_;
};

}  // namespace kyn
