// SafeOutputFile: an output that appears under its name only once it is complete.
//
// The data go to a fresh temporary file in the target's directory; Commit renames it over the
// target only when the stream is still good after the writer and after flushing and closing.
// Anything else removes the temporary, so an existing target (in in-place conversion: the input
// itself) stays exactly as it was. A replaced file keeps its permission bits.
#pragma once

#include <fstream>
#include <ostream>
#include <string>

#include "conversion/TargetFormat.h"
#include "util/TextStream.h"

namespace kyn {

class SafeOutputFile {
public:
    SafeOutputFile() = default;
    SafeOutputFile(const SafeOutputFile&) = delete;
    SafeOutputFile& operator=(const SafeOutputFile&) = delete;
    ~SafeOutputFile();

    // Creates the temporary next to `target` and opens the stream on it; false when it cannot.
    bool Open(const std::string& target, StreamMode mode);
    // The stream to write to (valid after a successful Open).
    std::ostream& Stream();
    // Closes the stream and, when nothing failed, moves the temporary over the target.
    // False (and the temporary removed) on any failure.
    bool Commit();
    // Removes the temporary; the target is not touched.
    void Discard();

    const std::string& TemporaryPath() const { return temporary_; }

private:
    std::string target_;
    std::string temporary_;
    StreamMode mode_ = StreamMode::Text;
    std::ofstream binary_;
    TextOFStream text_;
};

}  // namespace kyn
