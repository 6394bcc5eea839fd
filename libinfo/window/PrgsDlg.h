// The small dialog that stands in front of the library window while a scan
// runs: a looping search animation, the count of files listed so far and Stop.
#pragma once

#include <windows.h>

#include <string>

#include "Owned.h"
#include "window/Form.h"

namespace libinfo {

class TProgressDlg : public TForm {
 public:
  TProgressDlg();
  ~TProgressDlg() override;

  HWND Animate1 = nullptr;
  HWND bbStop = nullptr;
  HWND lbCnt = nullptr;
  HWND Label1 = nullptr;
  // Set when the user asks to stop and when the scan is over.
  bool Stopped = false;

  // Shows "N files" in the count label, widening it to fit.
  void ShowCount(int count);

  void bbStopClick(HWND sender);
  void FormDeactivate(HWND sender);

  bool PreTranslateMessage(MSG& msg) noexcept override;

 protected:
  LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

 private:
  void CreateControls();
  HWND AddControl(const char* cls, const char* text, DWORD style, RECT bounds, int id = 0);
  void FitCountLabel();
  void WidenToText(HWND label);
  [[nodiscard]] int TextWidth(HWND control) const;
  void PlayLooping() noexcept;
  void SubclassCountLabel();
  static LRESULT CALLBACK CountLabelProc(HWND label, UINT message, WPARAM wParam, LPARAM lParam);
  void ScheduleCountPaint() noexcept;
  void PaintCount() noexcept;

  UniqueFont font_;
  UniqueModule shell_;  // holds the animation's clip
  int countLabelChars_ = 0;
  WNDPROC countLabelDefault_ = nullptr;
  std::string countCaption_ = "%d";
  bool countPaintPending_ = false;
};

// The dialog of the scan in progress; null while no scan runs.
extern TProgressDlg* ProgressDlg;

}  // namespace libinfo
