#include "corvel/images/KittyFileAccess.h"
#include "corvel/images/KittyGraphicsHandler.h"

#include "ImageTestSupport.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

namespace corvel {
namespace {

namespace fs = std::filesystem;
using testing::base64;

const std::string pixel = std::string("\x11\x22\x33\x44", 4);

// A scratch folder, files in it, and commands that name them.
class KittyMedia : public testing::KittyFixtureBase, public ::testing::Test {
protected:
    void SetUp() override
    {
        char pattern[] = "/tmp/velmora-images-XXXXXX";
        ASSERT_TRUE(mkdtemp(pattern));
        dir = pattern;
    }

    void TearDown() override
    {
        std::error_code ignored;
        fs::remove_all(dir, ignored);
        for (const std::string& name : shmNames)
            shm_unlink(name.c_str());
    }

    std::string writeFile(const std::string& name, const std::string& content)
    {
        std::string path = dir + "/" + name;
        std::ofstream(path, std::ios::binary) << content;
        return path;
    }

    std::string makeShm(const std::string& content)
    {
        std::string name
            = "/tty-graphics-protocol-velmora-" + std::to_string(getpid()) + "-" + std::to_string(shmNames.size());
        int fd = shm_open(name.c_str(), O_CREAT | O_RDWR | O_EXCL, 0600);
        EXPECT_GE(fd, 0);
        EXPECT_EQ(write(fd, content.data(), content.size()), static_cast<ssize_t>(content.size()));
        close(fd);
        shmNames.push_back(name);
        return name;
    }

    static bool shmExists(const std::string& name)
    {
        int fd = shm_open(name.c_str(), O_RDONLY, 0);
        if (fd < 0)
            return false;
        close(fd);
        return true;
    }

    // Transmits with id 1 and returns the single reply text without framing.
    std::string transmit(const std::string& keys, const std::string& pathOrName, KittyGraphicsLimits limits = {})
    {
        host.replies.clear();
        send("a=t,i=1," + keys + ";" + base64(pathOrName), limits);
        if (host.replies.size() != 1)
            return "<" + std::to_string(host.replies.size()) + " replies>";
        const std::string& r = host.replies[0];
        return r.substr(2, r.size() - 4);
    }

    std::string dir;
    std::vector<std::string> shmNames;
};

TEST_F(KittyMedia, FileIsReadAndKept)
{
    std::string path = writeFile("image.rgba", pixel);
    EXPECT_EQ(transmit("t=f,s=1,v=1", path), "Gi=1;OK");
    EXPECT_EQ(*state.imagesById.at(1).payload.bytes, std::vector<uint8_t>(pixel.begin(), pixel.end()));
    EXPECT_TRUE(fs::exists(path));
}

TEST_F(KittyMedia, FileWindowByOffsetAndSize)
{
    std::string path = writeFile("image.rgba", "headers!" + pixel + "trailer");
    EXPECT_EQ(transmit("t=f,s=1,v=1,O=8,S=4", path), "Gi=1;OK");
    EXPECT_EQ(transmit("t=f,s=1,v=1,O=8", path), "Gi=1;EINVAL: bad payload"); // to the end: 11 bytes
    std::string tail = writeFile("tail.rgba", "head" + pixel);
    EXPECT_EQ(transmit("t=f,s=1,v=1,O=4,S=0", tail), "Gi=1;OK");
    EXPECT_EQ(transmit("t=f,s=1,v=1,O=8", tail), "Gi=1;EINVAL: bad payload"); // offset at the end
    EXPECT_EQ(transmit("t=f,s=1,v=1,O=9", tail), "Gi=1;EINVAL: bad payload"); // beyond it
    EXPECT_EQ(transmit("t=f,s=1,v=1,O=-1", tail), "Gi=1;EINVAL: bad payload");
    EXPECT_EQ(transmit("t=f,s=1,v=1,O=9223372036854775807,S=9223372036854775807", tail), "Gi=1;EINVAL: bad payload");
}

TEST_F(KittyMedia, FileLargerThanTheLimitIsRefusedEvenForAFewBytes)
{
    KittyGraphicsLimits limits;
    limits.payloadBytes = 100;
    std::string path = writeFile("big.rgba", pixel + std::string(97, 'x'));
    EXPECT_EQ(transmit("t=f,s=1,v=1,S=4", path, limits), "Gi=1;EINVAL: bad payload");
    std::string fits = writeFile("fits.rgba", pixel + std::string(96, 'x'));
    EXPECT_EQ(transmit("t=f,s=1,v=1,S=4", fits, limits), "Gi=1;OK");
}

TEST_F(KittyMedia, RefusedPlaces)
{
    EXPECT_EQ(transmit("t=f", "/proc/self/status"), "Gi=1;EINVAL: bad path");
    EXPECT_EQ(transmit("t=f", "/dev/null"), "Gi=1;EINVAL: bad path");
    EXPECT_EQ(transmit("t=f", "/dev/zero"), "Gi=1;EINVAL: bad path");
    EXPECT_EQ(transmit("t=f", dir + "/missing"), "Gi=1;EINVAL: bad path");
    EXPECT_EQ(transmit("t=f", std::string("/tmp/a\0b", 8)), "Gi=1;EINVAL: bad path");
    EXPECT_EQ(transmit("t=f", "/tmp/\xff\xfe"), "Gi=1;EINVAL: bad path");
    EXPECT_EQ(transmit("t=f", ""), "Gi=1;EINVAL: bad payload");

    fs::create_symlink("/proc/self/status", dir + "/status-link");
    EXPECT_EQ(transmit("t=f", dir + "/status-link"), "Gi=1;EINVAL: bad path");
    if (fs::exists("/sys/kernel")) {
        fs::create_symlink("/sys/kernel", dir + "/sys-link");
        EXPECT_EQ(transmit("t=f", dir + "/sys-link/../kernel/mm"), "Gi=1;EINVAL: bad path");
        EXPECT_EQ(transmit("t=f", dir + "/sys-link"), "Gi=1;EINVAL: bad path");
    }
}

TEST_F(KittyMedia, DirectoryIsNotAPayload) { EXPECT_EQ(transmit("t=f", dir), "Gi=1;EINVAL: bad payload"); }

TEST_F(KittyMedia, FifoDoesNotHang)
{
    std::string path = dir + "/tty-graphics-protocol-fifo";
    ASSERT_EQ(mkfifo(path.c_str(), 0600), 0);
    EXPECT_EQ(transmit("t=f,s=1,v=1", path), "Gi=1;EINVAL: bad payload");
    EXPECT_EQ(transmit("t=t,s=1,v=1", path), "Gi=1;EINVAL: bad payload");
    EXPECT_TRUE(fs::exists(fs::symlink_status(path))); // not a regular file: left alone
}

TEST_F(KittyMedia, FileInSharedMemoryFolderIsRead)
{
    std::string path = "/dev/shm/velmora-images-" + std::to_string(getpid());
    std::ofstream(path, std::ios::binary) << pixel;
    EXPECT_EQ(transmit("t=f,s=1,v=1", path), "Gi=1;OK");
    fs::remove(path);
}

TEST_F(KittyMedia, TemporaryFileIsRemovedAfterReading)
{
    std::string path = writeFile("tty-graphics-protocol-1.rgba", pixel);
    EXPECT_EQ(transmit("t=t,s=1,v=1", path), "Gi=1;OK");
    EXPECT_FALSE(fs::exists(path));

    std::string broken = writeFile("tty-graphics-protocol-2.rgba", "xx");
    EXPECT_EQ(transmit("t=t,s=1,v=1", broken), "Gi=1;EINVAL: bad payload");
    EXPECT_FALSE(fs::exists(broken));
}

TEST_F(KittyMedia, TemporaryFileOverTheLimitIsStillRemoved)
{
    KittyGraphicsLimits limits;
    limits.payloadBytes = 100;
    std::string path = writeFile("tty-graphics-protocol-big.rgba", pixel + std::string(200, 'x'));
    EXPECT_EQ(transmit("t=t,s=1,v=1,S=4", path, limits), "Gi=1;EINVAL: bad payload");
    EXPECT_FALSE(fs::exists(path));
}

TEST_F(KittyMedia, TemporaryFileNeedsTheMarkerAndIsKeptOtherwise)
{
    std::string path = writeFile("plain.rgba", pixel);
    EXPECT_EQ(transmit("t=t,s=1,v=1", path), "Gi=1;EINVAL: bad temp path");
    EXPECT_TRUE(fs::exists(path));
}

TEST_F(KittyMedia, TemporaryFileOffsetBeyondTheEndKeepsTheFile)
{
    std::string path = writeFile("tty-graphics-protocol-3.rgba", pixel);
    EXPECT_EQ(transmit("t=t,s=1,v=1,O=5", path), "Gi=1;EINVAL: bad payload");
    EXPECT_TRUE(fs::exists(path));
}

TEST_F(KittyMedia, TemporaryDirectoryIsNotDeleted)
{
    std::string path = dir + "/tty-graphics-protocol-dir";
    fs::create_directory(path);
    EXPECT_EQ(transmit("t=t", path), "Gi=1;EINVAL: bad payload");
    EXPECT_TRUE(fs::is_directory(path));
}

TEST(KittyTempPaths, MatchWholeComponents)
{
    EXPECT_TRUE(KittyFileAccess::isTempPath("/tmp/x"));
    EXPECT_TRUE(KittyFileAccess::isTempPath("/dev/shm/x"));
    EXPECT_FALSE(KittyFileAccess::isTempPath("/tmpdata/x"));
    EXPECT_FALSE(KittyFileAccess::isTempPath("/dev/shmem/x"));
    EXPECT_FALSE(KittyFileAccess::isTempPath("/tmp"));
    EXPECT_TRUE(KittyFileAccess::isRefusedPath("/dev/shmx/y"));
    EXPECT_FALSE(KittyFileAccess::isRefusedPath("/dev/shm/y"));
    EXPECT_FALSE(KittyFileAccess::isRefusedPath("/procfs/y"));
}

TEST_F(KittyMedia, UserTemporaryDirectoryCountsAsGivenAndResolved)
{
    // A folder outside /tmp stands in for the user's temporary directory.
    std::string base = fs::canonical(VELMORA_BINARY_DIR).string() + "/images-tmpdir-" + std::to_string(getpid());
    if (KittyFileAccess::isBelow(base, "/tmp") || KittyFileAccess::isBelow(base, "/dev/shm"))
        GTEST_SKIP() << "the build folder is itself a temporary place";
    fs::remove_all(base);
    fs::create_directories(base + "/tmp");
    fs::create_directories(base + "/tmpdata");
    fs::create_directory_symlink(base + "/tmp", base + "/tmp-link");
    const char* saved = std::getenv("TMPDIR");
    std::string savedValue = saved ? saved : "";

    setenv("TMPDIR", (base + "/tmp-link/").c_str(), 1);
    std::ofstream(base + "/tmpdata/tty-graphics-protocol.rgba", std::ios::binary) << pixel;
    std::ofstream(base + "/tmp/tty-graphics-protocol.rgba", std::ios::binary) << pixel;
    EXPECT_EQ(transmit("t=t,s=1,v=1", base + "/tmpdata/tty-graphics-protocol.rgba"), "Gi=1;EINVAL: bad temp path");
    EXPECT_EQ(transmit("t=t,s=1,v=1", base + "/tmp-link/tty-graphics-protocol.rgba"), "Gi=1;OK");
    EXPECT_FALSE(fs::exists(base + "/tmp/tty-graphics-protocol.rgba"));

    if (saved)
        setenv("TMPDIR", savedValue.c_str(), 1);
    else
        unsetenv("TMPDIR");
    fs::remove_all(base);
}

TEST_F(KittyMedia, SharedMemoryIsReadAndUnlinked)
{
    std::string name = makeShm(pixel);
    EXPECT_EQ(transmit("t=s,s=1,v=1", name), "Gi=1;OK");
    EXPECT_FALSE(shmExists(name));
    EXPECT_EQ(*state.imagesById.at(1).payload.bytes, std::vector<uint8_t>(pixel.begin(), pixel.end()));
}

TEST_F(KittyMedia, SharedMemoryPngWindow)
{
    std::vector<uint8_t> png = testing::makePng(1, 1, {1, 2, 3, 4});
    std::string name = makeShm("pad" + std::string(png.begin(), png.end()) + "tail");
    EXPECT_EQ(transmit("t=s,f=100,O=3,S=" + std::to_string(png.size()), name), "Gi=1;OK");
    EXPECT_EQ(*state.imagesById.at(1).payload.bytes, png);
}

TEST_F(KittyMedia, SharedMemoryRawFormatNeedsASizeAndStaysWithout)
{
    std::string name = makeShm(pixel);
    EXPECT_EQ(transmit("t=s,f=24,s=0", name), "Gi=1;EINVAL: bad payload");
    EXPECT_TRUE(shmExists(name));
}

TEST_F(KittyMedia, SharedMemoryFailuresStillUnlink)
{
    std::string empty = makeShm("");
    EXPECT_EQ(transmit("t=s,f=100", empty), "Gi=1;EINVAL: bad payload");
    EXPECT_FALSE(shmExists(empty));

    // Shorter than the picture it claims to hold: refused, no fault.
    std::string shortObject = makeShm(pixel);
    EXPECT_EQ(transmit("t=s,s=2,v=2", shortObject), "Gi=1;EINVAL: bad payload");
    EXPECT_FALSE(shmExists(shortObject));

    std::string offsetPast = makeShm(pixel + pixel);
    EXPECT_EQ(transmit("t=s,s=1,v=1,O=5", offsetPast), "Gi=1;EINVAL: bad payload");
    EXPECT_FALSE(shmExists(offsetPast));

    std::string emptyWindow = makeShm(pixel);
    EXPECT_EQ(transmit("t=s,f=100,O=4", emptyWindow), "Gi=1;EINVAL: bad payload");
    EXPECT_FALSE(shmExists(emptyWindow));
}

TEST_F(KittyMedia, SharedMemoryTruncatedAfterWritingDoesNotFault)
{
    std::string name = makeShm(std::string(64, 'x'));
    int fd = shm_open(name.c_str(), O_RDWR, 0);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(ftruncate(fd, 2), 0);
    close(fd);
    EXPECT_EQ(transmit("t=s,s=4,v=4", name), "Gi=1;EINVAL: bad payload");
    EXPECT_FALSE(shmExists(name));
}

TEST_F(KittyMedia, SharedMemoryNamesMustBePlain)
{
    EXPECT_EQ(transmit("t=s,s=1,v=1", "/../../etc/passwd"), "Gi=1;EINVAL: bad payload");
    EXPECT_EQ(transmit("t=s,s=1,v=1", std::string("/a\0b", 4)), "Gi=1;EINVAL: bad payload");
    EXPECT_EQ(transmit("t=s,s=1,v=1", "/does-not-exist-velmora"), "Gi=1;EINVAL: bad payload");
}

TEST_F(KittyMedia, SharedMemoryFifoDoesNotHangAndStays)
{
    const std::string name = "/tty-graphics-protocol-velmora-fifo-" + std::to_string(getpid());
    const std::string path = "/dev/shm" + name;
    if (mkfifo(path.c_str(), 0600) != 0)
        GTEST_SKIP() << "no FIFO can be made in /dev/shm";
    shmNames.push_back(name);
    EXPECT_EQ(transmit("t=s,s=1,v=1", name), "Gi=1;EINVAL: bad payload");
    EXPECT_EQ(transmit("t=s,f=100", name), "Gi=1;EINVAL: bad payload");
    EXPECT_TRUE(fs::exists(fs::symlink_status(path)));
}

TEST_F(KittyMedia, SemaphoreNamesAreRefusedUntouched)
{
    // A regular object under a semaphore's name, as the C library makes them.
    const std::string name = "/sem.velmora-" + std::to_string(getpid());
    int fd = shm_open(name.c_str(), O_CREAT | O_RDWR | O_EXCL, 0600);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(write(fd, pixel.data(), pixel.size()), static_cast<ssize_t>(pixel.size()));
    close(fd);
    shmNames.push_back(name);
    EXPECT_EQ(transmit("t=s,s=1,v=1", name), "Gi=1;EINVAL: bad payload");
    EXPECT_EQ(transmit("t=s,s=1,v=1", name.substr(1)), "Gi=1;EINVAL: bad payload");
    EXPECT_TRUE(shmExists(name));
}

TEST_F(KittyMedia, SharedMemoryDirectoryIsRefusedUntouched)
{
    const std::string name = "/tty-graphics-protocol-velmora-dir-" + std::to_string(getpid());
    ASSERT_TRUE(fs::create_directory("/dev/shm" + name));
    EXPECT_EQ(transmit("t=s,f=100", name), "Gi=1;EINVAL: bad payload");
    EXPECT_TRUE(fs::is_directory("/dev/shm" + name));
    fs::remove("/dev/shm" + name);
}

TEST_F(KittyMedia, ZlibFileIsInflated)
{
    std::vector<uint8_t> compressed = testing::zlibCompress(testing::bytesOf(pixel));
    std::string path = writeFile("image.z", std::string(compressed.begin(), compressed.end()));
    EXPECT_EQ(transmit("t=f,s=1,v=1,o=z", path), "Gi=1;OK");
    std::string cut = writeFile("cut.z", std::string(compressed.begin(), compressed.end() - 3));
    EXPECT_EQ(transmit("t=f,s=1,v=1,o=z", cut), "Gi=1;EINVAL: bad payload");
}

} // namespace
} // namespace corvel
