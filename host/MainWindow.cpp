#include "MainWindow.h"

#include <commctrl.h>

#include <utility>

#include "HostError.h"
#include "window/Dpi.h"

namespace plughost {
namespace {

constexpr UINT kRunThenCloseMessage = WM_APP + 1;
constexpr int kListId = 1;
constexpr WORD kExitId = 1000;
constexpr WORD kFirstCommandId = 100;  // + command kind

constexpr struct {
  std::uint32_t kind;
  const char* label;
} kMenuCommands[] = {
    {libinfo::kCommandRun, "&Run\tEnter"},
    {libinfo::kCommandAbout, "&About..."},
    {libinfo::kCommandNoOperation, "&No operation"},
};

WORD CommandId(std::uint32_t kind) noexcept {
  return static_cast<WORD>(kFirstCommandId + kind);
}

bool RegisterMainClass(WNDPROC procedure) noexcept {
  WNDCLASSEXA windowClass{};
  if (::GetClassInfoExA(::GetModuleHandleA(nullptr), kMainWindowClass, &windowClass)) return true;
  windowClass.cbSize = sizeof windowClass;
  windowClass.lpfnWndProc = procedure;
  windowClass.hInstance = ::GetModuleHandleA(nullptr);
  windowClass.hIcon = ::LoadIconA(nullptr, IDI_APPLICATION);
  windowClass.hCursor = ::LoadCursorA(nullptr, IDC_ARROW);
  windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  windowClass.lpszClassName = kMainWindowClass;
  return ::RegisterClassExA(&windowClass) != 0;
}

HMENU CreateMainMenu() noexcept {
  HMENU commands = ::CreatePopupMenu();
  for (const auto& command : kMenuCommands) {
    ::AppendMenuA(commands, MF_STRING, CommandId(command.kind), command.label);
  }
  ::AppendMenuA(commands, MF_SEPARATOR, 0, nullptr);
  ::AppendMenuA(commands, MF_STRING, kExitId, "E&xit");
  HMENU bar = ::CreateMenu();
  ::AppendMenuA(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(commands), "&Plug-in");
  return bar;
}

void AddColumn(HWND list, int index, const char* title, int width) noexcept {
  LVCOLUMNA column{};
  column.mask = LVCF_TEXT | LVCF_WIDTH;
  column.pszText = const_cast<char*>(title);
  column.cx = width;
  ::SendMessageA(list, LVM_INSERTCOLUMNA, index, reinterpret_cast<LPARAM>(&column));
}

void SetCell(HWND list, int row, int column, const char* text) noexcept {
  LVITEMA cell{};
  cell.iSubItem = column;
  cell.pszText = const_cast<char*>(text);
  ::SendMessageA(list, LVM_SETITEMTEXTA, row, reinterpret_cast<LPARAM>(&cell));
}

}  // namespace

MainWindow::~MainWindow() {
  if (window_) ::DestroyWindow(window_);
}

bool MainWindow::Create(int show) noexcept {
  INITCOMMONCONTROLSEX controls{sizeof controls, ICC_LISTVIEW_CLASSES};
  ::InitCommonControlsEx(&controls);
  if (!RegisterMainClass(&Procedure)) return false;
  const std::string title = "Plug-in Host - " + plugIn_.Path();
  if (!::CreateWindowExA(0, kMainWindowClass, title.c_str(), WS_OVERLAPPEDWINDOW, CW_USEDEFAULT,
                         CW_USEDEFAULT, 760, 320, nullptr, CreateMainMenu(),
                         ::GetModuleHandleA(nullptr), this)) {
    return false;
  }
  // Laid out at 96 DPI, then at the window's own, as the plug-in does.
  dpi_ = libinfo::DpiOf(window_);
  ::SetWindowPos(window_, nullptr, 0, 0, libinfo::Scaled(760, dpi_), libinfo::Scaled(320, dpi_),
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  CreateList();
  FillList();
  ::ShowWindow(window_, show);
  ::UpdateWindow(window_);
  return true;
}

void MainWindow::RunCommandThenClose(std::uint32_t kind) noexcept {
  // Posted, so the command starts from the message loop with the window drawn.
  ::PostMessageA(window_, kRunThenCloseMessage, kind, 0);
}

LRESULT CALLBACK MainWindow::Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_NCCREATE) {
    auto* created = reinterpret_cast<MainWindow*>(
        reinterpret_cast<const CREATESTRUCTA*>(lParam)->lpCreateParams);
    created->window_ = window;
    ::SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(created));
  }
  auto* self = reinterpret_cast<MainWindow*>(::GetWindowLongPtrA(window, GWLP_USERDATA));
  if (!self) return ::DefWindowProcA(window, message, wParam, lParam);
  try {
    return self->Handle(message, wParam, lParam);
  } catch (const std::exception& failure) {
    self->ShowError(failure.what());
  } catch (...) {
    self->ShowError("Unknown failure.");
  }
  return 0;
}

LRESULT MainWindow::Handle(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_SIZE:
      if (list_) ::MoveWindow(list_, 0, 0, LOWORD(lParam), HIWORD(lParam), TRUE);
      return 0;
    case WM_SETFOCUS:
      if (list_) ::SetFocus(list_);
      return 0;
    case WM_NOTIFY:
      OnNotify(*reinterpret_cast<const NMHDR*>(lParam));
      return 0;
    case WM_INITMENUPOPUP:
      EnableCommands(reinterpret_cast<HMENU>(wParam));
      return 0;
    case WM_COMMAND:
      OnMenuCommand(LOWORD(wParam));
      return 0;
    case kRunThenCloseMessage:
      RunCommand(0, static_cast<std::uint32_t>(wParam));
      ::DestroyWindow(window_);
      return 0;
    case WM_DESTROY:
      ::PostQuitMessage(0);
      return 0;
    case WM_NCDESTROY: {
      HWND window = std::exchange(window_, nullptr);
      list_ = nullptr;
      ::SetWindowLongPtrA(window, GWLP_USERDATA, 0);
      return ::DefWindowProcA(window, message, wParam, lParam);
    }
    default:
      return ::DefWindowProcA(window_, message, wParam, lParam);
  }
}

void MainWindow::CreateList() {
  list_ = ::CreateWindowExA(
      WS_EX_CLIENTEDGE, WC_LISTVIEWA, "",
      WS_CHILD | WS_VISIBLE | WS_TABSTOP | LVS_REPORT | LVS_SINGLESEL | LVS_SHOWSELALWAYS, 0, 0, 0,
      0, window_, reinterpret_cast<HMENU>(kListId), ::GetModuleHandleA(nullptr), nullptr);
  font_.reset(::CreateFontA(-::MulDiv(8, dpi_, 72), 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE,
                            DEFAULT_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS,
                            DEFAULT_QUALITY, DEFAULT_PITCH | FF_SWISS, "MS Shell Dlg"));
  ::SendMessageA(list_, WM_SETFONT, reinterpret_cast<WPARAM>(font_.get()), FALSE);
  ::SendMessageA(list_, LVM_SETEXTENDEDLISTVIEWSTYLE, 0, LVS_EX_FULLROWSELECT);
  AddColumn(list_, 0, "Caption", libinfo::Scaled(160, dpi_));
  AddColumn(list_, 1, "Name", libinfo::Scaled(200, dpi_));
  AddColumn(list_, 2, "Description", libinfo::Scaled(380, dpi_));
}

void MainWindow::FillList() {
  const auto& items = plugIn_.Items();
  for (int row = 0; row < static_cast<int>(items.size()); ++row) {
    LVITEMA entry{};
    entry.mask = LVIF_TEXT;
    entry.iItem = row;
    entry.pszText = const_cast<char*>(items[row].caption);
    ::SendMessageA(list_, LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&entry));
    SetCell(list_, row, 1, items[row].name);
    SetCell(list_, row, 2, items[row].description);
  }
  ListView_SetItemState(list_, 0, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
}

void MainWindow::OnNotify(const NMHDR& header) {
  if (header.hwndFrom != list_) return;
  if (header.code == NM_DBLCLK) {
    const int row = reinterpret_cast<const NMITEMACTIVATE&>(header).iItem;
    if (row >= 0) RunCommand(static_cast<std::size_t>(row), libinfo::kCommandRun);
  } else if (header.code == NM_RETURN) {
    RunCommand(SelectedItem(), libinfo::kCommandRun);
  }
}

void MainWindow::OnMenuCommand(WORD id) {
  if (id == kExitId) {
    ::DestroyWindow(window_);
    return;
  }
  for (const auto& command : kMenuCommands) {
    if (id == CommandId(command.kind)) RunCommand(SelectedItem(), command.kind);
  }
}

// Only the commands the selected item answers are offered.
void MainWindow::EnableCommands(HMENU menu) {
  for (const auto& command : kMenuCommands) {
    const bool offered = plugIn_.Command(SelectedItem(), command.kind) != nullptr;
    ::EnableMenuItem(menu, CommandId(command.kind),
                     MF_BYCOMMAND | (offered ? MF_ENABLED : MF_GRAYED));
  }
}

std::size_t MainWindow::SelectedItem() const noexcept {
  const int row = ListView_GetNextItem(list_, -1, LVNI_SELECTED);
  return row < 0 ? 0 : static_cast<std::size_t>(row);
}

void MainWindow::RunCommand(std::size_t item, std::uint32_t kind) {
  const libinfo::CommandProc procedure = plugIn_.Command(item, kind);
  if (!procedure) {
    ShowError("The item offers no command of kind " + std::to_string(kind) + ".");
    return;
  }
  procedure(0, window_);
}

void MainWindow::ShowError(const std::string& text) const noexcept {
  ::MessageBoxA(window_, text.c_str(), "Plug-in Host", MB_OK | MB_ICONERROR);
}

}  // namespace plughost
