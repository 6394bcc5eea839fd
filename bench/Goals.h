// The goals the report judges its figures by, and how it says so.
#pragma once

namespace bench {

// Fewer rounds than this cannot separate a 5 % difference from this
// machine's noise, so their figures are printed but not judged.
constexpr int kFewestRounds = 11;

// The window's scan against the bare loop with one thread: what reading
// with several threads has to gain.
constexpr double kOneThreadGoal = 0.80;
// The window's scan against a bare loop with as many threads as the scan
// has readers: what the window, the walk's order and the hand-over may cost.
constexpr double kSameThreadsGoal = 1.05;

constexpr double kGrowthLow = 4.5;
constexpr double kGrowthHigh = 5.5;
constexpr double kStopMedianGoalMs = 20;
constexpr double kStopMaximumGoalMs = 50;
constexpr double kAnswerGoalMs = 50;
constexpr double kBytesPerRowGoal = 0.5 * 1024;
constexpr double kRefreshGoal = 1.05;

inline const char* Verdict(bool met) {
  return met ? "met" : "MISSED";
}

inline const char* JudgedVerdict(bool met, bool enoughRounds) {
  return enoughRounds ? Verdict(met) : "not judged (fewer than 11 rounds)";
}

}  // namespace bench
