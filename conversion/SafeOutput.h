// SafeOutputFile: an output that appears under its name only once it is complete.
//
// The data go to a fresh temporary file in the target's directory, named after the target
// (".NAME.unfinished-conversion-1a2b3c4d.tmp", so that one left behind by a killed process says
// what it is). Close checks that the stream is still good after the writer, flushing and closing;
// Commit then renames the temporary to the target. Anything that fails removes the temporary, so
// an existing target (in in-place conversion: the input itself) stays exactly as it was. A
// replaced file keeps its permission bits.
//
// Commit replaces an existing target only when told it may (the user chose to overwrite). When it
// may not, a target that appeared after the job looked for it is never replaced: the rename
// itself refuses to (renameat2 with RENAME_NOREPLACE, or a hard link, where the system has them),
// and Commit answers TargetExists with the temporary kept, so that the caller can ask and then
// commit again or discard.
//
// Every temporary that exists is listed where a signal handler can reach it:
// RemoveTemporaryFiles() removes them all using only async-signal-safe calls.
#pragma once

#include <fstream>
#include <ostream>
#include <string>

#include "conversion/TargetFormat.h"
#include "util/TextStream.h"

namespace kyn {

class SafeOutputFile {
public:
    enum class CommitResult { Committed, TargetExists, Failed };

    SafeOutputFile() = default;
    SafeOutputFile(const SafeOutputFile&) = delete;
    SafeOutputFile& operator=(const SafeOutputFile&) = delete;
    ~SafeOutputFile();

    // Creates the temporary next to `target` and opens the stream on it; false when it cannot.
    bool Open(const std::string& target, StreamMode mode);
    // The stream to write to (valid after a successful Open).
    std::ostream& Stream();
    // Flushes and closes the stream; false (and the temporary removed) when anything failed.
    bool Close();
    // Closes the stream when that was not done yet, then moves the temporary to the target.
    CommitResult Commit(bool mayReplace);
    // Removes the temporary; the target is not touched.
    void Discard();

    const std::string& TemporaryPath() const { return temporary_; }
    // The operating system's text for the last failure ("No space left on device"), or "".
    const std::string& Error() const { return error_; }

private:
    void NoteError(int errorNumber);

    std::string target_;
    std::string temporary_;
    std::string error_;
    StreamMode mode_ = StreamMode::Text;
    bool closed_ = false;
    int slot_ = -1;  // in the list of live temporaries
    std::ofstream binary_;
    TextOFStream text_;
};

// Removes every temporary output that exists at this moment. Async-signal-safe: for a handler
// that ends the program.
void RemoveTemporaryFiles() noexcept;

// For a program that lets the signals that end it (SIGTERM, SIGHUP, SIGINT, SIGQUIT) do so: each
// removes the temporaries first. An exceeded file-size limit (SIGXFSZ) fails the write that
// exceeded it instead of ending the program.
void RemoveTemporariesWhenEnded();

}  // namespace kyn
