#include "corvel/terminal/LinkDetector.h"

#include <algorithm>
#include <map>
#include <tuple>

#include "corvel/base/Utf8.h"
#include "corvel/terminal/ImplicitLinkPattern.h"

namespace corvel {

namespace {

// The Unicode White_Space property.
bool isWhiteSpace(char32_t c)
{
    return (c >= 0x09 && c <= 0x0D) || c == 0x20 || c == 0x85 || c == 0xA0 || c == 0x1680
        || (c >= 0x2000 && c <= 0x200A) || c == 0x2028 || c == 0x2029 || c == 0x202F || c == 0x205F || c == 0x3000;
}

// An empty cell's character is blank, like whitespace.
bool isBlank(std::u32string_view character) { return character.empty() || isWhiteSpace(character.front()); }

// Characters that may continue a link across the seam between two rows.
bool isContinuationCharacter(std::u32string_view character)
{
    constexpr std::u32string_view punctuation = U"-._~:/?#[]@!$&*+,;=%()";
    if (character.empty())
        return false;
    return std::all_of(character.begin(), character.end(), [&](char32_t c) {
        return (c >= U'a' && c <= U'z') || (c >= U'A' && c <= U'Z') || (c >= U'0' && c <= U'9')
            || punctuation.find(c) != std::u32string_view::npos;
    });
}

void appendUtf8(std::string& out, std::u32string_view characters)
{
    for (char32_t c : characters)
        corvel::appendUtf8(out, c);
}

bool isRightHalf(const BufferLine& line, int col) { return line[col].code == 0 && col > 0 && line[col - 1].width == 2; }

bool followsDollar(std::string_view text, size_t at) { return at > 0 && text[at - 1] == '$'; }

} // namespace

std::optional<std::string> LinkDetector::parseHyperlinkPayload(std::string_view payload)
{
    const size_t separator = payload.find(';');
    if (separator == std::string_view::npos)
        return std::nullopt;
    return std::string(payload.substr(separator + 1));
}

std::optional<Position> LinkDetector::resolveLinkLocation(const LinkLookupLocation& location) const
{
    Position at = location.position;
    if (location.kind == LinkLookupLocation::Kind::screen)
        at.row += buffer_.yDisp();
    if (lines_.count() == 0)
        return std::nullopt;
    at.col = std::clamp(at.col, 0, std::max(cols_ - 1, 0));
    at.row = std::clamp(at.row, 0, lines_.count() - 1);
    return at;
}

// ---- explicit links ------------------------------------------------------------

uint16_t LinkDetector::cellPayloadCode(const BufferLine& line, int col)
{
    const CharData& cell = line[col];
    if (cell.payload.code != 0)
        return cell.payload.code;
    if (isRightHalf(line, col))
        return line[col - 1].payload.code;
    return 0;
}

std::optional<uint16_t> LinkDetector::payloadCode(Position at) const
{
    if (!hasRow(at.row))
        return std::nullopt;
    const BufferLine& line = lines_[at.row];
    const int n = std::min(cols_, line.count());
    if (n <= 0)
        return std::nullopt;
    const uint16_t code = cellPayloadCode(line, std::clamp(at.col, 0, n - 1));
    if (code == 0)
        return std::nullopt;
    return code;
}

std::optional<std::string> LinkDetector::payloadString(Position at) const
{
    const std::optional<uint16_t> code = payloadCode(at);
    if (!code)
        return std::nullopt;
    TinyAtom atom;
    atom.code = *code;
    return atom.target();
}

std::optional<LinkMatch> LinkDetector::explicitLinkMatch(Position at) const
{
    const std::optional<uint16_t> code = payloadCode(at);
    if (!code)
        return std::nullopt;
    const BufferLine& line = lines_[at.row];
    const int n = std::min(line.count(), cols_);
    if (n <= 0)
        return std::nullopt;
    const int col = std::clamp(at.col, 0, n - 1);

    int start = col;
    while (start > 0 && cellPayloadCode(line, start - 1) == *code)
        --start;
    int end = col;
    while (end < n && cellPayloadCode(line, end) == *code)
        ++end;

    std::optional<std::string> payload = line[col].getPayload();
    if (!payload)
        payload = line[std::max(col - 1, 0)].getPayload();
    if (!payload)
        return std::nullopt;
    std::optional<std::string> uri = parseHyperlinkPayload(*payload);
    if (!uri)
        return std::nullopt;

    const LinkMatch::ColumnRange range{start, end};
    return LinkMatch{std::move(*uri), at.row, range, true, {{at.row, range}}};
}

// ---- implicit links ------------------------------------------------------------

std::optional<LinkDetector::ImplicitLineMap> LinkDetector::buildImplicitLineMap(Position at) const
{
    if (!hasRow(at.row))
        return std::nullopt;
    const int row = at.row;
    const BufferLine& targetLine = lines_[row];
    const int n = std::min(cols_, targetLine.count());
    if (n <= 0)
        return std::nullopt;
    int targetCol = std::clamp(at.col, 0, n - 1);
    if (isRightHalf(targetLine, targetCol))
        --targetCol;

    const int span = rowsScanned();
    int startRow = row;
    while (startRow > 0 && lines_[startRow].isWrapped && row - startRow < span)
        --startRow;
    int endRow = row;
    while (hasRow(endRow + 1) && lines_[endRow + 1].isWrapped && endRow - row < span)
        ++endRow;
    if (startRow == row && endRow == row) {
        if (const auto group = heuristicImplicitGroup(row))
            std::tie(startRow, endRow) = *group;
    }

    ImplicitLineMap map;
    map.targetRow = row;
    map.targetCol = targetCol;
    map.cells.reserve(static_cast<size_t>((endRow - startRow + 1) * std::max(cols_, 0)));
    bool inLine = false;
    for (int r = startRow; r <= endRow; ++r) {
        const BufferLine& line = lines_[r];
        const int rowEnd = std::min({line.getTrimmedLength(), cols_, line.count()});
        if (rowEnd <= 0)
            continue;
        int startCol = 0;
        // A row joined by the seam heuristic drops its indentation; a row the
        // terminal wrapped keeps every cell, spaces included.
        if (!line.isWrapped && isImplicitContinuationRow(r, startRow)) {
            while (startCol < rowEnd && !isRightHalf(line, startCol)
                   && isBlank(line[startCol].code == 0 ? std::u32string() : character(line[startCol]))) {
                ++startCol;
            }
            if (startCol >= rowEnd)
                continue;
        }
        if (r == row)
            inLine = targetCol >= startCol && targetCol < rowEnd;
        for (int c = startCol; c < rowEnd; ++c) {
            const CharData& cell = line[c];
            if (isRightHalf(line, c))
                continue;
            map.offsets.push_back(map.text.size());
            map.cells.push_back({r, c, cell.width == 2 ? 2 : 1});
            if (cell.code == 0) {
                map.text += ' ';
            } else {
                appendUtf8(map.text, character(cell));
            }
        }
    }
    if (map.text.empty() || !inLine)
        return std::nullopt;
    return map;
}

bool LinkDetector::isImplicitContinuationRow(int row, int startRow) const
{
    if (row <= startRow)
        return false;
    if (lines_[row].isWrapped)
        return true;
    return canJoinImplicitRows(row - 1, row);
}

std::optional<std::pair<int, int>> LinkDetector::heuristicImplicitGroup(int row) const
{
    const int span = rowsScanned();
    int start = row;
    while (start > 0 && row - start < span && canJoinImplicitRows(start - 1, start))
        --start;
    int end = row;
    while (hasRow(end + 1) && end - row < span && canJoinImplicitRows(end, end + 1))
        ++end;
    if (start == row && end == row)
        return std::nullopt;
    return std::make_pair(start, end);
}

bool LinkDetector::canJoinImplicitRows(int upper, int lower) const
{
    const std::optional<LinkRowEdgeInfo> upperEdges = linkRowEdgeInfo(upper);
    const std::optional<LinkRowEdgeInfo> lowerEdges = linkRowEdgeInfo(lower);
    if (!upperEdges || !lowerEdges)
        return false;
    // A row that ends well before the right edge is a finished line.
    const int slack = cols_ < 10 ? 2 : cols_ / 5;
    if (upperEdges->lastCol < cols_ - slack)
        return false;
    if (!isContinuationCharacter(upperEdges->lastCharacter) || !isContinuationCharacter(lowerEdges->firstCharacter)) {
        return false;
    }
    return seamContainsImplicitLink(upper, lower, upperEdges->lastCol, lowerEdges->firstCol);
}

std::optional<LinkDetector::LinkRowEdgeInfo> LinkDetector::linkRowEdgeInfo(int row) const
{
    if (!hasRow(row))
        return std::nullopt;
    const BufferLine& line = lines_[row];
    if (std::min(line.count(), cols_) <= 0)
        return std::nullopt;
    const int j = std::min({line.getTrimmedLength(), line.count(), cols_});
    if (j <= 0)
        return std::nullopt;

    auto characterAt = [&](int col) -> std::u32string {
        const int owner = isRightHalf(line, col) ? col - 1 : col;
        return line[owner].code == 0 ? std::u32string() : character(line[owner]);
    };
    int first = 0;
    while (first < j && isBlank(characterAt(first)))
        ++first;
    if (first >= j)
        return std::nullopt;
    int last = j - 1;
    while (last > first && isBlank(characterAt(last)))
        --last;
    return LinkRowEdgeInfo{first, characterAt(first), last, characterAt(last)};
}

bool LinkDetector::seamContainsImplicitLink(int upper, int lower, int upperLastCol, int lowerFirstCol) const
{
    const ImplicitLinkPattern& pattern = ImplicitLinkPattern::shared();
    if (!pattern.isAvailable() || !hasRow(upper) || !hasRow(lower))
        return false;

    const BufferLine& upperLine = lines_[upper];
    const int upperEnd = std::min({upperLastCol + 1, upperLine.count(), cols_});
    if (upperEnd <= 0)
        return false;
    const std::string upperText = implicitLineSegmentText(upperLine, std::max(upperEnd - seamColumns, 0), upperEnd);

    const BufferLine& lowerLine = lines_[lower];
    const int lowerEnd = std::min({lowerLine.getTrimmedLength(), lowerLine.count(), cols_});
    if (lowerFirstCol >= lowerEnd)
        return false;
    const std::string lowerText
        = implicitLineSegmentText(lowerLine, lowerFirstCol, std::min(lowerFirstCol + seamColumns, lowerEnd));
    if (upperText.empty() || lowerText.empty())
        return false;

    const std::string joined = upperText + lowerText;
    const size_t seam = upperText.size();
    return pattern.forEachMatch(joined, [&](const ImplicitLinkPattern::Match& m) {
        return m.start < seam && seam < m.end && !followsDollar(joined, m.start);
    });
}

std::string LinkDetector::implicitLineSegmentText(const BufferLine& line, int startCol, int endCol) const
{
    std::string out;
    const int end = std::min(endCol, line.count());
    for (int c = std::max(startCol, 0); c < end; ++c) {
        if (isRightHalf(line, c))
            continue;
        const CharData& cell = line[c];
        if (cell.code == 0) {
            out += ' ';
        } else {
            appendUtf8(out, character(cell));
        }
    }
    return out;
}

std::optional<LinkMatch> LinkDetector::implicitLinkMatch(Position at) const
{
    const ImplicitLinkPattern& pattern = ImplicitLinkPattern::shared();
    if (!pattern.isAvailable())
        return std::nullopt;
    const std::optional<ImplicitLineMap> map = buildImplicitLineMap(at);
    if (!map)
        return std::nullopt;

    std::optional<LinkMatch> result;
    pattern.forEachMatch(map->text, [&](const ImplicitLinkPattern::Match& m) {
        if (m.end <= m.start || m.end > map->text.size() || followsDollar(map->text, m.start))
            return false;
        // The cells whose text the match covers.
        const auto& offsets = map->offsets;
        const size_t s
            = static_cast<size_t>(std::upper_bound(offsets.begin(), offsets.end(), m.start) - offsets.begin()) - 1;
        const size_t e = static_cast<size_t>(std::lower_bound(offsets.begin(), offsets.end(), m.end) - offsets.begin());
        if (s >= e || s >= map->cells.size())
            return false;

        std::map<int, LinkMatch::ColumnRange> rows;
        LinkMatch::ColumnRange target{0, 0};
        bool onTargetRow = false;
        bool hit = false;
        for (size_t k = s; k < std::min(e, map->cells.size()); ++k) {
            const ImplicitCellRef& ref = map->cells[k];
            auto widen = [&](LinkMatch::ColumnRange& range, bool fresh) {
                if (fresh) {
                    range = {ref.col, ref.col + ref.width};
                } else {
                    range.lowerBound = std::min(range.lowerBound, ref.col);
                    range.upperBound = std::max(range.upperBound, ref.col + ref.width);
                }
            };
            const auto [it, fresh] = rows.try_emplace(ref.row);
            widen(it->second, fresh);
            if (ref.row == map->targetRow) {
                widen(target, !onTargetRow);
                onTargetRow = true;
                if (map->targetCol >= ref.col && map->targetCol < ref.col + ref.width)
                    hit = true;
            }
        }
        if (!onTargetRow || !hit || target.isEmpty())
            return false;

        LinkMatch match{map->text.substr(m.start, m.end - m.start), map->targetRow, target, false, {}};
        for (const auto& [row, range] : rows) {
            if (!range.isEmpty())
                match.rowRanges.push_back({row, range});
        }
        result = std::move(match);
        return true;
    });
    return result;
}

} // namespace corvel
