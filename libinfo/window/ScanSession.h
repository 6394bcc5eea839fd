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
  // Empties `rows` and `list`, makes the progress dialog, owned by `owner`
  // and centred on the monitor of the list's window, and starts the reading. Rows go into `rows`
  // and their number to the virtual list `list`, which paints them all at once when the scan ends.
  ScanSession(const LibraryScan& scan, const ScanRunner& runner, HWND owner, RowStore& rows,
              HWND list);
  ScanSession(const ScanSession&) = delete;
  ScanSession& operator=(const ScanSession&) = delete;
  // Marks the dialog stopped and destroys it, then lets the list paint; a
  // quit request that ended the scan is put back in the queue for the loop
  // that owns it.
  ~ScanSession();

  // Shows the dialog and waits for the reading and the user until the
  // reading is over; a failure that ended the reading is thrown here.
  void Run();

 private:
  // Rows appear all at once when the scan ends, however it ends. Only the
  // list's painting is held: held on the window, it would mark the window
  // invisible to every program meanwhile and let clicks through.
  //
  // On resuming, the list lays out its header and scroll bars; it is kept
  // out of sight over that moment (by the hold's default handling, which
  // only marks it so) so that it paints once instead of at every step.
  class ListPaintHold {
   public:
    explicit ListPaintHold(HWND list) noexcept : list_(list) {
      ::SendMessageA(list_, WM_SETREDRAW, FALSE, 0);
    }
    ListPaintHold(const ListPaintHold&) = delete;
    ListPaintHold& operator=(const ListPaintHold&) = delete;
    // Resuming discards what was waiting to be painted, so all of the list,
    // its header and scroll bars are asked for again.
    ~ListPaintHold() {
      const bool shown = (::GetWindowLongPtrA(list_, GWL_STYLE) & WS_VISIBLE) != 0;
      if (shown) ::DefWindowProcA(list_, WM_SETREDRAW, FALSE, 0);
      ::SendMessageA(list_, WM_SETREDRAW, TRUE, 0);
      if (shown) ::DefWindowProcA(list_, WM_SETREDRAW, TRUE, 0);
      ::RedrawWindow(list_, nullptr, nullptr,
                     RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN);
    }

   private:
    HWND list_;
  };

  // The dialog of the scan: it goes after everything that still writes to it.
  class Progress {
   public:
    Progress(HWND owner, HWND centreOn);
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

  ListPaintHold paintHold_;
  Progress progress_;
  RowStore& rows_;
  HWND list_;
  ScanThread reading_;
};

}  // namespace libinfo
