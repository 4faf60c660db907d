#include "corvel/terminal/GraphemeTable.h"

#include <utf8proc.h>

#include "corvel/base/Utf8.h"
#include "corvel/model/CharData.h"

namespace corvel {

namespace {

// The scalar a code below the table stands for; a space for one that is none.
char32_t plainScalar(int32_t code) { return CharData::isValidScalar(code) ? static_cast<char32_t>(code) : U' '; }

} // namespace

int32_t GraphemeTable::code(std::u32string_view cluster)
{
    if (cluster.empty())
        return 0;
    if (cluster.size() == 2 && cluster[0] == U'\r' && cluster[1] == U'\n')
        return 10;
    cluster = cluster.substr(0, maxClusterScalars);
    int32_t current = cluster[0] <= 0xFFFF ? static_cast<int32_t>(cluster[0]) : child(noParent, cluster[0]);
    for (size_t i = 1; i < cluster.size() && current; ++i)
        current = child(current, cluster[i]);
    if (current)
        return current;
    return cluster[0] <= 0xFFFF ? static_cast<int32_t>(cluster[0]) : 0xFFFD;
}

bool GraphemeTable::extends(int32_t code, char32_t next) const
{
    int32_t state = contains(code) ? entries_[static_cast<size_t>(code - firstCode)].breakState : 0;
    return !utf8proc_grapheme_break_stateful(
        static_cast<utf8proc_int32_t>(lastScalar(code)), static_cast<utf8proc_int32_t>(next), &state);
}

int32_t GraphemeTable::append(int32_t code, char32_t next)
{
    if (!contains(code))
        code = static_cast<int32_t>(plainScalar(code));
    return child(code, next);
}

int32_t GraphemeTable::child(int32_t parent, char32_t scalar)
{
    const uint64_t k = key(parent, scalar);
    if (auto it = children_.find(k); it != children_.end())
        return it->second;
    const Entry* before = contains(parent) ? &entries_[static_cast<size_t>(parent - firstCode)] : nullptr;
    const size_t length = before ? before->length + 1u : parent == noParent ? 1u : 2u;
    if (length > maxClusterScalars || entries_.size() >= maxEntries)
        return 0;
    int32_t state = before ? before->breakState : 0;
    if (parent != noParent)
        utf8proc_grapheme_break_stateful(
            static_cast<utf8proc_int32_t>(lastScalar(parent)), static_cast<utf8proc_int32_t>(scalar), &state);
    const int32_t code = lastCharIndex();
    entries_.push_back({parent, scalar, state, static_cast<uint8_t>(length)});
    children_.emplace(k, code);
    return code;
}

char32_t GraphemeTable::lastScalar(int32_t code) const
{
    return contains(code) ? entries_[static_cast<size_t>(code - firstCode)].scalar : plainScalar(code);
}

size_t GraphemeTable::length(int32_t code) const
{
    return contains(code) ? entries_[static_cast<size_t>(code - firstCode)].length : 1;
}

std::u32string GraphemeTable::character(int32_t code) const
{
    if (!contains(code))
        return std::u32string(1, plainScalar(code));
    std::u32string out(entries_[static_cast<size_t>(code - firstCode)].length, U' ');
    size_t i = out.size();
    while (contains(code) && i > 0) {
        const Entry& entry = entries_[static_cast<size_t>(code - firstCode)];
        out[--i] = entry.scalar;
        code = entry.parent;
    }
    if (i > 0)
        out[--i] = plainScalar(code);
    return out;
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
