// The host's main window: a report list of the plug-in's items, from which
// the user runs an item's commands. It owns whatever the commands show.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

#include "Owned.h"
#include "PlugIn.h"

namespace plughost {

constexpr char kMainWindowClass[] = "PlugHostMainWindow";

class MainWindow {
 public:
  explicit MainWindow(const PlugIn& plugIn) noexcept : plugIn_(plugIn) {}
  MainWindow(const MainWindow&) = delete;
  MainWindow& operator=(const MainWindow&) = delete;
  ~MainWindow();

  // Creates and shows the window; false when Windows refused.
  [[nodiscard]] bool Create(int show) noexcept;

  // Runs the command of the first item once the window is on screen, then
  // closes the window, which ends the message loop.
  void RunCommandThenClose(std::uint32_t kind) noexcept;

  [[nodiscard]] HWND Handle() const noexcept { return window_; }

 private:
  static LRESULT CALLBACK Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  LRESULT Handle(UINT message, WPARAM wParam, LPARAM lParam);
  void CreateList();
  void FillList();
  void OnNotify(const NMHDR& header);
  void OnMenuCommand(WORD id);
  void EnableCommands(HMENU menu);
  [[nodiscard]] std::size_t SelectedItem() const noexcept;
  void RunCommand(std::size_t item, std::uint32_t kind);
  void ShowError(const std::string& text) const noexcept;

  const PlugIn& plugIn_;
  HWND window_ = nullptr;
  HWND list_ = nullptr;
  libinfo::UniqueFont font_;  // the list's, at the window's DPI
  UINT dpi_ = 96;
};

}  // namespace plughost
