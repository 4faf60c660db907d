#pragma once

#include <cstdint>
#include <optional>

namespace corvel {

// What a child reports about the progress of a long task (OSC 9;4).
struct ProgressReport {
    enum class State : uint8_t { remove = 0, set = 1, error = 2, indeterminate = 3, pause = 4 };

    // The state for a raw value 0..4, none for any other value.
    static std::optional<State> stateFromRaw(int raw)
    {
        if (raw < 0 || raw > 4)
            return std::nullopt;
        return static_cast<State>(raw);
    }

    State state = State::remove;
    std::optional<uint8_t> progress;

    friend bool operator==(const ProgressReport&, const ProgressReport&) = default;
};

} // namespace corvel
