// Consistency of a copied version resource's tree, checked before the
// platform's query function walks it: that function trusts every length it
// meets, so a damaged length makes it read (and, converting texts, write)
// outside the copy.
#pragma once

#include <windows.h>

#include <cstddef>

namespace libinfo {

// The two layouts of version resources: 32-bit images carry 16-bit
// characters and a type word per node; 16-bit (NE) images carry 8-bit
// characters and no type word.
enum class VersionLayout { kWide, kNarrow };

// True when every node the query function can reach lies inside its parent
// and inside the first size bytes of data: its header and key (terminated
// within the node), its value, and its children at the positions the format
// gives them (each rounded up to 4 bytes from the start of its parent).
// Lengths and bounds only: nothing about the texts or types.
[[nodiscard]] bool VersionTreeFits(const BYTE* data, std::size_t size,
                                   VersionLayout layout) noexcept;

}  // namespace libinfo
