// Folders a user's system may really hold: very long names, names the
// system code page cannot spell, files another process keeps locked, files
// that vanish during the scan, and thousands of entries without version data.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "Helpers.h"
#include "common/LibraryFolder.h"
#include "common/ScanProbe.h"
#include "common/ScanRunners.h"
#include "window/SysLibMain.h"

namespace libinfo::testing {
namespace {

constexpr size_t kLongestName = 255;

class HostileDirectory : public ::testing::Test {
 protected:
  std::string PathOf(const std::string& name) const { return folder_.Path() + "\\" + name; }
  void AddVersioned(const std::string& name) {
    ASSERT_TRUE(::CopyFileA(kTemplateFixture, PathOf(name).c_str(), FALSE)) << name;
  }
  // The captions a fresh window lists for the folder (the test's own folder
  // unless another is given).
  std::vector<std::string> Scan(const std::string& folder = {}, ScanRunner runner = {}) {
    window_ = std::make_unique<TSysLibInfoWin>(folder.empty() ? folder_.Path() : folder,
                                               std::move(runner));
    window_->Show();
    window_->ScanSystemLibraries();
    std::vector<std::string> rows;
    for (int row = 0; row < window_->RowCount(); ++row) rows.push_back(window_->CellText(row, 0));
    return rows;
  }
  Answers RowAnswers(int row) const {
    return {window_->CellText(row, 1), window_->CellText(row, 2), window_->CellText(row, 3),
            window_->CellText(row, 4)};
  }

  LibraryFolder folder_;
  std::unique_ptr<TSysLibInfoWin> window_;
  ScanProbe probe_;
};

using Rows = std::vector<std::string>;

std::string LongName(char fill, const char* extension) {
  return std::string(kLongestName - std::strlen(extension), fill) + extension;
}

TEST_F(HostileDirectory, NamesOf255CharactersAreListedWithTheirWholeName) {
  AddVersioned("a.dll");
  AddVersioned(LongName('L', ".dll"));
  folder_.WriteFile(LongName('T', ".txt"), "no version data");
  AddVersioned(LongName('z', ".dll"));
  // The full paths exceed MAX_PATH; the platform's ANSI functions take them.
  const TVersionInfo reader(PathOf(LongName('L', ".dll")));
  ASSERT_TRUE(reader.Valid()) << "the platform refuses long paths";
  ASSERT_EQ((Rows{"a.dll", LongName('L', ".dll"), LongName('z', ".dll")}), Scan());
  EXPECT_EQ(AnswersOf(reader), RowAnswers(1));
  EXPECT_EQ(AnswersOf(reader), RowAnswers(2));
}

TEST_F(HostileDirectory, NamesTheCodePageCannotSpellAreLeftOut) {
  const std::wstring names[] = {L"\u4E2D\u6587.dll", L"\u03A9\u0416\u05D0.dll"};
  for (const auto& name : names) {
    BOOL lossy = FALSE;
    char ansi[64];
    ::WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, name.c_str(), -1, ansi, sizeof ansi,
                          nullptr, &lossy);
    if (!lossy) GTEST_SKIP() << "code page " << ::GetACP() << " spells every name";
    const std::wstring path =
        std::wstring(folder_.Path().begin(), folder_.Path().end()) + L"\\" + name;
    const std::string source = kTemplateFixture;
    ASSERT_TRUE(
        ::CopyFileW(std::wstring(source.begin(), source.end()).c_str(), path.c_str(), FALSE));
  }
  AddVersioned("plain.dll");
  EXPECT_EQ(Rows{"plain.dll"}, Scan());
  EXPECT_EQ("1 files", probe_.Counts().back());
}

TEST_F(HostileDirectory, FileLockedByAnotherProcessIsLeftOutUntilReleased) {
  AddVersioned("free.dll");
  AddVersioned("locked.dll");
  {
    const FileLockedElsewhere lock(PathOf("locked.dll"));
    ASSERT_TRUE(lock.Locked());
    EXPECT_EQ(Rows{"free.dll"}, Scan());
  }
  EXPECT_EQ((Rows{"free.dll", "locked.dll"}), Scan());
}

TEST_F(HostileDirectory, FileDeletedDuringTheScanIsSkipped) {
  for (const char* name : {"a.dll", "b.dll", "c.dll"}) AddVersioned(name);
  // One reader, which pauses after each file, long enough for the deletion
  // to land between a.dll and b.dll (several would have read b.dll at once).
  probe_.AfterListed(1, [&] { EXPECT_TRUE(::DeleteFileA(PathOf("b.dll").c_str())); });
  EXPECT_EQ((Rows{"a.dll", "c.dll"}), Scan({}, SlowReading(150, 1)));
  EXPECT_EQ((Rows{"1 files", "2 files"}), probe_.Counts());
}

TEST_F(HostileDirectory, TenThousandEntriesWithoutVersionDataLeaveTheLabelAlone) {
  // Written at build time: creating them here would cost most of a minute.
  char folder[MAX_PATH] = {};
  ::GetFullPathNameA("fixtures\\unversioned", sizeof folder, folder, nullptr);
  const DWORD start = ::GetTickCount();
  EXPECT_EQ(Rows{}, Scan(folder));
  const DWORD elapsed = ::GetTickCount() - start;
  ASSERT_EQ(1u, probe_.Dialogs().size());
  EXPECT_EQ("%d", probe_.Dialogs()[0].countAtDestroy);
  EXPECT_FALSE(probe_.Dialogs()[0].stoppedAtShow);
  EXPECT_TRUE(probe_.Counts().empty());
  std::printf("[ 10,000   ] scanned in %lu ms\n", elapsed);
}

}  // namespace
}  // namespace libinfo::testing
