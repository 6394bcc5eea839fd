// Base of the library's top-level windows: the window procedure finds its
// object through the pointer stored at WM_NCCREATE and forwards each message
// to it; no exception leaves the procedure.
#pragma once

#include <windows.h>

#include <exception>
#include <memory>
#include <string>

namespace libinfo {

extern "C" IMAGE_DOS_HEADER __ImageBase;
inline HINSTANCE ModuleInstance() noexcept {
  return reinterpret_cast<HINSTANCE>(&__ImageBase);
}

// Keeps a window class of the library registered while anything uses it;
// the last user unregisters it, so the library can be unloaded and loaded
// again within one host process.
class WindowClassUse {
 public:
  WindowClassUse(const char* name, HICON icon, HBRUSH background, WNDPROC procedure);
  WindowClassUse(const WindowClassUse&) = delete;
  WindowClassUse& operator=(const WindowClassUse&) = delete;
  ~WindowClassUse();

 private:
  std::string name_;
};

// A plain container for child controls, in the button-face colour; passes
// its children's commands and notifications on to its own parent.
// bevel: an edge style for DrawEdge, or 0 for none.
// The panel class must be in use (see PanelClassUse) while panels exist.
HWND CreatePanel(HWND parent, UINT bevel);

// A visible child control of `parent`, of no size until it is laid out.
HWND CreateChild(HWND parent, const char* cls, const char* text, DWORD style, int id = 0);
LRESULT CALLBACK PanelProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
inline constexpr char kPanelClass[] = "LibInfoPanel";

class PanelClassUse : public WindowClassUse {
 public:
  PanelClassUse()
      : WindowClassUse(kPanelClass, nullptr, reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1),
                       PanelProc) {}
};

class TForm {
 public:
  TForm(const TForm&) = delete;
  TForm& operator=(const TForm&) = delete;
  virtual ~TForm();

  [[nodiscard]] HWND Handle() const noexcept { return hwnd_; }
  void Show(int command = SW_SHOW) noexcept;
  void Hide() noexcept;
  void Destroy() noexcept;

  // The modal run ends once this is set (see TApplication::RunModal).
  [[nodiscard]] bool ModalDone() const noexcept { return modalDone_; }
  void EndModal() noexcept { modalDone_ = true; }
  void BeginModal() noexcept { modalDone_ = false; }

  // Keyboard handling before dispatch; true when the message was consumed.
  virtual bool PreTranslateMessage(MSG& msg) noexcept;

  // The live form whose top-level window this is, or null.
  [[nodiscard]] static TForm* Find(HWND window) noexcept;

 protected:
  struct WindowClass {
    const char* name;
    HICON icon;
    HBRUSH background;
  };
  TForm() = default;
  // Registers the class when it is first needed and creates the window,
  // owned by `owner` (the host's window the library was lent, or none).
  void CreateHandle(const WindowClass& cls, const char* caption, DWORD style, DWORD exStyle, int x,
                    int y, int width, int height, HWND owner);
  virtual LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);
  LRESULT DefaultHandler(UINT message, WPARAM wParam, LPARAM lParam) noexcept;

 private:
  static LRESULT CALLBACK WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
  LRESULT Dispatch(UINT message, WPARAM wParam, LPARAM lParam) noexcept;

  HWND hwnd_ = nullptr;
  std::unique_ptr<WindowClassUse> class_;
  std::exception_ptr createFailure_;
  bool modalDone_ = false;
};

}  // namespace libinfo
