#include "corvel/terminal/BufferTextReader.h"

#include <algorithm>
#include <utility>

#include "corvel/base/Utf8.h"

namespace corvel {

namespace {

// The cluster a cell shows; U+0000 for an empty cell, a space for a code
// that is no scalar and names no cluster.
std::u32string cellCharacters(const CharData& cell, const GraphemeTable& graphemes)
{
    if (cell.code > CharData::graphemeCodeBase) {
        return graphemes.character(cell.code);
    }
    return std::u32string(1, cell.getCharacter());
}

void appendEncoded(std::vector<uint8_t>& out, std::u32string_view characters, TextEncoding encoding)
{
    if (encoding == TextEncoding::utf8) {
        std::string bytes;
        for (char32_t c : characters)
            appendUtf8(bytes, c);
        out.insert(out.end(), bytes.begin(), bytes.end());
        return;
    }
    const char32_t limit = encoding == TextEncoding::ascii ? 0x80 : 0x100;
    const bool fits = std::all_of(characters.begin(), characters.end(), [limit](char32_t c) { return c < limit; });
    if (!fits) {
        out.push_back('?');
        return;
    }
    for (char32_t c : characters)
        out.push_back(static_cast<uint8_t>(c));
}

} // namespace

void BufferTextReader::appendCell(std::string& out, const CharData& cell) const
{
    if (cell.code == 0) {
        out += ' ';
        return;
    }
    for (char32_t c : cellCharacters(cell, graphemes_))
        appendUtf8(out, c == 0 ? U' ' : c);
}

BufferTextReader::RowText BufferTextReader::rowText(int line, int start, int end)
{
    RowText row;
    if (line < 0 || line >= buffer_.lines().count())
        return row;
    const BufferLine& l = buffer_.lines()[line];
    const int last = end < 0 ? l.count() : std::min(end, l.count());
    const int textEnd = std::min(last, l.getTrimmedLength());
    start = std::max(start, 0);
    for (int col = start; col < textEnd; ++col) {
        const CharData& cell = l[col];
        if (cell.code == 0 && col > 0 && l[col - 1].width == 2)
            continue;
        appendCell(row.text, cell);
        ++row.length;
        if (cell.width == 2 && col + 1 < textEnd && l[col + 1].code == 0)
            ++col;
    }
    return row;
}

std::string BufferTextReader::translateBufferLineToString(int line, int start, int end)
{
    return rowText(line, start, end).text;
}

std::vector<Line> BufferTextReader::getSelectedLines(Position start, Position end)
{
    std::vector<Line> result(1);
    std::vector<LineFragment> pending;
    const int count = buffer_.lines().count();
    if (start.row < 0 || start.row >= count)
        return result;
    end.row = std::min(end.row, count - 1);

    auto addRow = [&](int row, RowText text, int location) {
        result.back().add({std::move(text.text), row, location, text.length});
    };
    // Blank rows wait until a row with content follows; each row starts a
    // visual line of its own.
    auto placePending = [&] {
        for (LineFragment& fragment : pending) {
            const std::vector<LineFragment>& placed = result.back().fragments;
            if (!placed.empty() && placed.back().line != fragment.line)
                result.emplace_back();
            result.back().add(std::move(fragment));
        }
        pending.clear();
    };
    auto addContentRow = [&](int row, RowText text) {
        placePending();
        if (!buffer_.lines()[row].isWrapped) {
            result.back().add(LineFragment::lineBreak(row - 1));
            result.emplace_back();
        }
        addRow(row, std::move(text), 0);
    };

    if (!isBlankRow(start.row)) {
        addRow(start.row, rowText(start.row, start.col, start.row == end.row ? end.col : -1), start.col);
    }
    for (int row = start.row + 1; row < end.row; ++row) {
        RowText text = rowText(row, 0, -1);
        if (!isBlankRow(row)) {
            addContentRow(row, std::move(text));
        } else {
            if (!buffer_.lines()[row].isWrapped)
                pending.push_back(LineFragment::lineBreak(row - 1));
            pending.push_back({std::move(text.text), row, 0, text.length});
        }
    }
    if (end.row != start.row && !isBlankRow(end.row))
        addContentRow(end.row, rowText(end.row, 0, end.col));
    return result;
}

std::string BufferTextReader::getText(Position start, Position end)
{
    if (Position::compare(start, end) == Position::compareResult::after)
        std::swap(start, end);
    if (start == end)
        return {};
    if (start.row < 0 || start.row >= buffer_.lines().count())
        return {};
    std::string out;
    for (const Line& line : getSelectedLines(start, end)) {
        for (const LineFragment& fragment : line.fragments) {
            if (fragment.text)
                out += *fragment.text;
        }
    }
    return out;
}

std::vector<uint8_t> BufferTextReader::getBufferAsData(TextEncoding encoding)
{
    std::vector<uint8_t> out;
    CircularBufferLineList& lines = buffer_.lines();
    for (int i = 0; i < lines.count(); ++i) {
        const BufferLine& line = lines[i];
        const int end = line.getTrimmedLength();
        for (int col = 0; col < end; ++col) {
            const CharData& cell = line[col];
            if (cell.code == 0) {
                out.push_back(0);
            } else {
                appendEncoded(out, cellCharacters(cell, graphemes_), encoding);
            }
        }
        out.push_back('\n');
    }
    return out;
}

} // namespace corvel
