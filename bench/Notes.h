// What the benchmark says beside its report: every sample on standard
// error as it is taken, and the faults seen on the way, which the report
// lists after its figures.
#pragma once

#include <string>
#include <vector>

namespace bench {

// One line on standard error, at once.
void Note(const std::string& text);

// A fault seen on the way: noted now, and kept for the report. The numbers
// are still reported, the faults beside them.
void Fault(const std::string& text);

const std::vector<std::string>& Faults();

}  // namespace bench
