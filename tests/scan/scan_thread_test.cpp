// The reading thread and the window thread meet at the row queue for every
// batch of rows; however often they collide there, nothing may outlive the
// scan.
#include <gtest/gtest.h>

#include <atomic>

#include "common/HandleCount.h"
#include "common/HeldReading.h"
#include "common/ScanRunners.h"
#include "scan/ScanThread.h"

namespace libinfo::testing {
namespace {

// Takes rows as fast as the reading thread queues them, so that the two
// collide at the queue's lock as often as they can; returns the rows taken.
int TakeUntilFinished(ScanThread& reading) {
  int taken = 0;
  while (::WaitForSingleObject(reading.Finished(), 0) != WAIT_OBJECT_0) {
    taken += static_cast<int>(reading.TakeRows().size());
  }
  reading.Join();
  return taken + static_cast<int>(reading.TakeRows().size());
}

TEST(ScanThread, ContendedRowQueueLeavesNothingBehind) {
  constexpr int kRows = 20000;
  constexpr int kScans = 20;
  const LibraryScan scan("C:\\made-up");
  const ScanRunner flood = MadeUpRows(kRows, "x");
  const auto scanOnce = [&](int n) {
    std::atomic<bool> stopped{false};
    ScanThread reading(scan, flood, stopped);
    EXPECT_EQ(kRows, TakeUntilFinished(reading)) << "scan " << n << " lost or doubled rows";
  };
  scanOnce(0);  // the first thread of a process sets up what every later one shares
  const auto before = OpenHandleValues();
  for (int n = 1; n <= kScans; ++n) scanOnce(n);
  const auto after = OpenHandleValues();
  EXPECT_EQ(before.size(), after.size())
      << "handles left by " << kScans << " scans:" << DescribeNewHandles(before, after);
}

// A scan abandoned by its window (a failure on the window thread, say) ends
// its reading on the way out; the window thread keeps answering meanwhile.
TEST(ScanThread, EndingAHeldReadingAnswersWhatOthersSend) {
  const UniqueWindow window(::CreateWindowExA(0, "STATIC", "waiting", 0, 0, 0, 10, 10, nullptr,
                                              nullptr, nullptr, nullptr));
  ASSERT_TRUE(window);
  HeldReading held;
  SenderWhileHeld sender(window.get(), held);
  const LibraryScan scan("C:\\made-up");
  const ScanRunner runner = held.Runner();
  std::atomic<bool> stopped{false};
  {
    ScanThread reading(scan, runner, stopped);
    ::Sleep(20);
  }
  EXPECT_EQ("waiting", sender.Answer());
  EXPECT_TRUE(held.ReleasedBeforeItsEnd()) << "answered only once the reading had ended";
}

}  // namespace
}  // namespace libinfo::testing
