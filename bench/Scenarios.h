// What the benchmark does with the library window: its scan as Refresh
// starts it, stopped by a click, probed by another thread while it runs,
// and run again over a full list.
#pragma once

#include <string>
#include <vector>

#include "Measure.h"
#include "ShownWindow.h"

namespace bench {

// One Refresh of a freshly shown window with an empty list, its scan read
// by `readers` readers (the window's own choice for kWindowOwnReaders).
Timing WindowScan(const std::string& folder, int readers = kWindowOwnReaders);

struct StopResult {
  bool clicked = false;            // false if the scan ended before the count reached the mark
  double clickToReturnMs = 0;      // the click posted to Stop until the scan returned
  double clickToHandledMs = 0;     // the click posted until the dialog had handled it
  double clickToDialogGoneMs = 0;  // the click posted until the dialog's window was destroyed
  double clickToPaintedMs = 0;     // the click posted until the window had painted what followed
  int countWhenClicked = 0;        // the count label's number when the click was posted
  int rows = 0;                    // rows listed when the scan had returned
  int lastCaptionCount = 0;        // the count label's last caption before the dialog went
};

// A scan stopped by a click posted to Stop once the count label reads at
// least `stopAt` files.
StopResult StoppedScan(const std::string& folder, int stopAt);

// Answers slower than this are kept with the time they were sent.
constexpr double kSlowAnswerMs = 25;

struct SlowAnswer {
  double sentMs = 0;  // after the probing began
  double tookMs = 0;
};

struct AnswerResult {
  double longestMs = 0;      // the slowest round trip of a message sent to the window
  double longestSentMs = 0;  // when it was sent, after the probing began
  int probes = 0;
  int rows = 0;
  double scanStartMs = 0;        // Refresh pressed, after the probing began
  double scanEndMs = 0;          // and returned
  std::vector<SlowAnswer> slow;  // the first few, in the order sent
};

// A full scan while a second thread sends the window a message every 10 ms.
AnswerResult ProbedScan(const std::string& folder);

struct RefreshResult {
  double intoEmptyMs = 0;  // the first scan of a fresh window
  double replacingMs = 0;  // the next Refresh, which first drops those rows
  int rows = 0;
};
RefreshResult RefreshOverFullList(const std::string& folder);

}  // namespace bench
