// KEYBOARD ENHANCEMENT REQUESTS
//
// A child asks for richer key reports with CSI u sequences that carry one
// private marker: '>' pushes new flags, '<' pops, '=' sets, adds or removes,
// '?' asks for the flags in use. Each screen keeps its own flags and stack,
// so a full-screen program on the alternate screen leaves the shell's
// settings alone.

#include <algorithm>
#include <string>

#include "corvel/terminal/Terminal.h"

namespace corvel {

namespace {

KittyKeyboardFlags masked(int64_t value) { return {static_cast<int>(value & KittyKeyboardFlags::knownMask)}; }

} // namespace

bool Terminal::handleKittyKeyboardProtocol(const SequenceParams& pars, const Intermediates& collect)
{
    if (collect.size() != 1)
        return false;
    KeyboardModeState& state = isCurrentBufferAlternate() ? keyboardModeAlt : keyboardModeNormal;

    switch (collect[0]) {
    case '>': {
        if (state.stack.size() >= KeyboardModeState::maxStackDepth)
            state.stack.erase(state.stack.begin());
        state.stack.push_back(state.flags);
        state.flags = masked(pars.at(0));
        return true;
    }
    case '<': {
        const int64_t requested = pars.at(0);
        const size_t count = requested > 1 ? static_cast<size_t>(std::min<int64_t>(requested, INT_MAX)) : 1;
        if (state.stack.size() < count) {
            state.stack.clear();
            state.flags = {};
            return true;
        }
        state.flags = state.stack[state.stack.size() - count];
        state.stack.resize(state.stack.size() - count);
        return true;
    }
    case '=': {
        const KittyKeyboardFlags value = masked(pars.at(0));
        switch (pars.at(1, 1)) {
        case 1: state.flags = value; break;
        case 2: state.flags.rawValue |= value.rawValue; break;
        case 3: state.flags.rawValue &= ~value.rawValue; break;
        default: break;
        }
        return true;
    }
    case '?': sendResponse({csi(), "?", std::to_string(state.flags.rawValue), "u"}); return true;
    default: return false;
    }
}

} // namespace corvel
