#include "corvel/images/KittyFileAccess.h"

#include <fcntl.h>
#include <limits.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <memory>

namespace corvel::KittyFileAccess {
namespace {

class Descriptor {
public:
    explicit Descriptor(int fd) : fd_(fd) {}
    ~Descriptor()
    {
        if (fd_ >= 0)
            ::close(fd_);
    }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;

    int get() const { return fd_; }
    bool valid() const { return fd_ >= 0; }

private:
    int fd_;
};

// Reads exactly `count` bytes at `offset`, fewer only at end of file; nothing
// on a read error.
std::optional<std::vector<uint8_t>> preadAll(int fd, int64_t offset, size_t count)
{
    std::vector<uint8_t> data(count);
    size_t done = 0;
    while (done < count) {
        ssize_t got
            = ::pread(fd, data.data() + done, count - done, static_cast<off_t>(offset) + static_cast<off_t>(done));
        if (got < 0) {
            if (errno == EINTR)
                continue;
            return std::nullopt;
        }
        if (got == 0)
            break;
        done += static_cast<size_t>(got);
    }
    data.resize(done);
    return data;
}

std::string withoutTrailingSlashes(std::string directory)
{
    while (directory.size() > 1 && directory.back() == '/')
        directory.pop_back();
    return directory;
}

bool isUsableTempDirectory(const std::string& directory) { return directory.size() > 1 && directory.front() == '/'; }

} // namespace

std::optional<std::string> resolveRealPath(const std::string& path)
{
    std::unique_ptr<char, decltype(&std::free)> resolved(::realpath(path.c_str(), nullptr), &std::free);
    if (!resolved)
        return std::nullopt;
    return std::string(resolved.get());
}

bool isBelow(const std::string& path, const std::string& directory)
{
    std::string base = withoutTrailingSlashes(directory);
    if (base == "/")
        return path.size() > 1 && path.front() == '/';
    return path.size() > base.size() + 1 && path.compare(0, base.size(), base) == 0 && path[base.size()] == '/';
}

bool isRefusedPath(const std::string& resolvedPath)
{
    if (resolvedPath == "/proc" || resolvedPath == "/sys" || resolvedPath == "/dev")
        return true;
    if (isBelow(resolvedPath, "/proc") || isBelow(resolvedPath, "/sys"))
        return true;
    return isBelow(resolvedPath, "/dev") && !isBelow(resolvedPath, "/dev/shm");
}

bool isTempPath(const std::string& resolvedPath)
{
    if (isBelow(resolvedPath, "/tmp") || isBelow(resolvedPath, "/dev/shm"))
        return true;
    const char* environment = std::getenv("TMPDIR");
    std::string tempDirectory = environment && *environment ? environment : "/tmp";
    tempDirectory = withoutTrailingSlashes(tempDirectory);
    if (!isUsableTempDirectory(tempDirectory))
        return false;
    if (isBelow(resolvedPath, tempDirectory))
        return true;
    std::optional<std::string> resolvedDirectory = resolveRealPath(tempDirectory);
    return resolvedDirectory && isUsableTempDirectory(*resolvedDirectory) && isBelow(resolvedPath, *resolvedDirectory);
}

std::optional<std::vector<uint8_t>> readFileData(const std::string& path, int64_t offset, int64_t size,
                                                 bool deleteAfterRead, int64_t limit)
{
    if (offset < 0 || size < 0)
        return std::nullopt;
    Descriptor file(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK | O_NOFOLLOW));
    if (!file.valid())
        return std::nullopt;
    struct stat status {};
    if (::fstat(file.get(), &status) != 0 || !S_ISREG(status.st_mode))
        return std::nullopt;
    auto removeFile = [&] {
        if (deleteAfterRead)
            ::unlink(path.c_str());
    };
    const int64_t fileSize = status.st_size;
    if (fileSize > limit) {
        // Too large to read, but a temporary file that was handed over is
        // still the terminal's to remove.
        removeFile();
        return std::nullopt;
    }
    if (fileSize < offset)
        return std::nullopt;
    const int64_t wanted = size == 0 ? limit : std::min(size, limit);
    const int64_t count = std::min(fileSize - offset, wanted);
    std::optional<std::vector<uint8_t>> data = preadAll(file.get(), offset, static_cast<size_t>(count));
    removeFile();
    return data;
}

std::optional<std::vector<uint8_t>> readSharedMemory(const std::string& name, std::optional<int64_t> expectedSize,
                                                     int64_t offset, int64_t size, int64_t limit)
{
    if (offset < 0 || size < 0)
        return std::nullopt;
    std::string_view bare(name);
    while (!bare.empty() && bare.front() == '/')
        bare.remove_prefix(1);
    if (bare.empty() || bare.find('/') != std::string_view::npos || bare == "." || bare == "..")
        return std::nullopt;
    // The folder of shared-memory objects also holds the named semaphores
    // ("sem." followed by the name): never a picture, never ours to remove.
    if (bare.starts_with("sem."))
        return std::nullopt;

    // Non-blocking, so a FIFO under the name cannot stall the terminal.
    Descriptor object(::shm_open(name.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOFOLLOW, 0));
    if (!object.valid())
        return std::nullopt;
    struct stat status {};
    if (::fstat(object.get(), &status) != 0 || !S_ISREG(status.st_mode))
        return std::nullopt; // not an object a program made for us: left alone
    struct Unlinker {
        const std::string& name;
        ~Unlinker() { ::shm_unlink(name.c_str()); }
    } unlinkWhenDone{name};
    const int64_t objectSize = status.st_size;
    if (objectSize < 1 || objectSize > limit)
        return std::nullopt;

    int64_t end = objectSize;
    if (expectedSize) {
        if (offset == 0 && objectSize < *expectedSize)
            return std::nullopt;
        if (__builtin_add_overflow(offset, *expectedSize, &end))
            return std::nullopt;
    }
    if (size != 0) {
        int64_t sizedEnd;
        if (!__builtin_add_overflow(offset, size, &sizedEnd))
            end = std::min(end, sizedEnd);
    }
    if (end <= offset || end > objectSize)
        return std::nullopt;

    // The object may shrink meanwhile; pread then reads less instead of
    // faulting, and a short window is refused.
    std::optional<std::vector<uint8_t>> data = preadAll(object.get(), offset, static_cast<size_t>(end - offset));
    if (!data || static_cast<int64_t>(data->size()) != end - offset)
        return std::nullopt;
    return data;
}

} // namespace corvel::KittyFileAccess
