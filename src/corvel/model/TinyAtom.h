#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>

namespace corvel {

// A 16-bit handle to a hyperlink payload kept in one process-wide table, so
// that a cell carries two bytes instead of a string. Code 0 means no payload.
//
// Handles 1 to maxCode are handed out in increasing order; once the top is
// reached the table wraps around and reuses the handles that were released
// in the meantime, so the table runs out only while every handle is live.
// Handles are released one by one (release) or by a sweep that keeps only
// the handles some live cell still uses.
//
// A payload already in the table gets its handle again, and the payloads
// held together never exceed maxTotalBytes: past it a lookup fails as it
// does when every handle is live.
struct TinyAtom {
    static constexpr uint16_t maxCode = 0xFFFE;
    static constexpr std::size_t maxTotalBytes = std::size_t{16} << 20;

    uint16_t code = 0;

    // The handle of value: the one it already has, else a new one; none when
    // every handle is in use or the table holds too many bytes.
    static std::optional<TinyAtom> lookup(std::string value);

    // Removes the payload of a handle; the handle may be handed out again
    // after the table has wrapped around.
    static void release(uint16_t code);

    // Releases every handle for which inUse returns false; returns how many
    // were released. inUse runs with the table locked and must not call back
    // into TinyAtom.
    static std::size_t sweep(const std::function<bool(uint16_t code)>& inUse);

    // The last handle handed out (0 before the first).
    static int lastUsed();

    // Number of handles currently holding a payload.
    static std::size_t liveCount();

    // Bytes of the payloads held.
    static std::size_t totalBytes();

    // The payload of this handle; none for code 0 or a released handle.
    std::optional<std::string> target() const;

    friend constexpr bool operator==(TinyAtom, TinyAtom) = default;
};

static_assert(sizeof(TinyAtom) == 2);

} // namespace corvel
