// The common control classes the windows are made of. Loading the control
// library registers them on some systems, but only initialising them is
// the documented way to have them, whoever loaded the library and how.
#pragma once

#include <windows.h>
#include <commctrl.h>

namespace libinfo {

// The list view and its header, the tool and status bars with their hints,
// and the animation: registered before the first of them is made.
void UseCommonControls() noexcept;

// What registers them: the platform's InitCommonControlsEx, unless a test
// watches the call.
using CommonControlsInit = BOOL(WINAPI*)(const INITCOMMONCONTROLSEX*);
extern CommonControlsInit InitCommonControlClasses;

}  // namespace libinfo
