#include "window/SysLibMain.h"

namespace libinfo {

void RunLibraryWindow() {}

}  // namespace libinfo
