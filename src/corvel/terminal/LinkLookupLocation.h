#pragma once

#include "corvel/base/Position.h"

namespace corvel {

// Where to look for a link: a column and an absolute line index of the
// screen's ring (buffer), or a column and a row counted from the top of the
// view (screen).
struct LinkLookupLocation {
    enum class Kind { buffer, screen };

    Kind kind = Kind::buffer;
    Position position;

    static LinkLookupLocation buffer(Position at) { return {Kind::buffer, at}; }
    static LinkLookupLocation screen(Position at) { return {Kind::screen, at}; }
};

} // namespace corvel
