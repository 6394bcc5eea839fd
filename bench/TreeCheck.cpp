#include "TreeCheck.h"

#include <windows.h>

#include <cstdio>
#include <vector>

#include "Measure.h"
#include "version/VerInfo.h"
#include "version/VersionTree.h"

namespace bench {
namespace {

std::vector<std::string> FilesOf(const std::string& folder) {
  std::vector<std::string> paths;
  WIN32_FIND_DATAA entry{};
  HANDLE search = ::FindFirstFileA((folder + "\\*").c_str(), &entry);
  if (search == INVALID_HANDLE_VALUE) return paths;
  do {
    if (!(entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) {
      paths.push_back(folder + "\\" + entry.cFileName);
    }
  } while (::FindNextFileA(search, &entry));
  ::FindClose(search);
  return paths;
}

// The copies the reader makes, taken once.
std::vector<std::vector<BYTE>> CopiesOf(const std::vector<std::string>& paths) {
  std::vector<std::vector<BYTE>> copies;
  for (const std::string& path : paths) {
    DWORD handle = 0;
    const DWORD size = ::GetFileVersionInfoSizeA(path.c_str(), &handle);
    if (size == 0) continue;
    std::vector<BYTE> copy(size);
    if (::GetFileVersionInfoA(path.c_str(), handle, size, copy.data())) copies.push_back(copy);
  }
  return copies;
}

double ReadAll(const std::vector<std::string>& paths) {
  const double start = NowMs();
  for (const std::string& path : paths) {
    const libinfo::TVersionInfo info(path);
    if (info.Valid()) (void)info.FileDescription();
  }
  return NowMs() - start;
}

double CheckAll(const std::vector<std::vector<BYTE>>& copies, int& fitting) {
  const double start = NowMs();
  fitting = 0;
  for (const auto& copy : copies) {
    fitting += libinfo::VersionTreeFits(copy.data(), copy.size(), libinfo::VersionLayout::kWide);
  }
  return NowMs() - start;
}

}  // namespace

void PrintTreeCheckCost(const std::string& folder, int runs) {
  const auto paths = FilesOf(folder);
  const auto copies = CopiesOf(paths);
  std::vector<double> reads, checks;
  int fitting = 0;
  for (int run = 0; run < runs; ++run) {
    reads.push_back(ReadAll(paths));
    checks.push_back(CheckAll(copies, fitting));
  }
  const double read = Median(reads), check = Median(checks);
  std::printf(
      "- Consistency check over %s: %.3f ms for %zu resources (%d fit) against %.1f ms for "
      "reading all %zu files (medians of %d, alternating): %.3f %% of the reading\n",
      folder.c_str(), check, copies.size(), fitting, read, paths.size(), runs,
      read > 0 ? 100.0 * check / read : 0.0);
}

}  // namespace bench
