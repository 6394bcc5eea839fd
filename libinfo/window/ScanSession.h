// One scan as the window thread runs it: the progress dialog from the
// scan's start to its end, the stop flag handed to the reading thread, the
// rows as they arrive and the count on the dialog's label, paced.
#pragma once

#include <windows.h>

#include <atomic>

#include "rows/RowStore.h"
#include "scan/LibraryScan.h"
#include "scan/ScanThread.h"
#include "window/PrgsDlg.h"

namespace libinfo {

class CountPacer;

class ScanSession {
 public:
  // Makes the progress dialog, owned by `owner`, and starts the reading.
  // Rows go into `rows` and their number to the virtual list `list`.
  ScanSession(const LibraryScan& scan, const ScanRunner& runner, HWND owner, RowStore& rows,
              HWND list);
  ScanSession(const ScanSession&) = delete;
  ScanSession& operator=(const ScanSession&) = delete;
  // Marks the dialog stopped and destroys it; a quit request that ended the
  // scan is put back in the queue for the loop that owns it.
  ~ScanSession();

  // Shows the dialog and waits for the reading and the user until the
  // reading is over; a failure that ended the reading is thrown here.
  void Run();

 private:
  // The dialog of the scan: it goes after everything that still writes to it.
  class Progress {
   public:
    explicit Progress(HWND owner);
    Progress(const Progress&) = delete;
    Progress& operator=(const Progress&) = delete;
    ~Progress();
    TProgressDlg dialog;
  };

  void Await(CountPacer& pacer);
  [[nodiscard]] bool StopAsked() const noexcept;
  void TakeRows(CountPacer& pacer);
  void KeepShownRows(CountPacer& pacer);
  void SetListCount() noexcept;

  Progress progress_;
  RowStore& rows_;
  HWND list_;
  ScanThread reading_;
};

}  // namespace libinfo
