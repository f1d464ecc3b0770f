#pragma once

// Writing and removing files so that nothing is ever half done: readers see
// the old files or the new ones, an interrupted command leaves no temporary
// file, and a group of files changes all together or not at all.

#include <string>
#include <string_view>
#include <vector>

namespace zelk::lut {

// Writes `bytes` to `path` so that readers see either the old file or the whole
// new one: a temporary file in `tempDir` (default: the target's directory; it
// must be on the same file system) is written, flushed to disk and renamed over
// the target. On failure the temporary file is removed and LutError is thrown.
void writeFileAtomic(const std::string& path, std::string_view bytes,
                     const std::string& tempDir = "");

// Writes several files all or nothing: every temporary file is written first,
// then each is renamed over its target in order. When a rename fails, the
// targets replaced before it get their previous content back (or are removed
// where there was none) and LutError says what failed.
struct PendingFile {
    std::string path;
    std::string bytes;
};
void writeFilesAtomic(const PendingFile* files, int count, const std::string& tempDir = "");

// Removes those of `paths` that exist, all or nothing: each is first moved
// aside into `tempDir` (same file system), in order, and only deleted once all
// are aside; a failed move puts the others back.
void removeFilesAtomic(const std::vector<std::string>& paths, const std::string& tempDir);

// Refuses (LutError) to write `path` where that would destroy something: an
// existing path that is not a regular file (a device, FIFO, symbolic link or
// directory), a file that is one of `inputs` under any name, or any existing
// file unless `replace`.
void checkOutputPath(const std::string& path, const std::vector<std::string>& inputs, bool replace);

// The whole content of a regular file; LutError naming the file otherwise.
std::string readWholeFile(const std::string& path);

} // namespace zelk::lut
