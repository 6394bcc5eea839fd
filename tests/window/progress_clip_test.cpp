// Where the progress dialog's clip comes from: a library named by its full
// path and mapped as data, never one found on the search path, whose code
// would then run in the host.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "window/PrgsDlg.h"

namespace libinfo::testing {
namespace {

std::string BinDirectory() {
  char path[MAX_PATH] = {};
  GetModuleFileNameA(nullptr, path, sizeof path);
  std::string directory(path);
  return directory.substr(0, directory.rfind('\\') + 1);
}

const std::string kClipLibrary = "clip_library.dll";  // clip 150 and nothing else

TEST(ProgressClip, TheSystemShellLibrarysClipPlays) {
  const TProgressDlg dialog(nullptr);
  EXPECT_TRUE(dialog.PlaysLibraryClip());
}

TEST(ProgressClip, ALibraryByItsPathIsMappedAsDataNotLoaded) {
  const std::string path = BinDirectory() + "fixtures\\" + kClipLibrary;
  ASSERT_NE(INVALID_FILE_ATTRIBUTES, GetFileAttributesA(path.c_str())) << path;
  {
    const TProgressDlg dialog(nullptr, path.c_str());
    EXPECT_TRUE(dialog.PlaysLibraryClip());
    EXPECT_EQ(nullptr, GetModuleHandleA(path.c_str())) << "loaded as a program";
  }
  // Gone with the dialog: the file can be replaced again.
  const std::string moved = path + ".moved";
  ASSERT_TRUE(MoveFileA(path.c_str(), moved.c_str()));
  EXPECT_TRUE(MoveFileA(moved.c_str(), path.c_str()));
}

// A bare name would be found in the current directory, among others.
TEST(ProgressClip, ABareNameIsNotLookedForAndTheOwnClipPlays) {
  char previous[MAX_PATH] = {};
  GetCurrentDirectoryA(sizeof previous, previous);
  ASSERT_TRUE(SetCurrentDirectoryA((BinDirectory() + "fixtures").c_str()));
  bool playsLibraryClip = true;
  {
    const TProgressDlg dialog(nullptr, kClipLibrary.c_str());
    playsLibraryClip = dialog.PlaysLibraryClip();
  }
  SetCurrentDirectoryA(previous);
  EXPECT_FALSE(playsLibraryClip);
  EXPECT_EQ(nullptr, GetModuleHandleA(kClipLibrary.c_str()));
}

}  // namespace
}  // namespace libinfo::testing
