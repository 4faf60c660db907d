#include "corvel/model/BufferLine.h"
#include "corvel/base/Diagnostics.h"

#include <algorithm>
#include <cstddef>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "corvel/base/Utf8.h"

namespace corvel {

BufferLine::BufferLine(int cols, const CharData& fillData, bool isWrapped)
    : isWrapped(isWrapped),
      cells_(static_cast<size_t>(std::max(cols, 0)), fillData),
      count_(std::max(cols, 0)),
      fillCharacter_(fillData)
{
}

BufferLine::BufferLine(const BufferLine& other)
    : isWrapped(other.isWrapped),
      renderMode(other.renderMode),
      images(other.images),
      cells_(other.cells_.begin(), other.cells_.begin() + other.count_),
      count_(other.count_),
      fillCharacter_(other.fillCharacter_)
{
}

void BufferLine::warnOutOfRange()
{
    writeDiagnostic("BufferLine: You passed an index out of range, adjusting to prevent crash, but you should debug");
}

namespace {

#if defined(__SSE2__)
// Writes n cells of width 1 in one attribute, taking their codes from bytes.
// A cell is five 32-bit words: the code, then width, reserved byte and
// payload (1, 0, 0 for these cells), then the attribute's three words. The
// cells are put together from those words in registers (loading a cell
// template that was just stored would stall on store forwarding): four
// cells (80 bytes) go out as five 16-byte stores with the codes merged into
// their code fields, the rest one by one.
void writeAsciiCells(CharData* out, const uint8_t* bytes, int n, const Attribute& attribute)
{
    static_assert(sizeof(CharData) == 20 && offsetof(CharData, code) == 0 && offsetof(CharData, width) == 4
                  && offsetof(CharData, unused) == 5 && offsetof(CharData, payload) == 6 && sizeof(TinyAtom) == 2
                  && offsetof(CharData, attribute) == 8 && sizeof(Attribute) == 12);
    int32_t w[5] = {0, 1, 0, 0, 0};
    std::memcpy(w + 2, &attribute, sizeof attribute);
    auto* dst = reinterpret_cast<__m128i*>(out);
    int i = 0;
    if (n >= 4) {
        const __m128i lanes[5] = {
            _mm_setr_epi32(w[0], w[1], w[2], w[3]),
            _mm_setr_epi32(w[4], w[0], w[1], w[2]),
            _mm_setr_epi32(w[3], w[4], w[0], w[1]),
            _mm_setr_epi32(w[2], w[3], w[4], w[0]),
            _mm_setr_epi32(w[1], w[2], w[3], w[4]),
        };
        // The code of cell k of a group lies in 32-bit lane k of vector k.
        const __m128i lane0 = _mm_set_epi32(0, 0, 0, -1);
        const __m128i lane1 = _mm_set_epi32(0, 0, -1, 0);
        const __m128i lane2 = _mm_set_epi32(0, -1, 0, 0);
        const __m128i lane3 = _mm_set_epi32(-1, 0, 0, 0);
        const __m128i zero = _mm_setzero_si128();
        for (; i + 4 <= n; i += 4, dst += 5) {
            int32_t four;
            std::memcpy(&four, bytes + i, sizeof four);
            const __m128i codes = _mm_unpacklo_epi16(_mm_unpacklo_epi8(_mm_cvtsi32_si128(four), zero), zero);
            _mm_storeu_si128(dst + 0, _mm_or_si128(lanes[0], _mm_and_si128(codes, lane0)));
            _mm_storeu_si128(dst + 1, _mm_or_si128(lanes[1], _mm_and_si128(codes, lane1)));
            _mm_storeu_si128(dst + 2, _mm_or_si128(lanes[2], _mm_and_si128(codes, lane2)));
            _mm_storeu_si128(dst + 3, _mm_or_si128(lanes[3], _mm_and_si128(codes, lane3)));
            _mm_storeu_si128(dst + 4, lanes[4]);
        }
    }
    const __m128i head = _mm_setr_epi32(0, w[1], w[2], w[3]);
    for (; i < n; ++i) {
        auto* cell = reinterpret_cast<char*>(out + i);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(cell), _mm_or_si128(head, _mm_cvtsi32_si128(bytes[i])));
        std::memcpy(cell + 16, &w[4], sizeof w[4]);
    }
}
#else
// Writes n cells of width 1 in one attribute, taking their codes from bytes.
void writeAsciiCells(CharData* out, const uint8_t* bytes, int n, const Attribute& attribute)
{
    const CharData cell(attribute, 0, 1);
    for (int i = 0; i < n; ++i) {
        out[i] = cell;
        out[i].code = bytes[i];
    }
}
#endif

// Stores each byte through set(), which warns and writes the last cell.
[[gnu::noinline, gnu::cold]] void setOutOfRange(BufferLine& line, int col, std::span<const uint8_t> bytes,
                                                const Attribute& attribute)
{
    for (size_t i = 0; i < bytes.size(); ++i)
        line.set(col + static_cast<int>(i), CharData(attribute, bytes[i], 1));
}

} // namespace

void BufferLine::setAsciiRun(int col, std::span<const uint8_t> bytes, const Attribute& attribute)
{
    const int n = static_cast<int>(bytes.size());
    const int inRange = col >= 0 ? std::clamp(count_ - col, 0, n) : 0;
    if (inRange > 0)
        writeAsciiCells(cells_.data() + col, bytes.data(), inRange, attribute);
    if (inRange < n) [[unlikely]]
        setOutOfRange(*this, col + inRange, bytes.subspan(static_cast<size_t>(inRange)), attribute);
}

bool BufferLine::hasAnyContent() const
{
    for (const CharData& c : cells()) {
        if (isContent(c))
            return true;
    }
    return false;
}

int BufferLine::getTrimmedLength() const
{
    for (int i = count_ - 1; i >= 0; --i) {
        const CharData& c = cells_[static_cast<size_t>(i)];
        if (c.code != 0)
            return std::min(count_, i + std::max<int>(c.width, 1));
    }
    return 0;
}

void BufferLine::attach(std::shared_ptr<TerminalImage> image)
{
    if (!images)
        images.emplace();
    images->push_back(std::move(image));
}

void BufferLine::resize(int cols, const CharData& fillData)
{
    if (cols == count_)
        return;
    if (cols <= 0) {
        cells_.clear();
        cells_.shrink_to_fit();
        count_ = 0;
        return;
    }
    if (cols > count_) {
        cells_.resize(static_cast<size_t>(count_));
        cells_.resize(static_cast<size_t>(cols), fillData);
    } else {
        cells_.resize(static_cast<size_t>(cols));
        cells_.shrink_to_fit();
    }
    count_ = cols;
}

void BufferLine::insertCells(int pos, int n, int rightMargin, const CharData& fillData)
{
    if (count_ == 0 || n <= 0)
        return;
    rightMargin = std::min(rightMargin, count_ - 1);
    if (rightMargin < 0)
        return;
    pos = pos % (rightMargin + 1);
    if (pos < 0)
        return;
    CharData* c = cells_.data();
    const int room = rightMargin + 1 - pos;
    if (n < room) {
        std::memmove(c + pos + n, c + pos, sizeof(CharData) * static_cast<size_t>(room - n));
        std::fill(c + pos, c + pos + n, fillData);
    } else {
        std::fill(c + pos, c + rightMargin + 1, fillData);
    }
}

void BufferLine::deleteCells(int pos, int n, int rightMargin, const CharData& fillData)
{
    if (count_ == 0 || n <= 0)
        return;
    rightMargin = std::min(rightMargin, count_ - 1);
    if (rightMargin < 0 || pos < 0 || pos > rightMargin)
        return;
    CharData* c = cells_.data();
    const int room = rightMargin + 1 - pos;
    if (n < room) {
        std::memmove(c + pos, c + pos + n, sizeof(CharData) * static_cast<size_t>(room - n));
        std::fill(c + rightMargin + 1 - n, c + rightMargin + 1, fillData);
    } else {
        std::fill(c + pos, c + rightMargin + 1, fillData);
    }
}

void BufferLine::replaceCells(int start, int end, const CharData& fillData)
{
    end = std::min(end, count_);
    start = std::max(start, 0);
    if (start >= end)
        return;
    std::fill(cells_.begin() + start, cells_.begin() + end, fillData);
}

void BufferLine::fill(const CharData& cell) { std::fill(cells_.begin(), cells_.end(), cell); }

void BufferLine::fill(const CharData& cell, int atCol, int len)
{
    atCol = std::max(atCol, 0);
    const int end = std::min(atCol + std::max(len, 0), count_);
    if (atCol >= end)
        return;
    std::fill(cells_.begin() + atCol, cells_.begin() + end, cell);
}

void BufferLine::clear(const Attribute& attribute)
{
    std::fill(cells_.begin(), cells_.end(), CharData(attribute, 0, 1));
    images.reset();
}

void BufferLine::copyFrom(const BufferLine& line)
{
    if (&line == this)
        return;
    if (cells_.size() < static_cast<size_t>(line.count_))
        cells_.resize(static_cast<size_t>(line.count_));
    std::copy(line.cells_.begin(), line.cells_.begin() + line.count_, cells_.begin());
    count_ = line.count_;
    isWrapped = line.isWrapped;
}

void BufferLine::copyFrom(const BufferLine& source, int srcCol, int dstCol, int len)
{
    // Keep both ranges inside their lines.
    if (srcCol < 0 || dstCol < 0)
        return;
    len = std::min({len, source.count_ - srcCol, count_ - dstCol});
    if (len <= 0)
        return;
    // memmove keeps overlapping ranges of the same line intact.
    std::memmove(cells_.data() + dstCol, source.cells_.data() + srcCol, sizeof(CharData) * static_cast<size_t>(len));
}

std::string BufferLine::translateToString(bool trimRight, int startCol, int endCol, bool skipNullCellsFollowingWide,
                                          const CharacterProvider& characterProvider) const
{
    int end = endCol == -1 ? count_ : endCol;
    if (trimRight)
        end = std::max(std::min(end, getTrimmedLength()), startCol);
    end = std::min(end, count_);
    startCol = std::max(startCol, 0);
    std::string out;
    if (startCol >= end)
        return out;
    out.reserve(static_cast<size_t>(end - startCol));
    for (int col = startCol; col < end; ++col) {
        const CharData& cell = cells_[static_cast<size_t>(col)];
        if (characterProvider) {
            out += characterProvider(cell);
        } else {
            appendUtf8(out, cell.getCharacter());
        }
        if (skipNullCellsFollowingWide && cell.width == 2 && col + 1 < end
            && cells_[static_cast<size_t>(col) + 1].code == 0) {
            ++col;
        }
    }
    return out;
}

std::string BufferLine::debugDescription() const
{
    std::string out;
    out.reserve(static_cast<size_t>(count_));
    for (const CharData& c : cells())
        appendUtf8(out, c.getCharacter());
    return out;
}

} // namespace corvel
