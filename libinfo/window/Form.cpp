#include "window/Form.h"

#include <exception>
#include <algorithm>
#include <map>
#include <utility>
#include <vector>

#include "Failure.h"
#include "LibraryCursor.h"

namespace libinfo {

namespace {

std::map<std::string, int>& ClassUsers() {
  static std::map<std::string, int> users;
  return users;
}

// Forms from the making of their window until they are destroyed, for the
// message loops to give them their keys first.
std::vector<TForm*>& LiveForms() {
  static std::vector<TForm*> forms;
  return forms;
}

}  // namespace

WindowClassUse::WindowClassUse(const char* name, HICON icon, HBRUSH background, WNDPROC procedure)
    : name_(name) {
  int& users = ClassUsers()[name_];
  if (users == 0) {
    WNDCLASSEXA cls{};
    cls.cbSize = sizeof cls;
    cls.style = CS_DBLCLKS;
    cls.lpfnWndProc = procedure;
    cls.hInstance = ModuleInstance();
    cls.hIcon = icon;
    cls.hCursor = ::LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW));
    cls.hbrBackground = background;
    cls.lpszClassName = name;
    if (!::RegisterClassExA(&cls) && ::GetLastError() != ERROR_CLASS_ALREADY_EXISTS) {
      ClassUsers().erase(name_);
      ThrowLastError("RegisterClassEx");
    }
  }
  ++users;
}

WindowClassUse::~WindowClassUse() {
  auto found = ClassUsers().find(name_);
  if (found == ClassUsers().end()) return;
  if (--found->second == 0) {
    ::UnregisterClassA(name_.c_str(), ModuleInstance());
    ClassUsers().erase(found);
  }
}

LRESULT CALLBACK PanelProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_COMMAND:
    case WM_NOTIFY:
    case WM_CTLCOLORSTATIC:
      return ::SendMessageA(::GetParent(hwnd), message, wParam, lParam);
    case WM_PAINT: {
      PAINTSTRUCT paint;
      HDC dc = ::BeginPaint(hwnd, &paint);
      const UINT bevel = static_cast<UINT>(::GetWindowLongPtrA(hwnd, GWLP_USERDATA));
      if (bevel) {
        RECT client{};
        ::GetClientRect(hwnd, &client);
        ::DrawEdge(dc, &client, bevel, BF_RECT);
      }
      ::EndPaint(hwnd, &paint);
      return 0;
    }
    case WM_SETCURSOR:
      if (LibraryCursor()) {
        ::SetCursor(LibraryCursor());
        return TRUE;
      }
      [[fallthrough]];
    default:
      return ::DefWindowProcA(hwnd, message, wParam, lParam);
  }
}

HWND CreateChild(HWND parent, const char* cls, const char* text, DWORD style, int id) {
  HWND child = ::CreateWindowExA(0, cls, text, WS_CHILD | WS_VISIBLE | style, 0, 0, 0, 0, parent,
                                 reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                                 ModuleInstance(), nullptr);
  if (!child) ThrowLastError(cls);
  return child;
}

HWND CreatePanel(HWND parent, UINT bevel) {
  HWND panel = ::CreateWindowExA(0, kPanelClass, nullptr, WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN,
                                 0, 0, 0, 0, parent, nullptr, ModuleInstance(), nullptr);
  if (!panel) ThrowLastError("Creating a panel");
  ::SetWindowLongPtrA(panel, GWLP_USERDATA, static_cast<LONG_PTR>(bevel));
  return panel;
}

TForm::~TForm() {
  Destroy();
}

void TForm::CreateHandle(const WindowClass& cls, const char* caption, DWORD style, DWORD exStyle,
                         int x, int y, int width, int height, HWND owner) {
  class_ = std::make_unique<WindowClassUse>(cls.name, cls.icon, cls.background, WindowProc);
  LiveForms().push_back(this);
  createFailure_ = nullptr;
  HWND created = ::CreateWindowExA(exStyle, cls.name, caption, style, x, y, width, height, owner,
                                   nullptr, ModuleInstance(), this);
  if (createFailure_) {
    Destroy();
    std::rethrow_exception(std::exchange(createFailure_, nullptr));
  }
  if (!created) {
    const DWORD code = ::GetLastError();
    Destroy();
    throw Failure(std::string("Creating the window \"") + caption +
                  "\" failed: " + SystemErrorText(code));
  }
}

void TForm::Show(int command) noexcept {
  if (hwnd_) ::ShowWindow(hwnd_, command);
}

void TForm::Hide() noexcept {
  if (hwnd_) ::ShowWindow(hwnd_, SW_HIDE);
}

void TForm::Destroy() noexcept {
  if (hwnd_) ::DestroyWindow(hwnd_);
  if (class_) {
    class_.reset();
    auto& forms = LiveForms();
    forms.erase(std::remove(forms.begin(), forms.end(), this), forms.end());
  }
}

bool TForm::PreTranslateMessage(MSG& /*msg*/) noexcept {
  return false;
}

TForm* TForm::Find(HWND window) noexcept {
  if (!window) return nullptr;
  for (TForm* form : LiveForms()) {
    if (form->Handle() == window) return form;
  }
  return nullptr;
}

LRESULT TForm::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  return DefaultHandler(message, wParam, lParam);
}

LRESULT TForm::DefaultHandler(UINT message, WPARAM wParam, LPARAM lParam) noexcept {
  if (message == WM_SETCURSOR && LibraryCursor()) {
    ::SetCursor(LibraryCursor());
    return TRUE;
  }
  return ::DefWindowProcA(hwnd_, message, wParam, lParam);
}

LRESULT CALLBACK TForm::WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  TForm* self = nullptr;
  if (message == WM_NCCREATE) {
    self = static_cast<TForm*>(reinterpret_cast<CREATESTRUCTA*>(lParam)->lpCreateParams);
    self->hwnd_ = hwnd;
    ::SetWindowLongPtrA(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
  } else {
    self = reinterpret_cast<TForm*>(::GetWindowLongPtrA(hwnd, GWLP_USERDATA));
  }
  if (!self) return ::DefWindowProcA(hwnd, message, wParam, lParam);
  const LRESULT result = self->Dispatch(message, wParam, lParam);
  if (message == WM_NCDESTROY) {
    ::SetWindowLongPtrA(hwnd, GWLP_USERDATA, 0);
    self->hwnd_ = nullptr;
  }
  return result;
}

LRESULT TForm::Dispatch(UINT message, WPARAM wParam, LPARAM lParam) noexcept {
  try {
    return HandleMessage(message, wParam, lParam);
  } catch (...) {
    if (message == WM_NCCREATE || message == WM_CREATE) {
      // Creation fails and CreateHandle hands the failure to its caller.
      createFailure_ = std::current_exception();
      return message == WM_CREATE ? -1 : FALSE;
    }
    // The owner is the window the host lent: the box stays above the host.
    ShowFailure(::GetWindow(hwnd_, GW_OWNER), CurrentExceptionText().text);
    return 0;
  }
}

}  // namespace libinfo
