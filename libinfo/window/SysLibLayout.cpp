// The library window's controls: made once, then sized, pictured and laid
// out at the window's DPI, again whenever that DPI changes.
#include <windows.h>
#include <commctrl.h>

#include <iterator>

#include "Failure.h"
#include "res/resource.h"
#include "window/CommonControls.h"
#include "window/Dpi.h"
#include "window/LibraryColumns.h"
#include "window/Monitors.h"
#include "window/SysLibMain.h"

namespace libinfo {

namespace {

// Sizes at 96 DPI.
constexpr int kPanelHeight = 26;
constexpr int kPanel2Width = 22;
constexpr POINT kImage1At{3, 5};
constexpr int kSmallIcon = 16;
constexpr int kSeparatorWidth = 8;
constexpr SIZE kButton{27, 26};
constexpr int kButtonPicture = 20;
constexpr int kStatusEdges[] = {150, 200};
constexpr int kListId = 1;
constexpr int kStatusId = 2;

UniqueIcon LoadIconSized(WORD id, int size) {
  UniqueIcon icon(static_cast<HICON>(
      ::LoadImageA(ModuleInstance(), MAKEINTRESOURCEA(id), IMAGE_ICON, size, size, 0)));
  if (!icon) ThrowLastError("Loading an icon");
  return icon;
}

// The tool bar's pictures as drawn for the scale, and their size.
UniqueImageList ButtonPictures(int scale, int& size) {
  WORD id = IDB_BUTTONS;
  switch (scale) {
    case 125:
      id = IDB_BUTTONS_125;
      break;
    case 150:
      id = IDB_BUTTONS_150;
      break;
    case 200:
      id = IDB_BUTTONS_200;
      break;
    default:
      break;
  }
  size = ::MulDiv(kButtonPicture, scale, 100);
  UniqueImageList pictures(::ImageList_LoadImageA(ModuleInstance(), MAKEINTRESOURCEA(id), size, 0,
                                                  RGB(255, 0, 255), IMAGE_BITMAP,
                                                  LR_CREATEDIBSECTION));
  if (!pictures) ThrowLastError("Loading the tool bar's pictures");
  return pictures;
}

}  // namespace

void TSysLibInfoWin::CreateControls() {
  UseCommonControls();
  Panel1 = CreatePanel(Handle(), 0);
  Panel2 = CreatePanel(Panel1, BDR_SUNKENINNER);
  Image1 = CreateChild(Panel2, "STATIC", nullptr, SS_ICON | SS_REALSIZECONTROL);
  ToolBar = CreateChild(Panel1, TOOLBARCLASSNAMEA, nullptr,
                        TBSTYLE_FLAT | TBSTYLE_TRANSPARENT | TBSTYLE_TOOLTIPS | TBSTYLE_LIST |
                            CCS_NODIVIDER | CCS_NORESIZE | CCS_NOPARENTALIGN);
  // Clicks and hints go to this window, not to the panel holding the bar.
  ::SendMessageA(ToolBar, TB_SETPARENT, reinterpret_cast<WPARAM>(Handle()), 0);
  ::SendMessageA(ToolBar, TB_BUTTONSTRUCTSIZE, sizeof(TBBUTTON), 0);
  // Each button carries its name as text, which accessibility tools read,
  // and shows only its picture.
  ::SendMessageA(ToolBar, TB_SETEXTENDEDSTYLE, 0, TBSTYLE_EX_MIXEDBUTTONS);
  CreateList();
  StatusBar1 = CreateChild(Handle(), STATUSCLASSNAMEA, nullptr, SBARS_SIZEGRIP, kStatusId);
  ApplyDpi(dpi_);
}

void TSysLibInfoWin::CreateList() {
  // Its name for accessibility tools; a list shows no text of its own.
  lvLibList = CreateChild(Handle(), WC_LISTVIEWA, "Libraries",
                          LVS_REPORT | LVS_SINGLESEL | LVS_SHOWSELALWAYS | LVS_EDITLABELS |
                              LVS_NOSORTHEADER | LVS_SHAREIMAGELISTS | LVS_OWNERDATA | WS_TABSTOP,
                          kListId);
  ::SetWindowLongPtrA(lvLibList, GWL_EXSTYLE,
                      ::GetWindowLongPtrA(lvLibList, GWL_EXSTYLE) | WS_EX_CLIENTEDGE);
  ListView_SetExtendedListViewStyle(lvLibList, LVS_EX_GRIDLINES | LVS_EX_FULLROWSELECT);
  for (int index = 0; index < kLibraryColumnCount; ++index) {
    LVCOLUMNA column{};
    column.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_SUBITEM;
    column.pszText = const_cast<char*>(kLibraryColumns[index].caption);
    column.cx = Scaled(kLibraryColumns[index].width, dpi_);
    column.iSubItem = index;
    ::SendMessageA(lvLibList, LVM_INSERTCOLUMNA, index, reinterpret_cast<LPARAM>(&column));
  }
}

// Font, pictures and sizes for the window's DPI; `previous` is the DPI the
// columns were last sized for.
void TSysLibInfoWin::ApplyDpi(UINT previous) {
  UniqueFont font(FormFont(dpi_));
  for (HWND control : {ToolBar, lvLibList, StatusBar1}) {
    ::SendMessageA(control, WM_SETFONT, reinterpret_cast<WPARAM>(font.get()), FALSE);
  }
  font_ = std::move(font);
  // The hints' window is the tool bar's own, and knows nothing of scales.
  if (HWND hints = reinterpret_cast<HWND>(::SendMessageA(ToolBar, TB_GETTOOLTIPS, 0, 0))) {
    UniqueFont hintFont(HintFont(dpi_));
    ::SendMessageA(hints, WM_SETFONT, reinterpret_cast<WPARAM>(hintFont.get()), FALSE);
    hintFont_ = std::move(hintFont);
  }
  const int icon = Scaled(kSmallIcon, dpi_);
  // Each new icon is in place before the one it replaces goes.
  UniqueIcon smallIcon = LoadIconSized(IDI_LIBRARY, icon);
  ::SendMessageA(Handle(), WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(smallIcon.get()));
  smallIcon_ = std::move(smallIcon);
  UniqueIcon image1Icon = LoadIconSized(IDI_SEARCH, icon);
  ::SendMessageA(Image1, STM_SETICON, reinterpret_cast<WPARAM>(image1Icon.get()), 0);
  image1Icon_ = std::move(image1Icon);
  ::SetWindowPos(Image1, nullptr, Scaled(kImage1At.x, dpi_), Scaled(kImage1At.y, dpi_), icon, icon,
                 SWP_NOZORDER | SWP_NOACTIVATE);
  SetRowIcons(icon);
  SetToolButtons();
  // Widths the user has dragged keep their share of the list.
  for (int column = 0; previous != dpi_ && column < kLibraryColumnCount; ++column) {
    const int width = ListView_GetColumnWidth(lvLibList, column);
    ListView_SetColumnWidth(lvLibList, column,
                            ::MulDiv(width, static_cast<int>(dpi_), static_cast<int>(previous)));
  }
  int edges[std::size(kStatusEdges)];
  for (std::size_t i = 0; i < std::size(edges); ++i) edges[i] = Scaled(kStatusEdges[i], dpi_);
  ::SendMessageA(StatusBar1, SB_SETPARTS, std::size(edges), reinterpret_cast<LPARAM>(edges));
  LayOut();
}

void TSysLibInfoWin::SetRowIcons(int size) {
  UniqueImageList icons(::ImageList_Create(size, size, ILC_COLOR32 | ILC_MASK, 1, 1));
  if (!icons) ThrowLastError("ImageList_Create");
  const UniqueIcon icon = LoadIconSized(IDI_LIBRARY, size);
  if (::ImageList_AddIcon(icons.get(), icon.get()) < 0) ThrowLastError("ImageList_AddIcon");
  ListView_SetImageList(lvLibList, icons.get(), LVSIL_SMALL);
  ImageList = std::move(icons);
}

// The buttons are made anew: a separator's width is fixed when it is added.
void TSysLibInfoWin::SetToolButtons() {
  int pictureSize = 0;
  UniqueImageList pictures = ButtonPictures(PictureScale(dpi_), pictureSize);
  while (::SendMessageA(ToolBar, TB_BUTTONCOUNT, 0, 0) > 0) {
    ::SendMessageA(ToolBar, TB_DELETEBUTTON, 0, 0);
  }
  ::SendMessageA(ToolBar, TB_SETIMAGELIST, 0, reinterpret_cast<LPARAM>(pictures.get()));
  BtnImageList = std::move(pictures);
  ::SendMessageA(ToolBar, TB_SETBITMAPSIZE, 0, MAKELPARAM(pictureSize, pictureSize));
  const int gap = Scaled(kSeparatorWidth, dpi_);
  const auto name = [](const char* text) { return reinterpret_cast<INT_PTR>(text); };
  TBBUTTON buttons[] = {
      {gap, ToolButton3, 0, BTNS_SEP, {}, 0, 0},
      {0, tbRefresh, TBSTATE_ENABLED, BTNS_BUTTON, {}, 0, name(ToolButtonName(tbRefresh))},
      {gap, ToolButton2, 0, BTNS_SEP, {}, 0, 0},
      {1, ToolButton1, TBSTATE_ENABLED, BTNS_BUTTON, {}, 0, name(ToolButtonName(ToolButton1))},
      {gap, ToolButton5, 0, BTNS_SEP, {}, 0, 0},
  };
  ::SendMessageA(ToolBar, TB_ADDBUTTONSA, std::size(buttons), reinterpret_cast<LPARAM>(buttons));
  ::SendMessageA(ToolBar, TB_SETBUTTONSIZE, 0,
                 MAKELPARAM(Scaled(kButton.cx, dpi_), Scaled(kButton.cy, dpi_)));
}

void TSysLibInfoWin::LayOut() {
  if (!lvLibList || !StatusBar1) return;
  RECT client{};
  ::GetClientRect(Handle(), &client);
  ::SendMessageA(StatusBar1, WM_SIZE, 0, 0);
  RECT status{};
  ::GetWindowRect(StatusBar1, &status);
  const int statusHeight = status.bottom - status.top;
  const int width = client.right;
  const int panelHeight = Scaled(kPanelHeight, dpi_);
  const int panel2Width = Scaled(kPanel2Width, dpi_);
  ::MoveWindow(Panel1, 0, 0, width, panelHeight, TRUE);
  ::MoveWindow(Panel2, width - panel2Width, 0, panel2Width, panelHeight, TRUE);
  ::MoveWindow(ToolBar, 0, 0, width - panel2Width, panelHeight, TRUE);
  ::MoveWindow(lvLibList, 0, panelHeight, width, client.bottom - panelHeight - statusHeight, TRUE);
}

// Moved to a screen of another scale: everything at the new DPI, in the
// rectangle the system suggests for it; while the window is being placed on
// its owner's monitor, at the place chosen for it instead.
void TSysLibInfoWin::OnDpiChanged(UINT dpi, const RECT& suggested) {
  const UINT previous = dpi_;
  dpi_ = dpi ? dpi : kDesignDpi;
  RECT target = suggested;
  if (placing_) {
    target = KeptInside(
        RECT{placement_.left, placement_.top, placement_.left + suggested.right - suggested.left,
             placement_.top + suggested.bottom - suggested.top},
        placementArea_);
  }
  // Before the controls exist there is nothing to lay out yet.
  if (lvLibList) ApplyDpi(previous);
  ::SetWindowPos(Handle(), nullptr, target.left, target.top, target.right - target.left,
                 target.bottom - target.top, SWP_NOZORDER | SWP_NOACTIVATE);
  LayOut();
  // Every label in the new font at once, not when something else repaints it.
  ::RedrawWindow(Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
}

}  // namespace libinfo
