// Every file of the system directory, read as the scan reads them.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <vector>

#include "common/GuardPageBuffer.h"
#include "Support.h"

namespace libinfo::testing {
namespace {

std::string SystemDirectory() {
  char dir[MAX_PATH] = {};
  const UINT length = ::GetSystemDirectoryA(dir, sizeof dir);
  return std::string(dir, length < sizeof dir ? length : 0);
}

std::vector<std::string> SystemFiles() {
  const std::string dir = SystemDirectory();
  std::vector<std::string> paths;
  WIN32_FIND_DATAA found{};
  HANDLE search = ::FindFirstFileA((dir + "\\*").c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return paths;
  do {
    if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) {
      paths.push_back(dir + "\\" + found.cFileName);
    }
  } while (::FindNextFileA(search, &found));
  ::FindClose(search);
  return paths;
}

TEST(SystemDirectory, EveryFileReadsWithoutFailure) {
  const std::vector<std::string> paths = SystemFiles();
  ASSERT_GT(paths.size(), 100u);
  const auto start = std::chrono::steady_clock::now();
  int withVersion = 0;
  for (const std::string& path : paths) {
    const TVersionInfo reader(path);
    // The platform's own files are well formed, 16-bit ones included: the
    // reader's consistency check must refuse none of them.
    DWORD handle = 0;
    if (::GetFileVersionInfoSizeA(path.c_str(), &handle) != 0) {
      EXPECT_TRUE(reader.Valid()) << path;
    }
    if (!reader.Valid()) continue;
    ++withVersion;
    (void)AnswersOf(reader);
  }
  const auto elapsed = std::chrono::duration_cast<std::chrono::milliseconds>(
      std::chrono::steady_clock::now() - start);
  std::printf("%zu files, %d with version data, read in %lld ms\n", paths.size(), withVersion,
              static_cast<long long>(elapsed.count()));
  EXPECT_GT(withVersion, 50);

  const TVersionInfo kernel(SystemDirectory() + "\\kernel32.dll");
  ASSERT_TRUE(kernel.Valid());
  EXPECT_NE("", kernel.FileDescription());
  EXPECT_NE("", kernel.FileVersion());
}

// The reader goes through the platform's query function; a reader of our own
// walks the raw resource instead. Both must come to the same four answers.
TEST(SystemDirectory, AnswersMatchAnIndependentReadingOfTheResource) {
  int compared = 0, withoutPeResource = 0;
  for (const std::string& path : SystemFiles()) {
    const TVersionInfo reader(path, GuardPageBuffer());
    const auto blob = LoadVersionResource(path);
    if (!blob) {
      // 16-bit files carry their resources in another layout; only the
      // reader's own sanity is checked for them.
      if (reader.Valid()) ++withoutPeResource;
      (void)AnswersOf(reader);
      continue;
    }
    const auto root = ParseVersionBlob(*blob);
    ASSERT_TRUE(root) << path;
    ASSERT_TRUE(reader.Valid()) << path;
    EXPECT_EQ(ExpectedAnswers(*root), AnswersOf(reader)) << path;
    ++compared;
  }
  std::printf("%d resources compared, %d without a PE resource skipped\n", compared,
              withoutPeResource);
  EXPECT_GT(compared, 50);
  EXPECT_EQ(0, GuardPageBlocksInUse());
}

}  // namespace
}  // namespace libinfo::testing
