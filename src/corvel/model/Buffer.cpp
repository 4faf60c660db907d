#include "corvel/model/Buffer.h"
#include "corvel/base/Diagnostics.h"

#include <algorithm>
#include <climits>

namespace corvel {

namespace {

int ringCapacity(int rows, std::optional<int> scrollback)
{
    if (!scrollback)
        return rows;
    return static_cast<int>(std::min<int64_t>(int64_t{rows} + *scrollback, INT_MAX));
}

} // namespace

Buffer::Buffer(int cols, int rows, int tabStopWidth, std::optional<int> scrollback)
    : lines_(ringCapacity(std::max(rows, 1), scrollback ? std::optional(std::max(*scrollback, 0)) : std::nullopt)),
      cols_(std::max(cols, 1)),
      rows_(std::max(rows, 1)),
      scrollback_(scrollback ? std::optional(std::max(*scrollback, 0)) : std::nullopt),
      scrollBottom_(rows_ - 1)
{
    marginRight = cols_ - 1;
    scroll = [](bool) { writeDiagnostic("This should be set after creating a buffer"); };
    installRingHooks();
    setupTabStops(-1, tabStopWidth);
}

void Buffer::installRingHooks()
{
    // The ring belongs to this screen and never outlives it.
    lines_.makeEmpty = [this](int) { return std::make_shared<BufferLine>(cols_, CharData::Null, false); };
    lines_.onLinePushed = [this](bool hasImages) {
        if (hasImages)
            ++linesWithImagesCount_;
    };
    lines_.onLineRecycled = [this](bool hadImages) {
        if (hadImages && linesWithImagesCount_ > 0)
            --linesWithImagesCount_;
    };
}

int Buffer::getCorrectBufferLength(int rows) const { return ringCapacity(rows, scrollback_); }

bool Buffer::isCursorInViewPort() const
{
    const int row = yBase_ + y_;
    return row >= yDisp_ && row < yDisp_ + rows_;
}

const CharData& Buffer::getChar(Position at) { return getCharAtBufferRelative(Position(at.col, at.row + yDisp_)); }

const CharData& Buffer::getCharAtBufferRelative(Position at)
{
    const BufferLine& line = lines_[at.row];
    if (at.col < 0 || at.col >= line.count())
        return CharData::Null;
    return line[at.col];
}

std::shared_ptr<BufferLine> Buffer::getBlankLine(const Attribute& attribute, bool isWrapped) const
{
    return std::make_shared<BufferLine>(cols_, CharData(attribute, 0, 1), isWrapped);
}

// --- Tab stops

void Buffer::setupTabStops(int index, int tabStopWidth)
{
    int start = 0;
    if (index < 0) {
        tabStops.assign(static_cast<size_t>(cols_), false);
    } else {
        tabStops.resize(static_cast<size_t>(cols_), false);
        const int probe = std::min(index, cols_ - 1);
        start = tabStops[static_cast<size_t>(probe)] ? index : previousTabStop(probe);
    }
    if (tabStopWidth <= 0)
        return;
    for (int i = start; i < cols_; i += tabStopWidth)
        tabStops[static_cast<size_t>(i)] = true;
}

int Buffer::nextTabStop(bool marginMode, int index) const
{
    const int limit = marginMode ? marginRight : cols_ - 1;
    int i = index == -1 ? x_ : index;
    if (i >= limit)
        return limit;
    const int size = static_cast<int>(tabStops.size());
    while (++i < limit) {
        if (i >= 0 && i < size && tabStops[static_cast<size_t>(i)])
            return i;
    }
    return limit;
}

int Buffer::previousTabStop(int index) const
{
    int i = index == -1 ? x_ : index;
    if (i < 0)
        return i;
    const int size = static_cast<int>(tabStops.size());
    while (--i > 0) {
        if (i < size && tabStops[static_cast<size_t>(i)])
            break;
    }
    i = std::max(i, 0);
    return i >= cols_ ? cols_ - 1 : i;
}

void Buffer::tabSet(int pos)
{
    if (pos >= 0 && pos < static_cast<int>(tabStops.size()))
        tabStops[static_cast<size_t>(pos)] = true;
}

void Buffer::tabClear(int pos)
{
    if (pos >= 0 && pos < static_cast<int>(tabStops.size()))
        tabStops[static_cast<size_t>(pos)] = false;
}

// --- Whole-screen operations

void Buffer::clear()
{
    yDisp_ = 0;
    linesTop = 0;
    x_ = 0;
    y_ = 0;
    yBase_ = 0;
    linesWithImagesCount_ = 0;
    scrollTop_ = 0;
    scrollBottom_ = rows_ - 1;
    lines_ = CircularBufferLineList(getCorrectBufferLength(rows_));
    installRingHooks();
}

void Buffer::softReset()
{
    savedAttr = Attribute();
    savedX = 0;
    savedY = 0;
    savedPendingWrap = false;
    savedCharsets = {};
    savedGLevel = 0;
    savedOriginMode = false;
    resetMargins();
}

void Buffer::fillViewportRows(std::optional<Attribute> attribute)
{
    if (lines_.count() != 0)
        return;
    const CharData fill(attribute.value_or(Attribute()), 0, 1);
    for (int i = 0; i < rows_; ++i)
        lines_.push(std::make_shared<BufferLine>(cols_, fill, false));
}

void Buffer::changeHistorySize(std::optional<int> scrollback)
{
    scrollback_ = scrollback ? std::optional(std::max(*scrollback, 0)) : std::nullopt;
    const int capacity = getCorrectBufferLength(rows_);
    if (capacity == lines_.maxLength())
        return;
    if (capacity > lines_.maxLength()) {
        lines_.setMaxLength(capacity);
        return;
    }
    const int excess = lines_.count() - capacity;
    if (excess > 0) {
        lines_.trimStart(excess);
        // Screen rows (the cursor and the saved cursor) keep their lines;
        // only ring indexes move.
        yBase_ = std::max(yBase_ - excess, 0);
        yDisp_ = std::max(yDisp_ - excess, 0);
    }
    lines_.setMaxLength(capacity);
}

// --- Images

void Buffer::attachImage(std::shared_ptr<TerminalImage> image, int lineIndex)
{
    BufferLine& line = lines_[lineIndex];
    const bool hadImages = line.hasImages();
    line.attach(std::move(image));
    if (!hadImages)
        ++linesWithImagesCount_;
}

void Buffer::clearImagesFromLine(int lineIndex)
{
    BufferLine& line = lines_[lineIndex];
    if (line.hasImages() && linesWithImagesCount_ > 0)
        --linesWithImagesCount_;
    line.images.reset();
}

void Buffer::recalculateLinesWithImagesCount()
{
    int n = 0;
    for (int i = 0; i < lines_.count(); ++i)
        n += lines_[i].hasImages() ? 1 : 0;
    linesWithImagesCount_ = n;
}

// --- Printing

void Buffer::wrapToNextLine()
{
    pendingWrap_ = false;
    x_ = marginMode ? marginLeft : 0;
    if (y_ == scrollBottom_) {
        scroll(true);
    } else if (y_ < rows_ - 1) {
        ++y_;
        lines_[yBase_ + y_].isWrapped = true;
    }
}

void Buffer::insertCharacter(const CharData& character)
{
    const int width = std::max<int>(character.width, 1);
    if (pendingWrap_) {
        pendingWrap_ = false;
        if (wraparound)
            wrapToNextLine();
    }
    int limit = rightLimit();
    if (x_ + width - 1 > limit) {
        if (wraparound) {
            wrapToNextLine();
            limit = rightLimit();
        } else {
            if (width == 2)
                return;
            x_ = limit;
        }
    }
    BufferLine& line = lines_[yBase_ + y_];
    if (insertMode) {
        const CharData fill(curAttr, 0, 1);
        line.insertCells(x_, width, limit, fill);
        // No wide character may be left cut in half at the right edge.
        const int last = std::min(cols_, line.count()) - 1;
        if (last >= 0 && line[last].width == 2)
            line.set(cols_ - 1, fill);
    }
    if (x_ >= cols_)
        x_ = cols_ - 1;
    lastBufferStorage = {yBase_ + y_, x_, cols_, rows_};
    if (printPayload.code != 0) [[unlikely]] {
        CharData linked = character;
        linked.payload = printPayload;
        line.set(x_, linked);
    } else {
        line.set(x_, character);
    }
    int last = x_;
    for (int i = 1; i < width && last + 1 < cols_; ++i) {
        CharData rest(curAttr, 0, 0);
        rest.payload = printPayload;
        line.set(++last, rest);
    }
    advancePast(last, limit);
}

int Buffer::insertAsciiRun(std::span<const uint8_t> run, const Attribute& attribute)
{
    if (insertMode || run.empty())
        return 0;
    const int total = static_cast<int>(run.size());
    // The usual case: the whole run fits on the cursor's row, unlinked.
    if (!pendingWrap_ && printPayload.code == 0) [[likely]] {
        const int limit = rightLimit();
        const int last = x_ + total - 1;
        if (last <= limit) [[likely]] {
            const int row = yBase_ + y_;
            lines_[row].setAsciiRun(x_, run, attribute);
            lastBufferStorage = {row, last, cols_, rows_};
            advancePast(last, limit);
            return total;
        }
    }
    return insertAsciiRunSlow(run, attribute);
}

int Buffer::insertAsciiRunSlow(std::span<const uint8_t> run, const Attribute& attribute)
{
    const int total = static_cast<int>(run.size());
    int printed = 0;
    while (printed < total) {
        if (pendingWrap_) {
            pendingWrap_ = false;
            if (wraparound)
                wrapToNextLine();
        }
        int limit = rightLimit();
        if (x_ > limit) {
            // Only a cursor put past the last column by hand gets here.
            if (!wraparound) {
                x_ = limit;
            } else {
                wrapToNextLine();
                limit = rightLimit();
            }
        }
        const int row = yBase_ + y_;
        BufferLine& line = lines_[row];
        const int room = limit - x_ + 1;
        const int remaining = total - printed;
        if (remaining > room && !wraparound) {
            // Without auto-wrap every byte past the limit lands on the limit
            // column in turn, so the run's last byte is the one that stays.
            if (room > 1)
                line.setAsciiRun(
                    x_, run.subspan(static_cast<size_t>(printed), static_cast<size_t>(room - 1)), attribute);
            line.setAsciiRun(limit, run.subspan(static_cast<size_t>(total - 1), 1), attribute);
            if (printPayload.code != 0) [[unlikely]]
                stampPayload(line, x_, room);
            lastBufferStorage = {row, limit, cols_, rows_};
            x_ = limit;
            return total;
        }
        const int n = std::min(room, remaining);
        line.setAsciiRun(x_, run.subspan(static_cast<size_t>(printed), static_cast<size_t>(n)), attribute);
        if (printPayload.code != 0) [[unlikely]]
            stampPayload(line, x_, n);
        lastBufferStorage = {row, x_ + n - 1, cols_, rows_};
        advancePast(x_ + n - 1, limit);
        printed += n;
    }
    return printed;
}

void Buffer::stampPayload(BufferLine& line, int col, int count)
{
    const int end = std::min(col + count, line.count());
    for (int c = std::max(col, 0); c < end; ++c) {
        CharData cell = line[c];
        cell.payload = printPayload;
        line.set(c, cell);
    }
}

} // namespace corvel
