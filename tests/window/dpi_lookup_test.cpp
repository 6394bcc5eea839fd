// Where a window's DPI comes from on each system: the window's own
// (Windows 10), its monitor's (Windows 8.1), else the screen's.
#include <gtest/gtest.h>
#include <windows.h>

#include "Owned.h"
#include "window/Dpi.h"

namespace libinfo::testing {
namespace {

UINT WINAPI WindowAt120(HWND) {
  return 120;
}
UINT WINAPI WindowUnknown(HWND) {
  return 0;
}
HRESULT WINAPI MonitorAt144(HMONITOR, int type, UINT* x, UINT* y) {
  if (type != 0) return E_INVALIDARG;  // only the effective DPI is asked for
  *x = *y = 144;
  return S_OK;
}
HRESULT WINAPI MonitorUnknown(HMONITOR, int, UINT*, UINT*) {
  return E_FAIL;
}

UINT ScreenDpi() {
  HDC screen = GetDC(nullptr);
  const int dpi = GetDeviceCaps(screen, LOGPIXELSY);
  ReleaseDC(nullptr, screen);
  return static_cast<UINT>(dpi);
}

TEST(DpiLookup, TheWindowsOwnThenItsMonitorsThenTheScreens) {
  const UniqueWindow window(
      CreateWindowExA(0, "STATIC", "probe", 0, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr));
  EXPECT_EQ(120u, DpiOf(window.get(), {WindowAt120, MonitorAt144}));
  EXPECT_EQ(144u, DpiOf(window.get(), {nullptr, MonitorAt144})) << "Windows 8.1";
  EXPECT_EQ(144u, DpiOf(window.get(), {WindowUnknown, MonitorAt144}));
  EXPECT_EQ(ScreenDpi(), DpiOf(window.get(), {nullptr, MonitorUnknown}));
  EXPECT_EQ(ScreenDpi(), DpiOf(window.get(), {nullptr, nullptr})) << "before Windows 8.1";
  EXPECT_EQ(ScreenDpi(), DpiOf(nullptr, {WindowAt120, MonitorAt144})) << "no window, no monitor";
}

}  // namespace
}  // namespace libinfo::testing
