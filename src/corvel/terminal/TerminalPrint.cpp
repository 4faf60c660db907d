// Printing: runs of text become cells (through the character sets, with
// wide characters and grapheme clusters), plus the C0 commands that go with
// printing and the character-set slots.

#include <algorithm>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "corvel/base/CharSets.h"
#include "corvel/base/UnicodeUtil.h"
#include "corvel/base/UnicodeWidthData.h"
#include "corvel/terminal/ClusterRules.h"
#include "corvel/terminal/Terminal.h"

namespace corvel {

namespace {

bool isAllAscii(std::span<const uint8_t> data)
{
    const uint8_t* p = data.data();
    size_t n = data.size();
#if defined(__SSE2__)
    if (n >= 16) {
        __m128i acc16 = _mm_setzero_si128();
        for (; n >= 16; p += 16, n -= 16)
            acc16 = _mm_or_si128(acc16, _mm_loadu_si128(reinterpret_cast<const __m128i*>(p)));
        if (_mm_movemask_epi8(acc16) != 0)
            return false;
    }
#endif
    uint64_t acc = 0;
    while (n >= 8) {
        uint64_t word;
        std::memcpy(&word, p, 8);
        acc |= word;
        p += 8;
        n -= 8;
    }
    while (n--)
        acc |= *p++;
    return (acc & 0x8080808080808080ull) == 0;
}

// The second byte allowed after a lead byte, by the class in the high nibble
// of its UnicodeUtil::first entry: 80..BF, A0..BF, 80..9F, 90..BF, 80..8F.
bool secondByteAllowed(uint8_t entry, uint8_t b)
{
    static constexpr uint8_t lowest[] = {0x80, 0xA0, 0x80, 0x90, 0x80};
    static constexpr uint8_t span[] = {0x3F, 0x1F, 0x1F, 0x2F, 0x0F};
    const unsigned cls = entry >> 4;
    return static_cast<uint8_t>(b - lowest[cls]) <= span[cls];
}

constexpr bool isContinuation(uint8_t b) { return (b & 0xC0) == 0x80; }

bool takesPresentationSelector(char32_t c)
{
    const auto& table = UnicodeWidthData::emojiVs16Base;
    return UnicodeUtil::bisearch(c, table, static_cast<int>(table.size()) - 1) != 0;
}

} // namespace

void Terminal::handlePrint(std::span<const uint8_t> data)
{
    if (data.empty())
        return;
    Buffer& b = *buffer_;
    if (charset == nullptr && isAllAscii(data)) {
        const int y = b.y();
        const int yDisp = b.yDisp();
        updateRange(b, y);
        const int printed = b.insertAsciiRun(data, curAttr);
        if (printed == static_cast<int>(data.size())) {
            // A run that stayed on its row has already been marked.
            if (b.y() != y || b.yDisp() != yDisp)
                updateRange(b, b.y());
            return;
        }
        // Insert mode prints nothing here: the general path inserts the run
        // a character at a time.
        data = data.subspan(static_cast<size_t>(printed));
    }
    printGeneral(data);
}

void Terminal::printGeneral(std::span<const uint8_t> data)
{
    updateRange(*buffer_, buffer_->y());
    const size_t count = data.size();
    size_t i = 0;
    while (i < count) {
        if (data[i] < 0x80 && charset == nullptr && !buffer_->insertMode) {
            // A stretch of ASCII inside mixed text goes in as one run.
            size_t end = i + 1;
            while (end < count && data[end] < 0x80)
                ++end;
            const auto printed = static_cast<size_t>(buffer_->insertAsciiRun(data.subspan(i, end - i), curAttr));
            for (size_t k = i + printed; k < end; ++k)
                buffer_->insertCharacter(CharData(curAttr, data[k], 1));
            i = end;
            continue;
        }
        const uint8_t lead = data[i++];
        const uint8_t entry = UnicodeUtil::first[lead];
        if (entry == UnicodeUtil::firstAscii || entry == UnicodeUtil::firstInvalid) {
            if (lead <= 0x7E && charset && charset->contains(lead)) {
                const char32_t shown = charset->replacement(lead);
                buffer_->insertCharacter(CharData(curAttr, graphemes_.code(std::u32string_view(&shown, 1)), 1));
                continue;
            }
            const int width = UnicodeUtil::columnWidth(lead);
            if (width >= 1)
                buffer_->insertCharacter(CharData(curAttr, lead, static_cast<int8_t>(width)));
            continue;
        }

        // A multi-byte sequence. One that is cut short or malformed shows its
        // lead byte as the character of the same value; decoding then goes on
        // with the byte right after the lead, so no valid byte is lost.
        const size_t length = entry & 0x0F;
        bool valid = i + length - 1 <= count && secondByteAllowed(entry, data[i]);
        char32_t scalar = 0;
        if (valid) {
            switch (length) {
            case 2: scalar = (char32_t{lead & 0x1Fu} << 6) | (data[i] & 0x3Fu); break;
            case 3:
                valid = isContinuation(data[i + 1]);
                scalar = (char32_t{lead & 0x0Fu} << 12) | (char32_t{data[i] & 0x3Fu} << 6) | (data[i + 1] & 0x3Fu);
                break;
            default:
                valid = isContinuation(data[i + 1]) && isContinuation(data[i + 2]);
                scalar = (char32_t{lead & 0x07u} << 18) | (char32_t{data[i] & 0x3Fu} << 12)
                    | (char32_t{data[i + 1] & 0x3Fu} << 6) | (data[i + 2] & 0x3Fu);
                break;
            }
        }
        if (!valid) {
            const int width = UnicodeUtil::columnWidth(lead);
            if (width >= 1)
                buffer_->insertCharacter(CharData(curAttr, lead, static_cast<int8_t>(width)));
            continue;
        }
        i += length - 1;

        const int width = UnicodeUtil::columnWidth(scalar);
        if (width < 0)
            continue;
        printScalar(scalar, width);
    }
    updateRange(*buffer_, buffer_->y());
}

void Terminal::printScalar(char32_t scalar, int width)
{
    Buffer& b = *buffer_;
    bool candidate = ClusterRules::mayJoinPrevious(scalar, width);
    if (!candidate && lastStorageValid(b)) {
        const Buffer::LastBufferStorage& last = b.lastBufferStorage;
        const CharData& previous = b.lines()[last.y][std::min(last.x, cols - 1)];
        const char32_t ending = graphemes_.lastScalar(previous.code);
        candidate = ending == ClusterRules::zeroWidthJoiner
            || (ClusterRules::isRegionalIndicator(scalar) && graphemes_.length(previous.code) == 1
                && ClusterRules::isRegionalIndicator(ending));
    }
    if (candidate && joinPrevious(scalar, width))
        return;
    if (width == 0)
        return;
    const int32_t code
        = scalar <= 0xFFFF ? static_cast<int32_t>(scalar) : graphemes_.code(std::u32string_view(&scalar, 1));
    b.insertCharacter(CharData(curAttr, code, static_cast<int8_t>(width)));
}

Terminal::JoinResult Terminal::joinCharacter(int32_t previousCode, char32_t scalar)
{
    JoinCacheEntry& entry = joinCache_[(static_cast<uint32_t>(previousCode) * 31u ^ scalar) & 0xFF];
    if (entry.previous == previousCode && entry.scalar == scalar)
        return entry.result;

    JoinResult result{JoinOutcome::separate, 0};
    if (graphemes_.extends(previousCode, scalar)) {
        const bool selector = scalar == ClusterRules::emojiPresentation || scalar == ClusterRules::textPresentation;
        const bool applies = !selector || takesPresentationSelector(graphemes_.lastScalar(previousCode));
        const int32_t joined = applies ? graphemes_.append(previousCode, scalar) : 0;
        // A selector that does not apply, or a mark past the longest cluster
        // the table keeps, is dropped.
        result = joined ? JoinResult{JoinOutcome::joined, joined} : JoinResult{JoinOutcome::dropped, 0};
    }
    entry = {previousCode, scalar, result};
    return result;
}

// Joins the scalar to the last printed cell when the two form one grapheme
// cluster. Returns true when the scalar was used up (joined, or dropped as a
// selector that does not apply), false when it must start a cell of its own.
bool Terminal::joinPrevious(char32_t scalar, int /*width*/)
{
    Buffer& b = *buffer_;
    if (!lastStorageValid(b))
        return false;
    const Buffer::LastBufferStorage& last = b.lastBufferStorage;
    BufferLine& line = b.lines()[last.y];
    const int c = std::min(last.x, cols - 1);
    const CharData previous = line[c];

    const JoinResult join = joinCharacter(previous.code, scalar);
    if (join.outcome == JoinOutcome::separate)
        return false;
    if (join.outcome == JoinOutcome::dropped)
        return true;

    int newWidth = previous.width;
    if (scalar == ClusterRules::emojiPresentation) {
        if (previous.width != 2 && c + 1 < cols) {
            line.set(c + 1, CharData(previous.attribute, 0, 0));
            // The cursor moves one further, onto a pending wrap when that
            // passes the right margin.
            if (!b.pendingWrap()) {
                const int limit = modes_.marginMode && b.x() <= b.marginRight ? b.marginRight : cols - 1;
                if (b.x() + 1 > limit) {
                    b.setX(limit);
                    b.setPendingWrap(modes_.wraparound);
                } else {
                    b.setX(b.x() + 1);
                }
            }
            newWidth = 2;
        }
    } else if (scalar == ClusterRules::textPresentation) {
        if (previous.width == 2) {
            // The cell shrinks to one column: a pending wrap at its right
            // half becomes the column after it.
            if (b.pendingWrap())
                b.setPendingWrap(false);
            else
                b.setX(b.x() - 1);
        }
        newWidth = 1;
    }
    CharData cell(previous.attribute, join.code, static_cast<int8_t>(newWidth));
    cell.payload = previous.payload;
    line.set(c, cell);
    updateRange(last.y - b.yBase());
    return true;
}

// ---- C0 commands ---------------------------------------------------------------------

// Backspace is a cursor-back by one, reverse wrap included.
void Terminal::cmdBackspace() { cursorBackward(1); }

void Terminal::cmdLineFeedBasic()
{
    Buffer& b = *buffer_;
    if (b.y() == b.scrollBottom()) {
        if (!modes_.marginMode || (b.x() >= b.marginLeft && b.x() <= b.marginRight))
            scroll(false);
    } else if (b.y() != rows - 1) {
        b.setY(b.y() + 1);
    }
    b.setPendingWrap(false);
    if (tdel)
        tdel->linefeed(*this);
    if (modes_.lineFeedMode)
        b.setX(modes_.originMode && modes_.marginMode ? b.marginLeft : 0);
}

void Terminal::cmdCarriageReturn()
{
    Buffer& b = *buffer_;
    if (modes_.marginMode && b.x() >= b.marginLeft)
        b.setX(b.marginLeft);
    else
        b.setX(0);
}

// ---- character sets ------------------------------------------------------------------

void Terminal::setgLevel(uint8_t level)
{
    gLevel = level;
    charset = level < gCharsets.size() ? gCharsets[level] : nullptr;
}

void Terminal::setgCharset(uint8_t slot, const CharSet* set)
{
    if (slot >= gCharsets.size())
        return;
    // A set that replaces nothing prints like no set at all.
    if (set && set->empty())
        set = nullptr;
    gCharsets[slot] = set;
    if (slot == gLevel)
        charset = set;
}

void Terminal::selectCharset(uint8_t intermediate, uint8_t final)
{
    uint8_t slot;
    switch (intermediate) {
    case '(': slot = 0; break;
    case ')':
    case '-': slot = 1; break;
    case '*':
    case '.': slot = 2; break;
    case '+':
    case '/': slot = 3; break;
    default: return;
    }
    setgCharset(slot, CharSets::find(final));
}

// ---- REP -------------------------------------------------------------------------------------

void Terminal::cmdRepeatPrecedingCharacter(const SequenceParams& pars, const Intermediates& /*collect*/)
{
    const int64_t limit = int64_t{cols} * rows * 2;
    const int64_t n = pars.size() > 0 && pars[0] > 1 ? std::min(pars[0], limit) : 1;
    Buffer& b = *buffer_;
    CharData cell(Attribute(), 0, 1);
    // The preceding character is left of the cursor, or under it when a
    // wrap is pending after it.
    const int x = b.pendingWrap() ? b.x() + 1 : b.x();
    if (x > 0) {
        BufferLine& line = cursorLine();
        cell = line[x - 1];
        if (cell.width == 0) {
            // The right half of a wide character: repeat the whole character.
            if (x >= 2 && line[x - 2].width == 2)
                cell = line[x - 2];
            else
                cell = CharData(cell.attribute, 0, 1);
        }
    }
    for (int64_t i = 0; i < n; ++i)
        buffer_->insertCharacter(cell);
    updateRange(buffer_->y());
}

} // namespace corvel
