// The soak: many malformed version resources, each read against guard pages
// on both sides of the copy. See main.cpp for the command line.
#pragma once

#include <cstdint>

namespace libinfo::testing {

// Reads `count` shapes drawn from `seed`; prints counts per kind of damage and
// returns 0, or stops at the first fault, printing what replays it, and
// returns non-zero.
int Soak(int count, std::uint32_t seed);

}  // namespace libinfo::testing
