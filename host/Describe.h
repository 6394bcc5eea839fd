// The records of a loaded plug-in as text for scripts: one name=value line
// per field, with the field's offset in its record.
#pragma once

#include <string>

#include "PlugIn.h"

namespace plughost {

[[nodiscard]] std::string Describe(const PlugIn& plugIn);

}  // namespace plughost
