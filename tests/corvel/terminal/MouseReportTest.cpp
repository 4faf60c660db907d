// Mouse reports: the button code, and each wire encoding byte for byte.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "TerminalTestSupport.h"
#include "corvel/terminal/MouseEncoder.h"
#include "support/DebugDiagnostics.h"

namespace corvel::test {
namespace {

using Mode = Terminal::MouseMode;
using Encoding = Terminal::MouseProtocolEncoding;

TEST(MouseModePredicates, WhatEachModeReports)
{
    struct Case {
        Mode mode;
        bool motion;
        bool modifiers;
    };
    const Case cases[] = {
        {Mode::off, false, false},
        {Mode::x10, false, false},
        {Mode::vt200, false, true},
        {Mode::buttonEventTracking, false, true},
        {Mode::anyEvent, true, true},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(sendMotionEvent(c.mode), c.motion) << static_cast<int>(c.mode);
        EXPECT_EQ(sendsModifiers(c.mode), c.modifiers) << static_cast<int>(c.mode);
    }
}

class MouseReport : public ::testing::Test {
protected:
    MouseReport() : t(&host, sized(20, 5)), mouse(t) {}

    // The single reply the last event produced.
    std::string report()
    {
        EXPECT_EQ(host.sent.size(), 1u);
        std::string out = host.replies();
        host.sent.clear();
        return out;
    }

    // Chooses the wire encoding as a program does, with DECSET or (for the
    // X10 encoding) DECRST of an encoding mode.
    void useEncoding(Encoding encoding)
    {
        switch (encoding) {
        case Encoding::x10: t.feed("\x1b[?1006l"); break;
        case Encoding::utf8: t.feed("\x1b[?1005h"); break;
        case Encoding::sgr: t.feed("\x1b[?1006h"); break;
        case Encoding::urxvt: t.feed("\x1b[?1015h"); break;
        case Encoding::sgrPixel: t.feed("\x1b[?1016h"); break;
        }
        ASSERT_EQ(t.modes().mouseProtocol, encoding);
    }

    RecordingDelegate host;
    Terminal t;
    MouseEncoder mouse;
};

TEST_F(MouseReport, ButtonCodes)
{
    struct Case {
        const char* mode; // the sequence that selects it
        int button;
        bool release, shift, meta, control;
        int expected;
    };
    const Case cases[] = {
        {"\x1b[?1000h", 1, false, false, false, false, 1},
        {"\x1b[?1000h", 2, false, false, false, false, 2},
        {"\x1b[?1000h", 3, false, false, false, false, 0},
        {"\x1b[?1000h", 4, false, false, false, false, 64},
        {"\x1b[?1000h", 5, false, false, false, false, 65},
        {"\x1b[?1000h", 9, false, false, false, false, 0},
        {"\x1b[?1000h", 1, true, true, false, false, 7},
        {"\x1b[?1000h", 2, false, false, false, true, 18},
        {"\x1b[?1002h", 1, false, true, true, true, 29},
        {"\x1b[?1003h", 4, false, false, true, false, 72},
        {"\x1b[?9h", 1, true, true, false, false, 3},
        {"\x1b[?9h", 2, false, true, true, true, 2},
        {"\x1b[?1000l", 5, false, true, false, false, 65},
    };
    for (const Case& c : cases) {
        t.feed(c.mode);
        EXPECT_EQ(mouse.encodeButton(c.button, c.release, c.shift, c.meta, c.control), c.expected)
            << c.mode + 1 << " button " << c.button;
    }
}

struct ReportCase {
    const char* name;
    Encoding encoding;
    int flags, x, y, pixelX, pixelY;
    std::string expected;
};

TEST_F(MouseReport, Encodings)
{
    using namespace std::string_literals;
    const ReportCase cases[] = {
        {"x10 press", Encoding::x10, 0, 0, 0, 0, 0, "\x1b[M\x20\x21\x21"},
        {"x10 release", Encoding::x10, 3, 4, 9, 0, 0, "\x1b[M\x23\x25\x2a"},
        {"x10 wheel with control", Encoding::x10, 64 + 16, 10, 5, 0, 0, "\x1b[M\x70\x2b\x26"},
        {"x10 last position", Encoding::x10, 0, 222, 222, 0, 0, "\x1b[M\x20\xff\xff"},
        {"x10 past the limit is clamped", Encoding::x10, 0, 223, 400, 0, 0, "\x1b[M\x20\xff\xff"},
        {"x10 negative is clamped", Encoding::x10, 0, -5, 1, 0, 0, "\x1b[M\x20\x21\x22"},
        {"utf8 small", Encoding::utf8, 0, 4, 9, 0, 0, "\x1b[M\x20\x25\x2a"},
        {"utf8 wide column", Encoding::utf8, 0, 200, 0, 0, 0, "\x1b[M\x20\xc3\xa9\x21"},
        {"utf8 one byte up to 127", Encoding::utf8, 0, 94, 0, 0, 0, "\x1b[M\x20\x7f\x21"},
        {"utf8 two bytes from 128", Encoding::utf8, 0, 95, 0, 0, 0, "\x1b[M\x20\xc2\x80\x21"},
        {"utf8 limit", Encoding::utf8, 0, 2047 - 33, 0, 0, 0, "\x1b[M\x20\x00\x21"s},
        {"utf8 past the limit", Encoding::utf8, 0, 3000 - 33, 0, 0, 0, "\x1b[M\x20\xdf\xbf\x21"},
        {"sgr press", Encoding::sgr, 0, 4, 9, 0, 0, "\x1b[<0;5;10M"},
        {"sgr release", Encoding::sgr, 3, 4, 9, 0, 0, "\x1b[<0;5;10m"},
        {"sgr control", Encoding::sgr, 18, 4, 9, 0, 0, "\x1b[<18;5;10M"},
        {"sgr release with shift", Encoding::sgr, 7, 4, 9, 0, 0, "\x1b[<4;5;10m"},
        {"sgr wheel", Encoding::sgr, 65, 0, 0, 0, 0, "\x1b[<65;1;1M"},
        {"sgr motion without a button", Encoding::sgr, 43, 4, 9, 0, 0, "\x1b[<43;5;10M"},
        {"sgr far", Encoding::sgr, 0, 999, 4000, 0, 0, "\x1b[<0;1000;4001M"},
        {"urxvt release", Encoding::urxvt, 3, 4, 9, 0, 0, "\x1b[35;5;10M"},
        {"urxvt press", Encoding::urxvt, 0, 300, 2, 0, 0, "\x1b[32;301;3M"},
        {"sgr pixel press", Encoding::sgrPixel, 0, 4, 9, 120, 48, "\x1b[<0;120;48M"},
        {"sgr pixel release", Encoding::sgrPixel, 3, 4, 9, 0, 7, "\x1b[<0;0;7m"},
    };
    for (const ReportCase& c : cases) {
        useEncoding(c.encoding);
        ::testing::internal::CaptureStderr();
        mouse.sendEvent(c.flags, c.x, c.y, c.pixelX, c.pixelY);
        ::testing::internal::GetCapturedStderr();
        EXPECT_EQ(report(), c.expected) << c.name;
    }
}

TEST_F(MouseReport, EncodingsFollowTheModes)
{
    struct Case {
        const char* mode;
        std::string expected;
    };
    const Case cases[] = {
        {"\x1b[?1005h", "\x1b[M\x21\xc3\xa9\x22"},
        {"\x1b[?1006h", "\x1b[<1;201;2M"},
        {"\x1b[?1015h", "\x1b[33;201;2M"},
        {"\x1b[?1016h", "\x1b[<1;1000;20M"},
        {"\x1b[?1016l", "\x1b[M\x21\xe9\x22"},
    };
    for (const Case& c : cases) {
        t.feed(c.mode);
        ::testing::internal::CaptureStderr();
        mouse.sendEvent(1, 200, 1, 1000, 20);
        ::testing::internal::GetCapturedStderr();
        EXPECT_EQ(report(), c.expected) << c.mode + 1;
    }
}

TEST_F(MouseReport, MotionAddsThirtyTwo)
{
    useEncoding(Encoding::sgr);
    // A move without a button is no release.
    mouse.sendMotion(3, 4, 9, 0, 0);
    EXPECT_EQ(report(), "\x1b[<35;5;10M");
    mouse.sendMotion(0, 4, 9, 0, 0);
    EXPECT_EQ(report(), "\x1b[<32;5;10M");
    useEncoding(Encoding::x10);
    mouse.sendMotion(1, 0, 0, 0, 0);
    EXPECT_EQ(report(), "\x1b[M\x41\x21\x21");
}

TEST_F(MouseReport, PixelEncodingAlsoWritesThePositionAtTheDebugLevel)
{
    const velmora::test::DebugDiagnostics debug(true);
    useEncoding(Encoding::sgrPixel);
    ::testing::internal::CaptureStderr();
    mouse.sendEvent(0, 4, 9, 120, 48);
    EXPECT_EQ(::testing::internal::GetCapturedStderr(), "120;48\n");
    EXPECT_EQ(report(), "\x1b[<0;120;48M");

    // Without a pixel position the cell stands in for it.
    ::testing::internal::CaptureStderr();
    mouse.sendEvent(0, 4, 9);
    EXPECT_EQ(::testing::internal::GetCapturedStderr(), "4;9\n");
    EXPECT_EQ(report(), "\x1b[<0;4;9M");

    useEncoding(Encoding::sgr);
    ::testing::internal::CaptureStderr();
    mouse.sendEvent(0, 4, 9, 120, 48);
    EXPECT_EQ(::testing::internal::GetCapturedStderr(), "");
    report();
}

TEST_F(MouseReport, PixelPositionsAreSilentWithoutTheDebugLevel)
{
    const velmora::test::DebugDiagnostics debug(false);
    useEncoding(Encoding::sgrPixel);
    ::testing::internal::CaptureStderr();
    mouse.sendEvent(0, 4, 9, 120, 48);
    EXPECT_EQ(::testing::internal::GetCapturedStderr(), "");
    EXPECT_EQ(report(), "\x1b[<0;120;48M");
}

TEST_F(MouseReport, EightBitIntroducer)
{
    t.feed("\x1b G");
    const Encoding encodings[] = {Encoding::x10, Encoding::utf8, Encoding::sgr, Encoding::urxvt, Encoding::sgrPixel};
    for (Encoding encoding : encodings) {
        useEncoding(encoding);
        ::testing::internal::CaptureStderr();
        mouse.sendEvent(0, 1, 1, 1, 1);
        ::testing::internal::GetCapturedStderr();
        const std::string sent = report();
        ASSERT_FALSE(sent.empty());
        EXPECT_EQ(static_cast<uint8_t>(sent[0]), 0x9B) << static_cast<int>(encoding);
        EXPECT_EQ(sent.find('\x1b'), std::string::npos) << static_cast<int>(encoding);
    }
}

TEST(MouseEncoderUtf, Values)
{
    struct Case {
        int ch;
        std::vector<uint8_t> expected;
    };
    const Case cases[] = {
        {0, {0x00}},
        {32, {0x20}},
        {126, {0x7e}},
        {127, {0x7f}},
        {128, {0xc2, 0x80}},
        {233, {0xc3, 0xa9}},
        {2046, {0xdf, 0xbe}},
        {2047, {0x00}},
        {3000, {0xdf, 0xbf}},
        {-1, {0x00}},
    };
    for (const Case& c : cases) {
        std::vector<uint8_t> data{'M'};
        MouseEncoder::encodeMouseUtf(data, c.ch);
        std::vector<uint8_t> expected{'M'};
        expected.insert(expected.end(), c.expected.begin(), c.expected.end());
        EXPECT_EQ(data, expected) << c.ch;
    }
}

} // namespace
} // namespace corvel::test
