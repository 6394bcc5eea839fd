#include "ShownWindow.h"

#include <atomic>

#include "scan/LibraryScan.h"

namespace bench {

using libinfo::LibraryScan;

namespace {

// Every scan of the window read by `readers` readers; the window's own
// choice for kWindowOwnReaders, so that the default is the window's real one.
libinfo::ScanRunner ReadersRunner(int readers) {
  if (readers == kWindowOwnReaders) return {};
  return [readers](const LibraryScan& scan, const std::atomic<bool>& stopped,
                   const LibraryScan::RowSink& sink) {
    return LibraryScan(scan.Folder(), readers).Run(stopped, sink);
  };
}

}  // namespace

int DefaultReaders() noexcept {
  return LibraryScan::DefaultReaders();
}

ShownWindow::ShownWindow(const std::string& folder, int readers)
    : window_(folder, ReadersRunner(readers)) {
  window_.ScanStarted = true;
  window_.Show();
  Settle();
}

Timing ShownWindow::TimedRefresh() {
  const double cpuStart = ProcessCpuMs();
  const double start = NowMs();
  window_.tbRefreshClick();
  Timing timing{NowMs() - start, ProcessCpuMs() - cpuStart, window_.RowCount()};
  Settle();
  return timing;
}

}  // namespace bench
