#pragma once

#include <cstdint>
#include <unordered_map>

#include "corvel/base/CharSet.h"

// The VT character sets a program can designate into G0..G3, keyed by the
// designator (the final byte of the designation sequence): DEC Special
// Graphics under "0" and "2", US ASCII under "B" (replaces nothing) and the
// national replacement sets.
namespace corvel::CharSets {

using Table = std::unordered_map<uint8_t, CharSet>;

// All designators and their sets, built on first use and never changed.
const Table& all();

// The set a designator names, or nullptr when it names none.
const CharSet* find(uint8_t designator);

// Builds the table that all() holds.
Table initAll();

} // namespace corvel::CharSets
