#pragma once

namespace libinfo {

// Creates the library window, runs it modally and destroys it.
void RunLibraryWindow();

}  // namespace libinfo
