// "System Library Info": the window that lists every file of the system
// directory carrying version data, with Refresh and Properties.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <atomic>
#include <string>

#include "Owned.h"
#include "window/Form.h"
#include "window/RowMenu.h"
#include "scan/LibraryScan.h"
#include "scan/Paths.h"
#include "rows/RowStore.h"

namespace libinfo {

class TSysLibInfoWin : public TForm {
 public:
  // Lists `folder`; `runner` runs each scan (LibraryScan::Run when empty);
  // the window and its progress dialogs are owned by `owner`.
  explicit TSysLibInfoWin(std::string folder = SystemDirectory(), ScanRunner runner = {},
                          HWND owner = nullptr);
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
  static constexpr int miProperties = kMenuProperties;
  static constexpr int miCopy = kMenuCopy;
  static constexpr int miCopyAll = kMenuCopyAll;

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
  void CreateList();
  void ApplyDpi(UINT previous);
  void SetRowIcons(int size);
  void SetToolButtons();
  void LayOut();
  void SizeForDpi();
  void PlaceOnOwnersMonitor();
  void OnDpiChanged(UINT dpi, const RECT& suggested);
  LRESULT OnNotify(const NMHDR& header);
  LRESULT OnListNotify(const NMHDR& header);
  LRESULT OnNcActivate(WPARAM active, LPARAM lParam);
  void OnClose();
  void StartLabelEdit();
  [[nodiscard]] int SelectedRow() const noexcept;
  void OpenRowMenu(HWND source, LPARAM at);
  void RunCommand(int command);
  void CopyToClipboard(const std::string& text);
  [[nodiscard]] bool HandleKey(const MSG& msg);

  PanelClassUse panelClass_;
  UniqueFont font_;
  UniqueFont hintFont_;
  UniqueIcon smallIcon_;
  UniqueIcon image1Icon_;
  LibraryScan scan_;
  ScanRunner runner_;
  RowStore rows_;
  HWND owner_;
  UINT dpi_ = 96;  // the DPI the controls are laid out for
  bool scanning_ = false;
  bool closePending_ = false;
  // While the window moves onto its owner's monitor: where it goes, kept
  // inside that monitor's work area whatever size a new DPI gives it.
  bool placing_ = false;
  RECT placement_{};
  RECT placementArea_{};
};

// The name a tool button carries as its text (never shown, read by
// accessibility tools); empty for the separators.
[[nodiscard]] const char* ToolButtonName(int command) noexcept;

// Creates the library window over `folder`, runs it modally and destroys it.
void RunLibraryWindow(const std::string& folder);

}  // namespace libinfo
