// What a tool bar tells about its buttons: the text a button carries (its
// name, for accessibility tools) and the hint it shows on hovering, asked of
// the bar's own tool-tip control. The control asks the bar for the text and
// the bar asks its window, so the hint comes through the window's wiring,
// whatever texts the buttons themselves carry.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <iterator>
#include <string>

namespace testing_windows {

inline std::string ButtonText(HWND toolBar, int command) {
  char text[128] = {};
  const LRESULT length =
      ::SendMessageA(toolBar, TB_GETBUTTONTEXTA, command, reinterpret_cast<LPARAM>(text));
  return length > 0 ? std::string(text, static_cast<std::size_t>(length)) : std::string();
}

inline std::string HintOf(HWND toolBar, int command) {
  const auto tips = reinterpret_cast<HWND>(::SendMessageA(toolBar, TB_GETTOOLTIPS, 0, 0));
  if (!tips) return "(the tool bar has no tool-tip control)";
  // The control writes at most 80 characters for the ANSI call.
  char text[256] = {};
  TTTOOLINFOA tool{};
  tool.cbSize = sizeof tool;
  tool.hwnd = toolBar;
  tool.uId = static_cast<UINT_PTR>(command);
  tool.lpszText = text;
  ::SendMessageA(tips, TTM_GETTEXTA, std::size(text), reinterpret_cast<LPARAM>(&tool));
  return text;
}

}  // namespace testing_windows
