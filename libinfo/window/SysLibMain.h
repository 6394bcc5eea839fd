// "System Library Info": the window that lists every file of the system
// directory carrying version data, with Refresh and Properties.
#pragma once

#include <windows.h>

#include <chrono>
#include <string>

#include "Owned.h"
#include "window/Form.h"

namespace libinfo {

class TSysLibInfoWin : public TForm {
 public:
  TSysLibInfoWin();
  ~TSysLibInfoWin() override;

  HWND lvLibList = nullptr;
  HWND StatusBar1 = nullptr;
  UniqueImageList ImageList;
  UniqueImageList BtnImageList;
  HWND Panel1 = nullptr;
  HWND ToolBar = nullptr;
  static constexpr int tbRefresh = 101;
  static constexpr int ToolButton2 = 102;
  static constexpr int ToolButton1 = 103;
  static constexpr int ToolButton3 = 104;
  static constexpr int ToolButton5 = 105;
  HWND Panel2 = nullptr;
  HWND Image1 = nullptr;
  bool ScanStarted = false;
  // Items of the row's context menu, built each time it opens.
  static constexpr int miProperties = 201;
  static constexpr int miCopy = 202;
  static constexpr int miCopyAll = 203;

  void FormCreate();
  void FormActivate();
  void tbRefreshClick();
  void ToolButton1Click();
  void ScanSystemLibraries();
  void miCopyClick();
  void miCopyAllClick();

  [[nodiscard]] bool Scanning() const noexcept { return scanning_; }
  [[nodiscard]] int RowCount() const noexcept;
  [[nodiscard]] std::string CellText(int row, int column) const;
  // The clipboard text of the selected row (empty without one), and of the
  // column captions followed by every row in list order.
  [[nodiscard]] std::string SelectedRowText() const;
  [[nodiscard]] std::string AllRowsText() const;

  bool PreTranslateMessage(MSG& msg) noexcept override;

 protected:
  LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

 private:
  void CreateControls();
  void CreatePanels();
  void CreateToolBar();
  void CreateList();
  void LayOut();
  HWND AddChild(HWND parent, const char* cls, const char* text, DWORD style, int id = 0);
  void ListFile(const std::string& folder, const char* name, int& listed);
  void AppendRow(const char* name, const std::string (&values)[4]);
  LRESULT OnNotify(const NMHDR& header);
  void OnClose();
  void StartLabelEdit();
  [[nodiscard]] int SelectedRow() const noexcept;
  void OpenRowMenu(HWND source, LPARAM at);
  void SelectRowAt(POINT screenPoint) noexcept;
  [[nodiscard]] POINT SelectedRowMenuPoint() noexcept;
  void ShowRowMenu(POINT screenPoint);
  void RunCommand(int command);
  void CopyToClipboard(const std::string& text);
  [[nodiscard]] bool HandleKey(const MSG& msg);

  PanelClassUse panelClass_;
  UniqueFont font_;
  UniqueIcon smallIcon_;
  UniqueIcon image1Icon_;
  bool scanning_ = false;
  bool closePending_ = false;
};

// The scan handles waiting messages (Stop among them) once this interval has
// passed since the last time, checked after every directory entry; zero
// means after every entry. Set for its lifetime; for tests and benchmarks.
class ScopedScanPumpInterval {
 public:
  explicit ScopedScanPumpInterval(std::chrono::milliseconds interval);
  ScopedScanPumpInterval(const ScopedScanPumpInterval&) = delete;
  ScopedScanPumpInterval& operator=(const ScopedScanPumpInterval&) = delete;
  ~ScopedScanPumpInterval();

 private:
  std::chrono::milliseconds previous_;
};

// Creates the library window, runs it modally and destroys it.
void RunLibraryWindow();

}  // namespace libinfo
