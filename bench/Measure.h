// Clock, statistics and process memory for the benchmark.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace bench {

// Milliseconds on the performance counter since an arbitrary origin.
double NowMs() noexcept;

// User plus kernel time of every thread of this process so far, in
// milliseconds: the work done, whatever the machine's other load.
double ProcessCpuMs() noexcept;

double Median(std::vector<double> samples);
double Maximum(const std::vector<double>& samples);

// The middle half of the samples: first and third quartile, interpolated
// between neighbouring samples.
struct Spread {
  double median = 0;
  double lower = 0;
  double upper = 0;
};
Spread SpreadOf(std::vector<double> samples);

// "1.032 [1.010, 1.051]": the median and, in brackets, the interquartile range.
std::string WithRange(const Spread& spread, int decimals);

// One timed run over a folder.
struct Timing {
  double wallMs = 0;
  double cpuMs = 0;  // user and kernel time of the whole process meanwhile
  int listed = 0;
};

struct MemorySample {
  SIZE_T privateUsage = 0;
  SIZE_T pagefileUsage = 0;
  SIZE_T committedPrivate = 0;  // the committed private regions, summed
};
MemorySample SampleMemory() noexcept;

// Handles every waiting message, and keeps doing so until nothing has
// arrived for `quietMs` (paints and timers of a freshly shown window).
void Settle(DWORD quietMs = 30);

std::string Format(const char* format, ...);

// A folder of its own under the temporary folder, removed with the object.
class EmptyFolder {
 public:
  EmptyFolder();
  EmptyFolder(const EmptyFolder&) = delete;
  EmptyFolder& operator=(const EmptyFolder&) = delete;
  ~EmptyFolder();
  [[nodiscard]] const std::string& Path() const noexcept { return path_; }

 private:
  std::string path_;
};

}  // namespace bench
