// A quit request during a scan ends it once the reading has finished its
// file. Meanwhile the window thread still answers what other threads and
// programs send its windows.
#include <gtest/gtest.h>
#include <windows.h>

#include "common/HeldReading.h"
#include "common/ScanProbe.h"
#include "window/Application.h"
#include "window/SysLibMain.h"

namespace libinfo::testing {
namespace {

TEST(QuitDuringAScan, MessagesSentWhileTheReadingFinishesAreAnswered) {
  HeldReading reading;
  TSysLibInfoWin window("C:\\made-up", reading.Runner(), Application().Handle());
  SenderWhileHeld sender(window.Handle(), reading);
  ScanProbe probe;
  probe.AfterListed(20, [] { PostQuitMessage(5); });
  Application().RunModal(window);
  EXPECT_EQ("System Library Info", sender.Answer());
  EXPECT_TRUE(reading.ReleasedBeforeItsEnd()) << "answered only once the reading had ended";
  MSG msg{};
  EXPECT_TRUE(PeekMessageA(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) << "the quit was lost";
}

}  // namespace
}  // namespace libinfo::testing
