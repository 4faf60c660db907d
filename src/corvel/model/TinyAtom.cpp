#include "corvel/model/TinyAtom.h"

#include <mutex>
#include <string_view>
#include <unordered_map>

namespace corvel {

namespace {

struct AtomTable {
    std::mutex mutex;
    std::unordered_map<uint16_t, std::string> map;
    // The handle of each payload; the keys view the strings held in `map`,
    // whose nodes never move.
    std::unordered_map<std::string_view, uint16_t> byValue;
    std::size_t totalBytes = 0;
    int lastUsed = 0;

    void erase(std::unordered_map<uint16_t, std::string>::iterator it)
    {
        totalBytes -= it->second.size();
        byValue.erase(it->second);
        map.erase(it);
    }
};

AtomTable& table()
{
    static AtomTable t;
    return t;
}

} // namespace

std::optional<TinyAtom> TinyAtom::lookup(std::string value)
{
    AtomTable& t = table();
    std::lock_guard lock(t.mutex);
    if (auto it = t.byValue.find(value); it != t.byValue.end())
        return TinyAtom{it->second};
    if (t.map.size() >= maxCode || value.size() > maxTotalBytes - t.totalBytes)
        return std::nullopt;
    // The next handle after the last one, wrapping past the top; the table is
    // not full, so a free handle turns up within one round.
    int candidate = t.lastUsed;
    do {
        candidate = candidate >= maxCode ? 1 : candidate + 1;
    } while (t.map.count(static_cast<uint16_t>(candidate)) != 0);
    t.totalBytes += value.size();
    const auto stored = t.map.emplace(static_cast<uint16_t>(candidate), std::move(value)).first;
    t.byValue.emplace(stored->second, stored->first);
    t.lastUsed = candidate;
    return TinyAtom{static_cast<uint16_t>(candidate)};
}

void TinyAtom::release(uint16_t code)
{
    AtomTable& t = table();
    std::lock_guard lock(t.mutex);
    if (auto it = t.map.find(code); it != t.map.end())
        t.erase(it);
}

std::size_t TinyAtom::sweep(const std::function<bool(uint16_t code)>& inUse)
{
    AtomTable& t = table();
    std::lock_guard lock(t.mutex);
    std::size_t released = 0;
    for (auto it = t.map.begin(); it != t.map.end();) {
        if (inUse(it->first)) {
            ++it;
        } else {
            t.erase(it++);
            ++released;
        }
    }
    return released;
}

int TinyAtom::lastUsed()
{
    AtomTable& t = table();
    std::lock_guard lock(t.mutex);
    return t.lastUsed;
}

std::size_t TinyAtom::liveCount()
{
    AtomTable& t = table();
    std::lock_guard lock(t.mutex);
    return t.map.size();
}

std::size_t TinyAtom::totalBytes()
{
    AtomTable& t = table();
    std::lock_guard lock(t.mutex);
    return t.totalBytes;
}

std::optional<std::string> TinyAtom::target() const
{
    if (code == 0)
        return std::nullopt;
    AtomTable& t = table();
    std::lock_guard lock(t.mutex);
    auto it = t.map.find(code);
    if (it == t.map.end())
        return std::nullopt;
    return it->second;
}

} // namespace corvel
