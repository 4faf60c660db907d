#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "corvel/model/CharData.h"
#include "corvel/model/TerminalImage.h"

namespace corvel {

// One row of a screen or of its scroll-back: a contiguous block of cells, a
// wrap flag, a DEC line size and the images attached to the row. Lines are
// shared by reference (the ring holds std::shared_ptr<BufferLine>) and edited
// in place.
//
// The block may hold more cells than `count()` after copyFrom(line) copied a
// shorter line in; fill(with) and clear(with) also write those spare cells.
class BufferLine {
public:
    enum class RenderLineMode : uint8_t { single, doubleWidth, doubledTop, doubledDown };
    using ImageList = std::vector<std::shared_ptr<TerminalImage>>;
    // Turns a cell into the text it shows (resolving grapheme indexes).
    using CharacterProvider = std::function<std::string(const CharData&)>;

    explicit BufferLine(int cols, const CharData& fillData = CharData::Null, bool isWrapped = false);
    // A copy of another line: its cells, wrap flag, line size, fill cell and
    // the same image objects.
    BufferLine(const BufferLine& other);
    BufferLine& operator=(const BufferLine&) = delete;

    bool isWrapped = false;
    RenderLineMode renderMode = RenderLineMode::single;
    // Images attached to the row, in the order attached; none when empty.
    std::optional<ImageList> images;

    int count() const { return count_; }
    const CharData& fillCharacter() const { return fillCharacter_; }

    // The cell at col; a column outside the line reads the last cell (a
    // line without cells reads CharData::Null).
    const CharData& operator[](int col) const
    {
        if (static_cast<unsigned>(col) < static_cast<unsigned>(count_)) [[likely]]
            return cells_[static_cast<size_t>(col)];
        return count_ > 0 ? cells_[static_cast<size_t>(count_ - 1)] : CharData::Null;
    }
    // Stores a cell at col; a column outside the line prints a warning and
    // writes the last cell instead.
    void set(int col, const CharData& cell)
    {
        if (static_cast<unsigned>(col) >= static_cast<unsigned>(count_)) [[unlikely]] {
            warnOutOfRange();
            if (count_ == 0)
                return;
            col = count_ - 1;
        }
        cells_[static_cast<size_t>(col)] = cell;
    }
    // The cells in use, for readers that walk a whole row.
    std::span<const CharData> cells() const { return {cells_.data(), static_cast<size_t>(count_)}; }

    // Writes bytes as cells of width 1 in the given attribute from col on.
    void setAsciiRun(int col, std::span<const uint8_t> bytes, const Attribute& attribute);

    std::vector<CharData> getData() const { return {cells_.begin(), cells_.begin() + count_}; }
    int getWidth(int index) const { return cells_[static_cast<size_t>(index)].width; }
    bool hasContent(int index) const { return isContent(cells_[static_cast<size_t>(index)]); }
    bool hasAnyContent() const;
    // The column just after the last cell with a character, 0 when none has.
    int getTrimmedLength() const;

    bool hasImages() const { return images && !images->empty(); }
    void attach(std::shared_ptr<TerminalImage> image);

    void resize(int cols, const CharData& fillData);
    void insertCells(int pos, int n, int rightMargin, const CharData& fillData);
    void deleteCells(int pos, int n, int rightMargin, const CharData& fillData);
    void replaceCells(int start, int end, const CharData& fillData);
    void fill(const CharData& cell);
    void fill(const CharData& cell, int atCol, int len);
    // Every cell of the block becomes an empty cell in attribute; images are
    // dropped; the wrap flag and line size stay.
    void clear(const Attribute& attribute);
    void copyFrom(const BufferLine& line);
    void copyFrom(const BufferLine& source, int srcCol, int dstCol, int len);

    // Text of columns startCol up to endCol (-1: the end of the line).
    std::string translateToString(bool trimRight = false, int startCol = 0, int endCol = -1,
                                  bool skipNullCellsFollowingWide = false,
                                  const CharacterProvider& characterProvider = {}) const;
    std::string debugDescription() const;

    // A cell is content unless it is empty (code 0) in the default attribute.
    static bool isContent(const CharData& cell) { return cell.code != 0 || cell.attribute != Attribute(); }

private:
    static void warnOutOfRange();

    std::vector<CharData> cells_; // the block; count_ of them are in use
    int count_ = 0;
    CharData fillCharacter_;
};

} // namespace corvel
