// The small dialog that stands in front of the library window while a scan
// runs: a looping search animation, the count of files listed so far and Stop.
#pragma once

#include <windows.h>

#include <atomic>

#include "Owned.h"
#include "window/Form.h"

namespace libinfo {

class TProgressDlg : public TForm {
 public:
  // The animation plays the search clip of `clipLibrary`, a full path (the
  // system directory's shell library when null), or the plug-in's own search
  // clip where that library has none the control can play. The dialog opens
  // centred on the monitor of `centreOn` (of the owner when null).
  explicit TProgressDlg(HWND owner, const char* clipLibrary = nullptr, HWND centreOn = nullptr);
  ~TProgressDlg() override;

  HWND Animate1 = nullptr;
  HWND bbStop = nullptr;
  HWND lbCnt = nullptr;
  HWND Label1 = nullptr;
  // Set when the user asks to stop and when the scan is over; the reading
  // thread looks at it before each entry.
  std::atomic<bool> Stopped = false;

  // True while the clip playing is the one of the library given (or the
  // system's), not the plug-in's own.
  [[nodiscard]] bool PlaysLibraryClip() const noexcept { return static_cast<bool>(clipLibrary_); }

  // Shows "N files" in the count label, widening it to fit. The scan calls
  // it at most 20 times a second, and with the final count at its end.
  void ShowCount(int count);

  void bbStopClick(HWND sender);
  void FormDeactivate(HWND sender);

  bool PreTranslateMessage(MSG& msg) noexcept override;

 protected:
  LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

 private:
  void CreateControls(const char* clipLibrary);
  void ApplyDpi();
  void OnDpiChanged(UINT dpi, const RECT& suggested);
  void FitCountLabel();
  void FitToText(HWND label);
  [[nodiscard]] SIZE TextExtent(HWND control) const;
  [[nodiscard]] bool OpenClip(HMODULE module, WORD clip) noexcept;
  void PlayLooping() noexcept;
  void PlayOwnClip() noexcept;

  UniqueFont font_;
  UniqueModule clipLibrary_;  // holds the animation's clip, mapped as data
  int countLabelChars_ = 0;
  UINT dpi_ = 96;  // the DPI the controls are laid out for
};

// The dialog of the scan in progress; null while no scan runs.
extern TProgressDlg* ProgressDlg;

}  // namespace libinfo
