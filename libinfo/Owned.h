// One generic owner for the plain Windows resources the library holds, with a
// short alias per kind. COM interfaces use Microsoft::WRL::ComPtr instead.
#pragma once

#include <windows.h>
#include <commctrl.h>
#include <shlobj.h>

#include <cstdint>
#include <utility>

namespace libinfo {

// Invalid is given as a number because handles such as INVALID_HANDLE_VALUE
// cannot be template arguments themselves.
template <typename T, auto Close, std::intptr_t InvalidValue = 0>
class Owned {
  static inline const T Invalid = reinterpret_cast<T>(InvalidValue);

 public:
  Owned() noexcept = default;
  explicit Owned(T value) noexcept : value_(value) {}
  Owned(const Owned&) = delete;
  Owned& operator=(const Owned&) = delete;
  Owned(Owned&& other) noexcept : value_(other.release()) {}
  Owned& operator=(Owned&& other) noexcept {
    reset(other.release());
    return *this;
  }
  ~Owned() { reset(); }

  [[nodiscard]] T get() const noexcept { return value_; }
  [[nodiscard]] explicit operator bool() const noexcept { return value_ != Invalid; }
  [[nodiscard]] T release() noexcept { return std::exchange(value_, Invalid); }
  void reset(T value = Invalid) noexcept {
    T old = std::exchange(value_, value);
    if (old != Invalid) Close(old);
  }
  // For out-parameters of the API: frees what is held, then lends the slot.
  [[nodiscard]] T* put() noexcept {
    reset();
    return &value_;
  }

 private:
  T value_ = Invalid;
};

namespace close {
inline void Find(HANDLE h) noexcept {
  ::FindClose(h);
}
inline void Handle(HANDLE h) noexcept {
  ::CloseHandle(h);
}
inline void Window(HWND h) noexcept {
  ::DestroyWindow(h);
}
inline void GdiObject(HGDIOBJ h) noexcept {
  ::DeleteObject(h);
}
inline void Icon(HICON h) noexcept {
  ::DestroyIcon(h);
}
inline void ImageList(HIMAGELIST h) noexcept {
  ::ImageList_Destroy(h);
}
inline void Module(HMODULE h) noexcept {
  ::FreeLibrary(h);
}
inline void Menu(HMENU h) noexcept {
  ::DestroyMenu(h);
}
inline void Global(HGLOBAL h) noexcept {
  ::GlobalFree(h);
}
}  // namespace close

using UniqueFind = Owned<HANDLE, close::Find, -1>;
using UniqueHandle = Owned<HANDLE, close::Handle>;
using UniqueFile = Owned<HANDLE, close::Handle, -1>;
using UniqueWindow = Owned<HWND, close::Window>;
using UniqueFont = Owned<HFONT, close::GdiObject>;
using UniqueBitmap = Owned<HBITMAP, close::GdiObject>;
using UniqueIcon = Owned<HICON, close::Icon>;
using UniqueImageList = Owned<HIMAGELIST, close::ImageList>;
using UniqueModule = Owned<HMODULE, close::Module>;
using UniqueMenu = Owned<HMENU, close::Menu>;
using UniqueGlobal = Owned<HGLOBAL, close::Global>;

}  // namespace libinfo
