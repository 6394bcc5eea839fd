// Places each copied version resource so that its last byte is followed by a
// page that may not be touched: any read past the copy faults at once instead
// of quietly picking up heap bytes.
#pragma once

#include "version/VerInfo.h"

namespace libinfo::testing {

// Blocks start filled with a non-zero byte, so that a scan for a terminator
// cannot stop early by luck.
const VersionBufferPolicy& GuardPageBuffer() noexcept;

// The other side: each copy starts right behind a page that may not be
// touched, so a read before its first byte faults.
const VersionBufferPolicy& LeadingGuardPageBuffer() noexcept;

// Blocks handed out and not yet released.
int GuardPageBlocksInUse() noexcept;

}  // namespace libinfo::testing
