#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace corvel {

// Reading Kitty image data from files and POSIX shared memory. Nothing here
// can block on a special file or fault on a shrinking object: files are
// opened non-blocking and checked on the open descriptor, and all data is
// copied with pread.
namespace KittyFileAccess {

// The absolute path with every link, "." and ".." resolved; nothing when the
// path does not exist.
std::optional<std::string> resolveRealPath(const std::string& path);

// True when `path` lies strictly below `directory`, compared by whole path
// components ("/tmpdata/x" is not below "/tmp").
bool isBelow(const std::string& path, const std::string& directory);

// Places no image is read from: /proc, /sys and every device except /dev/shm.
bool isRefusedPath(const std::string& resolvedPath);

// A place for temporary files: /tmp, /dev/shm, or the user's temporary
// directory (TMPDIR, else /tmp) as given and as resolved.
bool isTempPath(const std::string& resolvedPath);

// Reads up to `size` bytes (0 = to the end) from `offset` of a regular file,
// at most `limit` bytes and only from files not larger than `limit`. With
// `deleteAfterRead` a regular file is unlinked once it has been opened and
// checked, whether the read then succeeds or not, and also when it is larger
// than `limit`; one whose size is short of `offset` stays.
std::optional<std::vector<uint8_t>> readFileData(const std::string& path, int64_t offset, int64_t size,
                                                 bool deleteAfterRead, int64_t limit);

// Copies a window of a shared-memory object and unlinks it once opened and
// found to be a regular object; other kinds of objects (a FIFO, say) and the
// names of semaphores ("sem.*") are refused untouched. The
// window starts at `offset`; with an expected size it is that long, else it
// runs to the end of the object; a non-zero `size` shortens it.
std::optional<std::vector<uint8_t>> readSharedMemory(const std::string& name, std::optional<int64_t> expectedSize,
                                                     int64_t offset, int64_t size, int64_t limit);

} // namespace KittyFileAccess
} // namespace corvel
