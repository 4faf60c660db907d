#include "RecordingHandler.h"

#include "corvel/parser/EscapeSequenceParser.h"
#include "support/DebugDiagnostics.h"

#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <vector>

namespace corvel::test {
namespace {

struct ParseCase {
    const char* name;
    std::string input;
    std::vector<std::string> expected;
};

void PrintTo(const ParseCase& c, std::ostream* os) { *os << c.name << " \"" << escapeBytes(asBytes(c.input)) << "\""; }

std::string repeated(std::string_view piece, int count)
{
    std::string out;
    for (int i = 0; i < count; ++i)
        out += piece;
    return out;
}

std::string numberedParams(int count)
{
    std::string out;
    for (int i = 1; i <= count; ++i)
        out += (i > 1 ? ";" : "") + std::to_string(i);
    return out;
}

std::vector<std::string> parseInPieces(std::string_view input, const std::vector<size_t>& cuts)
{
    RecordingHandler handler;
    EscapeSequenceParser parser(handler);
    size_t from = 0;
    for (size_t cut : cuts) {
        parser.parse(asBytes(input.substr(from, cut - from)));
        from = cut;
    }
    parser.parse(asBytes(input.substr(from)));
    return handler.log;
}

std::string dump(const std::vector<std::string>& log)
{
    std::string out;
    for (const auto& line : log)
        out += "  " + line + "\n";
    return out;
}

class ParserTable : public testing::TestWithParam<ParseCase> {};

// Each case is parsed whole, byte by byte and split in two at every position;
// all must give the expected log.
TEST_P(ParserTable, GivesTheExpectedCallbacksWhereverTheInputIsSplit)
{
    const ParseCase& c = GetParam();
    const auto whole = parseInPieces(c.input, {});
    EXPECT_EQ(whole, c.expected) << "got:\n" << dump(whole);

    std::vector<size_t> everyByte;
    for (size_t i = 1; i < c.input.size(); ++i)
        everyByte.push_back(i);
    EXPECT_EQ(parseInPieces(c.input, everyByte), c.expected) << "byte by byte";

    for (size_t cut = 1; cut < c.input.size(); ++cut)
        EXPECT_EQ(parseInPieces(c.input, {cut}), c.expected) << "split at " << cut;
}

const ParseCase kTextCases[] = {
    {"PlainText", "hello, world", {R"(print "hello, world")"}},
    {"ControlsBetweenText",
     "a\tb\r\nc",
     {R"(print "a")", "exec 09", R"(print "b")", "exec 0D", "exec 0A", R"(print "c")"}},
    {"NulAndBel", std::string("x\0\ay", 4), {R"(print "x")", "exec 00", "exec 07", R"(print "y")"}},
    {"DelIsNeverText",
     "a\x7F"
     "b",
     {R"(print "a")", "error 7F ground", R"(print "b")"}},
    {"EmIsNeverText",
     "a\x19"
     "b",
     {R"(print "a")", "error 19 ground", R"(print "b")"}},
    {"SubAndCanAreExecuted",
     "a\x1A\x18"
     "b",
     {R"(print "a")", "exec 1A", "exec 18", R"(print "b")"}},
    {"C1BytesAreTextInGround",
     "a\x9B"
     "1m\x84",
     {R"(print "a\x9B1m\x84")"}},
    {"Utf8Text",
     "caf\xC3\xA9 \xE2\x82\xAC \xF0\x9F\x98\x80!",
     {R"(print "caf\xC3\xA9 \xE2\x82\xAC \xF0\x9F\x98\x80!")"}},
    {"Utf8CutByControl", "\xE2\x82\a\xAC", {R"(print "\xE2\x82")", "exec 07", R"(print "\xAC")"}},
    {"Utf8CutByEscape", "\xF0\x9F\x1B[m", {R"(print "\xF0\x9F")", "csi |0|m"}},
    {"Utf8CutByDel", "\xC3\x7F\xA9", {R"(print "\xC3")", "error 7F ground", R"(print "\xA9")"}},
    {"IncompleteTailIsHeldUntilMoreArrives", "ab\xE2\x82", {R"(print "ab")"}},
    {"InvalidLeadBytesAreNotHeld", "a\xC0\xF8", {R"(print "a\xC0\xF8")"}},
    {"HeldTailFollowedByText", "\xE2x", {R"(print "\xE2x")"}},
    {"LoneContinuationBytes", "\x80\xBF", {R"(print "\x80\xBF")"}},
};
INSTANTIATE_TEST_SUITE_P(Text, ParserTable, testing::ValuesIn(kTextCases),
                         [](const auto& info) { return std::string(info.param.name); });

const ParseCase kCsiCases[] = {
    {"NoParameters", "\x1B[m", {"csi |0|m"}},
    {"TwoParameters", "\x1B[1;2H", {"csi |1;2|H"}},
    {"OmittedFirstParameter", "\x1B[;5H", {"csi |0;5|H"}},
    {"SubParameters", "\x1B[38:2:255:0:0m", {"csi |38:2:255:0:0|m"}},
    {"MixedSeparators", "\x1B[1;38:5:208;4m", {"csi |1;38:5:208;4|m"}},
    {"PrivateMarker", "\x1B[?25h", {"csi ?|25|h"}},
    {"MarkerAndIntermediate", "\x1B[?1$p", {"csi ?$|1|p"}},
    {"IntermediateOnly", "\x1B[2 q", {"csi  |2|q"}},
    {"GreaterThanMarker", "\x1B[>1;2c", {"csi >|1;2|c"}},
    {"MarkerAfterParameterIsIgnored", "\x1B[1?hX", {R"(print "X")"}},
    {"ParameterAfterIntermediateIsIgnored", "\x1B[1 2qX", {R"(print "X")"}},
    {"ColonRightAfterCsiIsAnError", "\x1B[:5m", {"error 3A csiEntry", R"(print "5m")"}},
    {"C0InsideIsExecuted", "\x1B[1\n2m", {"exec 0A", "csi |12|m"}},
    {"CanInsideIsExecutedAndTheSequenceGoesOn",
     "\x1B[1\x18"
     "2m",
     {"exec 18", "csi |12|m"}},
    {"SubInsideEndsIt",
     "\x1B[1\x1A"
     "2m",
     {"exec 1A", R"(print "2m")"}},
    {"EmInsideIsAnError",
     "\x1B[1\x19"
     "2m",
     {"error 19 csiParam", R"(print "2m")"}},
    {"DelInsideIsIgnored",
     "\x1B[1\x7F"
     "2m",
     {"csi |12|m"}},
    {"HighByteInsideIsAnError", "\x1B[1\xC3m", {"error C3 csiParam", R"(print "m")"}},
    {"EscInsideStartsOver", "\x1B[1\x1B[2m", {"csi |2|m"}},
    {"EightBitIntroducerAfterEsc",
     "\x1B\x9B"
     "1m",
     {"csi |1|m"}},
    {"C1InsideIsExecuted", "\x1B[1\x85", {"exec 85"}},
    {"ValueOfTwentyNinesWrapsToZeroAndGoesOn", "\x1B[99999999999999999999m", {"csi |99|m"}},
    {"LargestValueIsKept", "\x1B[922337203685477570m", {"csi |922337203685477570|m"}},
    {"OneMoreBecomesZero", "\x1B[922337203685477571m", {"csi |0|m"}},
    {"AtMostThirtyTwoParameters", "\x1B[" + numberedParams(40) + "m", {"csi |" + numberedParams(32) + "|m"}},
    {"DigitsAfterTheLastKeptParameterAreDropped",
     "\x1B[" + repeated("0;", 31) + "7;8;9m",
     {"csi |" + repeated("0;", 31) + "7|m"}},
    {"EightIntermediatesFit", "\x1B[" + repeated(" ", 8) + "q", {"csi " + repeated(" ", 8) + "|0|q"}},
    {"TooManyIntermediatesIgnoreTheSequence", "\x1B[" + repeated(" ", 9) + "qX", {R"(print "X")"}},
};
INSTANTIATE_TEST_SUITE_P(Csi, ParserTable, testing::ValuesIn(kCsiCases),
                         [](const auto& info) { return std::string(info.param.name); });

const ParseCase kEscCases[] = {
    {"Final",
     "\x1B"
     "7",
     {"esc |7"}},
    {"Designator", "\x1B(B", {"esc (|B"}},
    {"TwoIntermediates", "\x1B(%5", {"esc (%|5"}},
    {"StringTerminator", "\x1B\\", {R"(esc |\x5C)"}},
    {"C0InsideIsExecuted", "\x1B\r7", {"exec 0D", "esc |7"}},
    {"DelInsideIsIgnored",
     "\x1B\x7F"
     "8",
     {"esc |8"}},
    {"C1AfterEscIsExecuted", "\x1B\x84x", {"exec 84", R"(print "x")"}},
    {"StAfterEscEndsIt", "\x1B\x9Cx", {R"(print "x")"}},
    {"HighByteAfterEscIsAnError", "\x1B\xE9x", {"error E9 escape", R"(print "x")"}},
    {"TooManyIntermediatesIgnoreTheSequence", "\x1B" + repeated("(", 9) + "Bx", {R"(print "x")"}},
};
INSTANTIATE_TEST_SUITE_P(Esc, ParserTable, testing::ValuesIn(kEscCases),
                         [](const auto& info) { return std::string(info.param.name); });

const ParseCase kOscCases[] = {
    {"EndedByBel", "\x1B]2;title\a", {R"(osc 2 "title")"}},
    {"EndedByEscBackslash", "\x1B]2;title\x1B\\", {R"(osc 2 "title")", R"(esc |\x5C)"}},
    {"EndedByEightBitSt", "\x1B]2;title\x9Cx", {R"(osc 2 "title")", R"(print "x")"}},
    {"EightBitIntroducer",
     "\x1B\x9D"
     "0;t\a",
     {R"(osc 0 "t")"}},
    {"NumberOnly", "\x1B]104\a", {R"(osc 104 "")"}},
    {"NoNumber", "\x1B]abc\a", {R"(osc 0 "")"}},
    {"DataKeepsLaterSemicolons", "\x1B]8;;http://x\a", {R"(osc 8 ";http://x")"}},
    {"EmptyIsNotDispatched", "\x1B]\a", {}},
    {"CanAbandonsIt", "\x1B]2;x\x18y", {R"(print "y")"}},
    {"SubAbandonsIt", "\x1B]2;x\x1Ay", {R"(print "y")"}},
    {"EmAbandonsIt", "\x1B]2;x\x19y", {"error 19 oscString", R"(print "y")"}},
    {"OtherC0IsSkipped", "\x1B]2;a\x01\tb\a", {R"(osc 2 "ab")"}},
    {"DelIsData", "\x1B]2;a\x7F\a", {R"(osc 2 "a\x7F")"}},
    {"C1BytesAreData", "\x1B]2;a\x85\x9B\x90z\a", {R"(osc 2 "a\x85\x9B\x90z")"}},
    {"Utf8WithC1RangeBytesIsData",
     "\x1B]2;\xC4\x9C\xC5\x93\xE2\x80\x9C\a",
     {R"(osc 2 "\xC4\x9C\xC5\x93\xE2\x80\x9C")"}},
    {"StAfterACompleteCharacterEndsIt", "\x1B]2;\xC3\xA9\x9Cx", {R"(osc 2 "\xC3\xA9")", R"(print "x")"}},
    {"NumberOverflowBecomesZero", "\x1B]99999999999999999999;x\a", {R"(osc 0 "x")"}},
    {"EscInsideEndsItAndStartsASequence", "\x1B]0;t\x1B[1m", {R"(osc 0 "t")", "csi |1|m"}},
};
INSTANTIATE_TEST_SUITE_P(Osc, ParserTable, testing::ValuesIn(kOscCases),
                         [](const auto& info) { return std::string(info.param.name); });

const ParseCase kStringCases[] = {
    {"ApcGraphics", "\x1B_Gi=1,a=q;AAAA\x1B\\", {R"(apc G "i=1,a=q;AAAA")", R"(esc |\x5C)"}},
    {"ApcOtherKind", "\x1B_X\x1B\\", {R"(apc X "")", R"(esc |\x5C)"}},
    {"ApcEmpty", "\x1B_\x9C", {}},
    {"ApcEightBit", "\x1B\x9FGa\x85\x9C", {R"(apc G "a\x85")"}},
    {"ApcCanAbandonsIt", "\x1B_Gabc\x18x", {R"(print "x")"}},
    {"SosIsSwallowed", "\x1BXabc\x1B\\y", {R"(esc |\x5C)", R"(print "y")"}},
    {"PmIsSwallowedToEightBitSt", "\x1B^pm\a\x18\xC3\xA9\x9Cz", {R"(print "z")"}},
    {"SosSubEndsIt",
     "\x1BXa\x1A"
     "b",
     {"exec 1A", R"(print "b")"}},
};
INSTANTIATE_TEST_SUITE_P(Strings, ParserTable, testing::ValuesIn(kStringCases),
                         [](const auto& info) { return std::string(info.param.name); });

const ParseCase kDcsCases[] = {
    {"Sixel",
     "\x1BPq#0;2;0;0;0#0~~\x1B\\",
     {"dcs |0|q", "hook |0|q", R"(put "#0;2;0;0;0#0~~")", "unhook", R"(esc |\x5C)"}},
    {"WithParameters", "\x1BP0;1;8q-\x1B\\", {"dcs |0;1;8|q", "hook |0;1;8|q", R"(put "-")", "unhook", R"(esc |\x5C)"}},
    {"StatusStringRequest", "\x1BP$qm\x1B\\", {"dcs $|0|q", "hook $|0|q", R"(put "m")", "unhook", R"(esc |\x5C)"}},
    {"UnknownIsDropped", "\x1BP+q544e\x1B\\x", {"dcs +|0|q", R"(esc |\x5C)", R"(print "x")"}},
    {"EightBitIntroducerAndSt", "\x1B\x90qab\x9Cx", {"dcs |0|q", "hook |0|q", R"(put "ab")", "unhook", R"(print "x")"}},
    {"C0AndCanAreData",
     "\x1BPqa\r\n\x18"
     "b\x1B\\",
     {"dcs |0|q", "hook |0|q", R"(put "a\x0D\x0A\x18b")", "unhook", R"(esc |\x5C)"}},
    {"DelIsDropped",
     "\x1BPqa\x7F"
     "b\x9C",
     {"dcs |0|q", "hook |0|q", R"(put "ab")", "unhook"}},
    {"C1BytesAreData", "\x1BPq\x85\x9B\x90\x9C", {"dcs |0|q", "hook |0|q", R"(put "\x85\x9B\x90")", "unhook"}},
    {"Utf8WithStByteIsData", "\x1BPq\xC4\x9C\x9C", {"dcs |0|q", "hook |0|q", R"(put "\xC4\x9C")", "unhook"}},
    {"SubAbandonsIt",
     "\x1BPqab\x1A"
     "c",
     {"dcs |0|q", "hook |0|q", R"(put "ab")", "exec 1A", R"(print "c")"}},
    {"EmAbandonsIt",
     "\x1BPqab\x19"
     "c",
     {"dcs |0|q", "hook |0|q", R"(put "ab")", "error 19 dcsPassthrough", R"(print "c")"}},
    {"ColonIgnoresIt", "\x1BP1:2qdata\x1B\\x", {R"(esc |\x5C)", R"(print "x")"}},
    {"ControlsBeforeTheFinalAreIgnored", "\x1BP1\n;2\aq\x9C", {"dcs |1;2|q", "hook |1;2|q", "unhook"}},
};
INSTANTIATE_TEST_SUITE_P(Dcs, ParserTable, testing::ValuesIn(kDcsCases),
                         [](const auto& info) { return std::string(info.param.name); });

// --- Behaviour that a table of logs does not show ---------------------------

class ParserTest : public testing::Test {
protected:
    void feed(std::string_view text) { parser.parse(asBytes(text)); }

    RecordingHandler handler;
    EscapeSequenceParser parser{handler};
};

TEST_F(ParserTest, PrintsViewsIntoTheCallersBufferOnePerCall)
{
    const std::string first = "abc";
    const std::string second = "def\n";
    feed(first);
    EXPECT_EQ(handler.lastPrint.data(), asBytes(first).data());
    EXPECT_EQ(handler.lastPrint.size(), 3u);
    feed(second);
    EXPECT_EQ(handler.lastPrint.data(), asBytes(second).data());
    EXPECT_EQ(handler.printCalls, 2);
}

TEST_F(ParserTest, HandsACharacterSplitAcrossCallsOverWhole)
{
    feed("x\xF0\x9F");
    feed("\x98");
    EXPECT_EQ(handler.log, (std::vector<std::string>{R"(print "x")"}));
    feed("\x80y");
    EXPECT_EQ(handler.printCalls, 3);
    EXPECT_EQ(escapeBytes(handler.lastPrint), "y");
    EXPECT_EQ(handler.log, (std::vector<std::string>{R"(print "x\xF0\x9F\x98\x80y")"}));
}

TEST_F(ParserTest, EmptyChunkChangesNothing)
{
    feed("\x1B[1");
    parser.parse({});
    feed("m");
    EXPECT_EQ(handler.log, (std::vector<std::string>{"csi |1|m"}));
}

TEST_F(ParserTest, ResetDropsTheSequenceTheHeldCharacterAndTheDcsHandler)
{
    feed("\x1BPqab");
    parser.reset();
    EXPECT_EQ(parser.currentState(), ParserState::ground);
    feed("\x1B\\");
    feed("\xE2\x82");
    parser.reset();
    feed("\xACz");
    EXPECT_EQ(handler.log,
              (std::vector<std::string>{"dcs |0|q", "hook |0|q", R"(put "ab")", R"(esc |\x5C)", R"(print "\xACz")"}));
}

TEST_F(ParserTest, HandlerMayResetTheParserFromACallback)
{
    handler.resetOnRis = &parser;
    feed("a\x1B"
         "c\x1B[2Jb");
    EXPECT_EQ(handler.log, (std::vector<std::string>{R"(print "a")", "esc |c", "csi |2|J", R"(print "b")"}));
}

TEST_F(ParserTest, UnhandledSequencesReachTheFallbacks)
{
    handler.handles = false;
    feed("\x1B"
         "Z\x1B[?5z\x1B]777;x\a\x1B_Yq\x9C");
    EXPECT_EQ(handler.log,
              (std::vector<std::string>{
                  "esc-fallback |Z", "csi-fallback ?|5|z", R"(osc-fallback 777 "x")", R"(apc-fallback Y "q")"}));
}

TEST(ParserHandlerTest, DefaultCsiFallbackNamesTheFinalByteOnlyAtTheDebugLevel)
{
    struct Silent : RecordingHandler {
        void csiFallback(const SequenceParams& pars, const Intermediates& collect, uint8_t code) override
        {
            ParserHandler::csiFallback(pars, collect, code);
        }
    } handler;
    handler.handles = false;
    EscapeSequenceParser parser(handler);
    for (const bool debug : {false, true}) {
        const velmora::test::DebugDiagnostics level(debug);
        testing::internal::CaptureStderr();
        parser.parse(asBytes("\x1B[5i"));
        EXPECT_EQ(testing::internal::GetCapturedStderr(), debug ? "Cannot handle ESC-105\n" : "");
    }
}

TEST_F(ParserTest, ErrorsReportPositionInTheChunk)
{
    struct Positions : RecordingHandler {
        std::vector<size_t> positions;
        void parseError(const ParsingState& state) override { positions.push_back(state.position); }
    } recorder;
    EscapeSequenceParser p(recorder);
    p.parse(asBytes("ab\x19"
                    "c\x7F"));
    EXPECT_EQ(recorder.positions, (std::vector<size_t>{2, 4}));
}

TEST_F(ParserTest, SequenceParamsReportSubParameters)
{
    struct Capture : RecordingHandler {
        bool sub = false;
        std::vector<int64_t> values;
        bool dispatchCsi(uint8_t, const SequenceParams& pars, const Intermediates&) override
        {
            sub = pars.hasSubParameters();
            values.assign(pars.values().begin(), pars.values().end());
            return true;
        }
    } capture;
    EscapeSequenceParser p(capture);
    p.parse(asBytes("\x1B[4:3m"));
    EXPECT_TRUE(capture.sub);
    EXPECT_EQ(capture.values, (std::vector<int64_t>{4, 3}));
    p.parse(asBytes("\x1B[4;3m"));
    EXPECT_FALSE(capture.sub);
}

TEST_F(ParserTest, IntermediatesSeparateThePrivateMarker)
{
    struct Capture : RecordingHandler {
        std::vector<std::string> seen;
        bool dispatchCsi(uint8_t, const SequenceParams&, const Intermediates& collect) override
        {
            seen.push_back(std::string(1, static_cast<char>(collect.prefix() ? collect.prefix() : '-')) + "/"
                           + std::string(collect.intermediates()));
            return true;
        }
    } capture;
    EscapeSequenceParser p(capture);
    p.parse(asBytes("\x1B[?1$p\x1B[2 q\x1B[>c\x1B[m"));
    EXPECT_EQ(capture.seen, (std::vector<std::string>{"?/$", "-/ ", ">/", "-/"}));
}

// --- Length limits ----------------------------------------------------------

TEST_F(ParserTest, OscUpToTheLimitIsDispatched)
{
    struct Sizes : RecordingHandler {
        std::vector<size_t> sizes;
        bool dispatchOsc(int64_t, std::span<const uint8_t> data) override
        {
            sizes.push_back(data.size());
            return true;
        }
    } recorder;
    EscapeSequenceParser p(recorder);
    const size_t limit = EscapeSequenceParser::kMaxStringBytes;
    p.parse(asBytes("\x1B]1337;"));
    p.parse(asBytes(std::string(limit - 5, 'A')));
    p.parse(asBytes("\a"));
    EXPECT_EQ(recorder.sizes, (std::vector<size_t>{limit - 5}));
}

TEST_F(ParserTest, OversizedOscIsAbandonedAndSwallowedToItsEnd)
{
    const size_t limit = EscapeSequenceParser::kMaxStringBytes;
    feed("\x1B]1337;");
    feed(std::string(limit, 'A'));
    feed("more\ax");
    EXPECT_EQ(handler.log, (std::vector<std::string>{R"(print "x")"}));
    feed("\x1B]2;ok\a");
    EXPECT_EQ(handler.log.back(), R"(osc 2 "ok")");
}

TEST_F(ParserTest, OversizedApcIsAbandoned)
{
    feed("\x1B_G");
    feed(std::string(EscapeSequenceParser::kMaxStringBytes, 'A'));
    feed("\x1B\\");
    EXPECT_EQ(handler.log, (std::vector<std::string>{R"(esc |\x5C)"}));
}

TEST_F(ParserTest, OversizedDcsForgetsItsHandlerWithoutUnhook)
{
    struct CountingDcs : DcsHandler {
        size_t received = 0;
        int unhooks = 0;
        void hook(const Intermediates&, const SequenceParams&, uint8_t) override {}
        void put(std::span<const uint8_t> data) override { received += data.size(); }
        void unhook() override { ++unhooks; }
    } dcs;
    struct Recorder : RecordingHandler {
        corvel::DcsHandler* target = nullptr;
        corvel::DcsHandler* dispatchDcs(uint8_t, const SequenceParams&, const Intermediates&) override
        {
            return target;
        }
    } recorder;
    recorder.target = &dcs;
    EscapeSequenceParser p(recorder);
    const std::string block(1 << 20, '~');
    p.parse(asBytes("\x1BPq"));
    for (size_t sent = 0; sent <= EscapeSequenceParser::kMaxStringBytes; sent += block.size())
        p.parse(asBytes(block));
    p.parse(asBytes("\x1B\\x"));
    EXPECT_LE(dcs.received, EscapeSequenceParser::kMaxStringBytes);
    EXPECT_GT(dcs.received, 0u);
    EXPECT_EQ(dcs.unhooks, 0);
    EXPECT_EQ(recorder.log, (std::vector<std::string>{R"(esc |\x5C)", R"(print "x")"}));
}

} // namespace
} // namespace corvel::test
