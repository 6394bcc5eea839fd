#include "window/CommonControls.h"

namespace libinfo {

CommonControlsInit InitCommonControlClasses = ::InitCommonControlsEx;

void UseCommonControls() noexcept {
  INITCOMMONCONTROLSEX classes{};
  classes.dwSize = sizeof classes;
  classes.dwICC = ICC_LISTVIEW_CLASSES | ICC_BAR_CLASSES | ICC_ANIMATE_CLASS;
  // Where it fails, making the control fails too, and says which one.
  (void)InitCommonControlClasses(&classes);
}

}  // namespace libinfo
