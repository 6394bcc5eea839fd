#include "Measure.h"

#include <psapi.h>

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <stdexcept>

#include "CommittedMemory.h"
#include "window/Application.h"

namespace bench {

double NowMs() noexcept {
  static const double ticksPerMs = [] {
    LARGE_INTEGER frequency{};
    ::QueryPerformanceFrequency(&frequency);
    return static_cast<double>(frequency.QuadPart) / 1000.0;
  }();
  LARGE_INTEGER now{};
  ::QueryPerformanceCounter(&now);
  return static_cast<double>(now.QuadPart) / ticksPerMs;
}

double ProcessCpuMs() noexcept {
  FILETIME created{}, exited{}, kernel{}, user{};
  if (!::GetProcessTimes(::GetCurrentProcess(), &created, &exited, &kernel, &user)) return 0;
  const auto ticks = [](const FILETIME& time) {
    return (static_cast<unsigned long long>(time.dwHighDateTime) << 32) | time.dwLowDateTime;
  };
  return static_cast<double>(ticks(kernel) + ticks(user)) / 10000.0;  // 100 ns units
}

double Median(std::vector<double> samples) {
  if (samples.empty()) return 0;
  std::sort(samples.begin(), samples.end());
  const size_t middle = samples.size() / 2;
  if (samples.size() % 2) return samples[middle];
  return (samples[middle - 1] + samples[middle]) / 2;
}

double Maximum(const std::vector<double>& samples) {
  return samples.empty() ? 0 : *std::max_element(samples.begin(), samples.end());
}

namespace {

// The value a share `fraction` of the way through sorted `samples`.
double Quantile(const std::vector<double>& sorted, double fraction) {
  const double position = fraction * static_cast<double>(sorted.size() - 1);
  const size_t below = static_cast<size_t>(position);
  if (below + 1 >= sorted.size()) return sorted.back();
  const double weight = position - static_cast<double>(below);
  return sorted[below] + weight * (sorted[below + 1] - sorted[below]);
}

}  // namespace

Spread SpreadOf(std::vector<double> samples) {
  if (samples.empty()) return {};
  std::sort(samples.begin(), samples.end());
  return {Quantile(samples, 0.5), Quantile(samples, 0.25), Quantile(samples, 0.75)};
}

std::string WithRange(const Spread& spread, int decimals) {
  return Format("%.*f [%.*f, %.*f]", decimals, spread.median, decimals, spread.lower, decimals,
                spread.upper);
}

MemorySample SampleMemory() noexcept {
  PROCESS_MEMORY_COUNTERS_EX counters{};
  counters.cb = sizeof counters;
  ::GetProcessMemoryInfo(::GetCurrentProcess(),
                         reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&counters), sizeof counters);
  return {counters.PrivateUsage, counters.PagefileUsage, libinfo::support::CommittedPrivateBytes()};
}

void Settle(DWORD quietMs) {
  double quietSince = NowMs();
  while (NowMs() - quietSince < quietMs) {
    MSG msg;
    if (::PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE)) {
      libinfo::Application().ProcessMessages();
      quietSince = NowMs();
    } else {
      ::Sleep(2);
    }
  }
}

std::string Format(const char* format, ...) {
  char text[512];
  va_list args;
  va_start(args, format);
  std::vsnprintf(text, sizeof text, format, args);
  va_end(args);
  return text;
}

EmptyFolder::EmptyFolder() {
  char temp[MAX_PATH] = {};
  ::GetTempPathA(sizeof temp, temp);
  path_ = std::string(temp) + "libinfo-bench-empty-" + std::to_string(::GetCurrentProcessId());
  if (!::CreateDirectoryA(path_.c_str(), nullptr)) {
    throw std::runtime_error("cannot make the empty folder " + path_);
  }
}

EmptyFolder::~EmptyFolder() {
  ::RemoveDirectoryA(path_.c_str());
}

}  // namespace bench
