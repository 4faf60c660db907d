#include "corvel/terminal/GraphemeTable.h"

#include "corvel/model/Utf8.h"

namespace corvel {

namespace {
bool isScalarValue(int64_t v)
{
    return v >= 0 && v < 0x110000 && (v < 0xD800 || v > 0xDFFF);
}
} // namespace

int32_t GraphemeTable::code(std::u32string_view cluster)
{
    if (cluster.empty())
        return 0;
    if (cluster.size() == 2 && cluster[0] == U'\r' && cluster[1] == U'\n')
        return 10;
    if (cluster.size() == 1 && cluster[0] <= 0xFFFF)
        return static_cast<int32_t>(cluster[0]);
    const bool single = cluster.size() == 1;
    if (single) {
        if (auto it = singleScalars_.find(cluster[0]); it != singleScalars_.end())
            return it->second;
    } else if (auto it = charToIndex_.find(cluster); it != charToIndex_.end()) {
        return it->second;
    }
    if (clusters_.size() >= maxEntries)
        return cluster[0] <= 0xFFFF ? static_cast<int32_t>(cluster[0]) : 0xFFFD;
    int32_t code = lastCharIndex();
    clusters_.emplace_back(cluster);
    if (single)
        singleScalars_.emplace(cluster[0], code);
    else
        charToIndex_.emplace(clusters_.back(), code);
    return code;
}

std::u32string GraphemeTable::character(int32_t code) const
{
    if (code <= 0x400000)
        return std::u32string(1, isScalarValue(code) ? static_cast<char32_t>(code) : U' ');
    if (const auto* cluster = lookup(code))
        return *cluster;
    return U" ";
}

std::string toUtf8(std::u32string_view text)
{
    std::string out;
    out.reserve(text.size());
    for (char32_t c : text)
        appendUtf8(out, c);
    return out;
}

} // namespace corvel
