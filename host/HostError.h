// A failure of the host while loading or driving a plug-in: it carries the
// text shown to the user and ends the program with a non-zero exit code.
#pragma once

#include "Failure.h"

namespace plughost {

using HostError = libinfo::Failure;
using libinfo::SystemErrorText;

}  // namespace plughost
