// The library list's columns: their captions and widths at 96 DPI.
#pragma once

#include <iterator>

namespace libinfo {

struct LibraryColumn {
  const char* caption;
  int width;
};

// The description's caption ends in a space, for its looks.
inline constexpr LibraryColumn kLibraryColumns[] = {{"Library filename", 150},
                                                    {"Library description ", 170},
                                                    {"Library product name", 150},
                                                    {"File version", 90},
                                                    {"Product version", 90}};

inline constexpr int kLibraryColumnCount = static_cast<int>(std::size(kLibraryColumns));

}  // namespace libinfo
