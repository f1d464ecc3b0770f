#pragma once

#include <string>
#include <string_view>

namespace zelk::lut {

// Writes `bytes` to `path` so that readers see either the old file or the whole
// new one: a temporary file in `tempDir` (default: the target's directory; it
// must be on the same file system) is written, flushed to disk and renamed over
// the target. On failure the temporary file is removed and LutError is thrown.
void writeFileAtomic(const std::string& path, std::string_view bytes,
                     const std::string& tempDir = "");

// Writes several files, each through its own temporary file, renaming them only
// once every temporary file is complete; a failure before the renames leaves
// every target untouched.
struct PendingFile {
    std::string path;
    std::string bytes;
};
void writeFilesAtomic(const PendingFile* files, int count, const std::string& tempDir = "");

// The whole content of a regular file; LutError naming the file otherwise.
std::string readWholeFile(const std::string& path);

} // namespace zelk::lut
