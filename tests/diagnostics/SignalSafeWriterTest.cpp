#include "diagnostics/SignalSafeWriter.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstdint>
#include <string>

#include <fcntl.h>
#include <unistd.h>

namespace {

using namespace velmora;

// Captures what a writer puts on a pipe.
class PipeCapture {
public:
    PipeCapture() { EXPECT_EQ(::pipe2(m_fds, O_CLOEXEC), 0); }
    ~PipeCapture()
    {
        ::close(m_fds[0]);
        if (m_fds[1] >= 0)
            ::close(m_fds[1]);
    }
    int writeEnd() const { return m_fds[1]; }
    std::string take()
    {
        ::close(m_fds[1]);
        m_fds[1] = -1;
        std::string text;
        char chunk[256];
        ssize_t n;
        while ((n = ::read(m_fds[0], chunk, sizeof chunk)) > 0)
            text.append(chunk, static_cast<std::size_t>(n));
        return text;
    }

private:
    int m_fds[2] = {-1, -1};
};

TEST(SignalSafeWriterTest, DecimalDigits)
{
    struct Row {
        std::int64_t value;
        const char* expected;
    };
    const Row rows[] = {
        {0, "0"},
        {7, "7"},
        {10, "10"},
        {1700000000, "1700000000"},
        {-42, "-42"},
        {INT64_MAX, "9223372036854775807"},
        {INT64_MIN, "-9223372036854775808"},
    };
    for (const Row& row : rows) {
        PipeCapture pipe;
        EXPECT_TRUE(SignalSafeWriter::writeDec(pipe.writeEnd(), row.value));
        EXPECT_EQ(pipe.take(), row.expected) << row.value;
    }
}

TEST(SignalSafeWriterTest, HexadecimalAddresses)
{
    struct Row {
        std::uintptr_t value;
        const char* expected;
    };
    const Row rows[] = {
        {0, "0x0"},
        {0xf, "0xf"},
        {0x10, "0x10"},
        {0x7ffd1234abcd, "0x7ffd1234abcd"},
        {UINTPTR_MAX, sizeof(std::uintptr_t) == 8 ? "0xffffffffffffffff" : "0xffffffff"},
    };
    for (const Row& row : rows) {
        PipeCapture pipe;
        EXPECT_TRUE(SignalSafeWriter::writeHex(pipe.writeEnd(), row.value));
        EXPECT_EQ(pipe.take(), row.expected);
    }
}

TEST(SignalSafeWriterTest, AppendDecimalReturnsThePositionBehind)
{
    char buffer[64] = "sig-";
    std::size_t position = SignalSafeWriter::appendDec(buffer, 4, 1700000000);
    buffer[position++] = '-';
    position = SignalSafeWriter::appendDec(buffer, position, 0);
    EXPECT_EQ(std::string(buffer, position), "sig-1700000000-0");
}

TEST(SignalSafeWriterTest, TextsAndFailures)
{
    PipeCapture pipe;
    EXPECT_TRUE(SignalSafeWriter::writeLit(pipe.writeEnd(), "{\"ts\":"));
    EXPECT_TRUE(SignalSafeWriter::writeRaw(pipe.writeEnd(), "]}xx", 2));
    EXPECT_EQ(pipe.take(), "{\"ts\":]}");

    // A descriptor that cannot be written ends the piece without a hang.
    EXPECT_FALSE(SignalSafeWriter::writeLit(-1, "lost"));
}

} // namespace
