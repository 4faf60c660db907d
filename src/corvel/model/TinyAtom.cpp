#include "corvel/model/TinyAtom.h"

#include <mutex>
#include <unordered_map>

namespace corvel {

namespace {

struct AtomTable {
    std::mutex mutex;
    std::unordered_map<uint16_t, std::string> map;
    int lastUsed = 0;
};

AtomTable& table() {
    static AtomTable t;
    return t;
}

}  // namespace

std::optional<TinyAtom> TinyAtom::lookup(std::string value) {
    AtomTable& t = table();
    std::lock_guard lock(t.mutex);
    if (t.map.size() >= maxCode) return std::nullopt;
    // The next handle after the last one, wrapping past the top; the table is
    // not full, so a free handle turns up within one round.
    int candidate = t.lastUsed;
    do {
        candidate = candidate >= maxCode ? 1 : candidate + 1;
    } while (t.map.count(static_cast<uint16_t>(candidate)) != 0);
    t.map.emplace(static_cast<uint16_t>(candidate), std::move(value));
    t.lastUsed = candidate;
    return TinyAtom{static_cast<uint16_t>(candidate)};
}

void TinyAtom::release(uint16_t code) {
    AtomTable& t = table();
    std::lock_guard lock(t.mutex);
    t.map.erase(code);
}

std::size_t TinyAtom::sweep(const std::function<bool(uint16_t code)>& inUse) {
    AtomTable& t = table();
    std::lock_guard lock(t.mutex);
    std::size_t released = 0;
    for (auto it = t.map.begin(); it != t.map.end();) {
        if (inUse(it->first)) {
            ++it;
        } else {
            it = t.map.erase(it);
            ++released;
        }
    }
    return released;
}

int TinyAtom::lastUsed() {
    AtomTable& t = table();
    std::lock_guard lock(t.mutex);
    return t.lastUsed;
}

std::size_t TinyAtom::liveCount() {
    AtomTable& t = table();
    std::lock_guard lock(t.mutex);
    return t.map.size();
}

std::optional<std::string> TinyAtom::target() const {
    if (code == 0) return std::nullopt;
    AtomTable& t = table();
    std::lock_guard lock(t.mutex);
    auto it = t.map.find(code);
    if (it == t.map.end()) return std::nullopt;
    return it->second;
}

}  // namespace corvel
