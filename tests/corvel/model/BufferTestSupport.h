#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "ModelTestSupport.h"
#include "corvel/model/Buffer.h"

namespace corvel::testing {

inline std::span<const uint8_t> bytesOf(std::string_view text)
{
    return {reinterpret_cast<const uint8_t*>(text.data()), text.size()};
}

// A screen whose ring holds `lines` lines labelled "L0", "L1", ... (oldest
// first) with the last `rows` of them on screen, and whose scroll function
// behaves like a plain terminal: at the bottom of the ring it appends a line
// (or recycles the oldest when the ring is full) and records the call.
struct ScreenFixture {
    std::unique_ptr<Buffer> buffer;
    std::vector<bool> scrolls;

    void make(int cols, int rows, std::optional<int> scrollback, int lines = -1)
    {
        buffer = std::make_unique<Buffer>(cols, rows, 8, scrollback);
        Buffer* b = buffer.get();
        b->scroll = [this, b](bool isWrapped) {
            scrolls.push_back(isWrapped);
            CircularBufferLineList& ring = b->lines();
            if (ring.isFull()) {
                ring.recycle(Attribute());
            } else {
                ring.push(b->getBlankLine(Attribute()));
                b->setYBase(b->yBase() + 1);
                b->setYDisp(b->yBase());
            }
            ring[ring.count() - 1].isWrapped = isWrapped;
        };
        b->wraparound = true;
        if (lines < 0) {
            b->fillViewportRows();
            return;
        }
        for (int i = 0; i < lines; ++i) {
            auto line = b->getBlankLine(Attribute());
            const std::string label = "L" + std::to_string(i);
            for (size_t c = 0; c < label.size(); ++c)
                line->set(static_cast<int>(c), cellOf(label[c]));
            b->lines().push(line);
        }
        b->setYBase(std::max(lines - rows, 0));
        b->setYDisp(b->yBase());
    }

    // The text of a screen row, trailing empty cells trimmed.
    std::string row(int y) { return buffer->lines()[buffer->yBase() + y].translateToString(true); }
    // The cells of a screen row, "." for an empty cell.
    std::string cells(int y) { return cellsOf(buffer->lines()[buffer->yBase() + y]); }
    void setRow(int y, std::string_view text)
    {
        BufferLine& line = buffer->lines()[buffer->yBase() + y];
        for (size_t c = 0; c < text.size(); ++c) {
            line.set(static_cast<int>(c), text[c] == '.' ? CharData::Null : cellOf(text[c]));
        }
    }
};

} // namespace corvel::testing
