// The stand-in host driven from outside, as scripts use it: the built
// plug-in through its real export, and the host's answers to bad plug-ins.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <atomic>
#include <chrono>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "HostProcess.h"
#include "Identity.h"
#include "Owned.h"
#include "common/LibraryFolder.h"
#include "common/SheetWatcher.h"
#include "common/WindowWatch.h"
#include "scan/LibraryScan.h"
#include "scan/Paths.h"
#include "version/VerInfo.h"

namespace {

using namespace std::chrono_literals;
using host_testing::HostProcess;
using testing::HasSubstr;
using testing::StartsWith;

constexpr auto kProcessTimeout = 30s;
constexpr char kHostWindowClass[] = "PlugHostMainWindow";
constexpr char kAboutCaption[] = "About Libraries Information Plug-In";
constexpr char kLibraryCaption[] = "System Library Info";

// name@offset -> value, one entry per line of --describe.
std::map<std::string, std::string> ParseDescription(const std::string& text) {
  std::map<std::string, std::string> fields;
  std::istringstream lines(text);
  for (std::string line; std::getline(lines, line);) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    const auto equals = line.find('=');
    if (equals != std::string::npos) fields[line.substr(0, equals)] = line.substr(equals + 1);
  }
  return fields;
}

TEST(HostDescribe, ShowsTheRecordsOfTheBuiltPlugIn) {
  HostProcess host("--describe");
  ASSERT_TRUE(host.Finish(kProcessTimeout));
  ASSERT_EQ(0u, host.ExitCode()) << host.Errors();
  auto fields = ParseDescription(host.Output());

  const std::map<std::string, std::string> expected{
      {"lib.fileName@4", "\"libinfo.pdl\""},
      {"lib.word268@268", "1 (0x00000001)"},
      {"lib.word272@272", "0 (0x00000000)"},
      {"lib.word276@276", "1 (0x00000001)"},
      {"lib.copyright@280", "\"" LIBINFO_COPYRIGHT "\""},
      {"lib.word804@804", "1 (0x00000001)"},
      {"lib.word808@808", "98304 (0x00018000)"},
      // The two words after the item query sit 4 bytes later behind an 8-byte address.
      {sizeof(void*) == 8 ? "lib.word816@820" : "lib.word816@816", "0 (0x00000000)"},
      {sizeof(void*) == 8 ? "lib.word820@824" : "lib.word820@820", "0 (0x00000000)"},
      {"items", "1"},
      {"item1.name@4", "\"Libraries Information Plug-In\""},
      {"item1.description@265",
       "\"System libraries version information plug-in for Orvenna Harbor\""},
      {"item1.word528@528", "5 (0x00000005)"},
      {"item1.caption@532", "\"Libraries information\""},
      {"item1.secondCaption@793", "\"\""},
      {"item1.word1576@1576", "1 (0x00000001)"},
      {"item1.word1580@1580", "65536 (0x00010000)"},
  };
  for (const auto& [name, value] : expected) EXPECT_EQ(value, fields[name]) << name;

  for (const char* gap : {"lib.hostHeader@0-3", "lib.hostGap1@265-267", "lib.hostGap2@541-803",
                          "item1.hostHeader@0-3", "item1.hostGap1@526-527",
                          "item1.hostGap2@1054-1575", "item1.hostGap3@1584-1591"}) {
    EXPECT_EQ("untouched", fields[gap]) << gap;
  }
  // A text that changed the host's bytes behind its terminator is flagged.
  EXPECT_THAT(host.Output(), testing::Not(HasSubstr("changed")));

  const std::set<std::string> procedures{
      fields["lib.itemQuery@812"], fields["item1.commandQuery@1592"], fields["item1.command1"],
      fields["item1.command2"], fields["item1.command4"]};
  EXPECT_EQ(5u, procedures.size());
  for (const auto& address : procedures) EXPECT_THAT(address, StartsWith("base+0x"));
}

TEST(HostRun, NoOperationEndsTheHostAtOnce) {
  HostProcess host("--run 1");
  ASSERT_TRUE(host.Finish(kProcessTimeout));
  EXPECT_EQ(0u, host.ExitCode()) << host.Errors();
  EXPECT_EQ("", host.Errors());
}

TEST(HostRun, AboutBoxIsOwnedByTheHostsVisibleMainWindow) {
  HostProcess host("--run 2");
  ASSERT_TRUE(host.Started());
  HWND box = testing_windows::WaitForTopLevelWindow(host.Id(), testing_windows::kDialogClass,
                                                    kAboutCaption, kProcessTimeout);
  ASSERT_TRUE(box) << "no About box; errors: " << host.Errors();
  HWND owner = ::GetWindow(box, GW_OWNER);
  EXPECT_EQ(kHostWindowClass, testing_windows::ClassName(owner));
  EXPECT_TRUE(::IsWindowVisible(owner));
  EXPECT_THAT(testing_windows::MessageBoxText(box), StartsWith("Libraries Information Plug-In\n"));
  testing_windows::PressOk(box);
  ASSERT_TRUE(host.Finish(kProcessTimeout));
  EXPECT_EQ(0u, host.ExitCode());
}

// The host running the library window; closing it must end the host cleanly.
class LibraryWindowRun : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(host_.Started());
    window_ = testing_windows::WaitForTopLevelWindow(host_.Id(), nullptr, kLibraryCaption,
                                                     kProcessTimeout);
    ASSERT_TRUE(window_) << "no library window; errors: " << host_.Errors();
  }
  void TearDown() override {
    ::PostMessageA(window_, WM_CLOSE, 0, 0);
    ASSERT_TRUE(host_.Finish(kProcessTimeout));
    EXPECT_EQ(0u, host_.ExitCode());
  }

  HostProcess host_{"--run 4"};
  HWND window_ = nullptr;
};

TEST_F(LibraryWindowRun, IsOwnedByTheHostsMainWindow) {
  EXPECT_EQ(kHostWindowClass, testing_windows::ClassName(::GetWindow(window_, GW_OWNER)));
}

// The list of the host's library window, once its first scan is over.
HWND ScannedList(HWND window, DWORD process) {
  HWND list = ::FindWindowExA(window, nullptr, WC_LISTVIEWA, nullptr);
  const auto deadline = std::chrono::steady_clock::now() + kProcessTimeout;
  while ((::SendMessageA(list, LVM_GETITEMCOUNT, 0, 0) == 0 ||
          testing_windows::FindTopLevelWindow(process, nullptr, "Scanning...")) &&
         std::chrono::steady_clock::now() < deadline) {
    std::this_thread::sleep_for(50ms);
  }
  return list;
}

// A cell's text read as accessibility tools read another program's list:
// the request and the text's buffer placed in that process's memory.
std::string RemoteCellText(HWND list, DWORD process, int row, int column) {
  const libinfo::UniqueHandle target(
      ::OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, process));
  if (!target) return "<cannot open the process>";
  constexpr SIZE_T kTextSize = 512;
  auto* remote =
      static_cast<BYTE*>(::VirtualAllocEx(target.get(), nullptr, sizeof(LVITEMA) + kTextSize,
                                          MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE));
  if (!remote) return "<cannot place the request>";
  LVITEMA cell{};
  cell.iSubItem = column;
  cell.pszText = reinterpret_cast<char*>(remote + sizeof cell);
  cell.cchTextMax = kTextSize;
  char text[kTextSize] = {};
  const bool read =
      ::WriteProcessMemory(target.get(), remote, &cell, sizeof cell, nullptr) &&
      ::SendMessageA(list, LVM_GETITEMTEXTA, row, reinterpret_cast<LPARAM>(remote)) > 0 &&
      ::ReadProcessMemory(target.get(), remote + sizeof cell, text, sizeof text - 1, nullptr);
  ::VirtualFreeEx(target.get(), remote, 0, MEM_RELEASE);
  return read ? text : "<no text>";
}

TEST_F(LibraryWindowRun, AnotherProcessReadsTheRowsTextsThroughTheList) {
  HWND list = ScannedList(window_, host_.Id());
  ASSERT_GT(::SendMessageA(list, LVM_GETITEMCOUNT, 0, 0), 0);
  // The host lists the system directory, which this test program sees too.
  char system[MAX_PATH] = {};
  ::GetSystemDirectoryA(system, sizeof system);
  const std::string name = RemoteCellText(list, host_.Id(), 0, 0);
  const libinfo::TVersionInfo info(std::string(system) + "\\" + name);
  ASSERT_TRUE(info.Valid()) << name;
  EXPECT_EQ(info.FileDescription(), RemoteCellText(list, host_.Id(), 0, 1));
  EXPECT_EQ(info.ProductVersion(), RemoteCellText(list, host_.Id(), 0, 4));
}

TEST_F(LibraryWindowRun, AltEnterOnARowOpensItsPropertySheet) {
  HWND list = ScannedList(window_, host_.Id());
  ASSERT_GT(::SendMessageA(list, LVM_GETITEMCOUNT, 0, 0), 0);

  testing_windows::SheetWatcher watcher(L"properties for");
  ::PostMessageA(list, WM_KEYDOWN, VK_HOME, 0);  // selects the first row
  ::PostMessageA(list, WM_SYSKEYDOWN, VK_RETURN, 1 << 29);
  watcher.Wait();
  EXPECT_TRUE(watcher.Found()) << "no property sheet";
}

// A host that loads plug-ins with their own folder first in the search path
// would have the plug-in bind a version.dll found there, were it imported.
// The platform here loads the system's own into every process before any
// plug-in, so what this shows is that the rows come as before with a
// stand-in beside the plug-in and preferred to the built-in one; that the
// plug-in does not import it at all is the image check's.
TEST(HostRun, AVersionLibraryBesideThePlugInIsNotUsed) {
  const libinfo::testing::LibraryFolder folder;
  const std::string plugIn = folder.Path() + "\\libinfo.pdl";
  ASSERT_TRUE(
      ::CopyFileA((host_testing::BinDirectory() + "libinfo.pdl").c_str(), plugIn.c_str(), FALSE));
  ASSERT_TRUE(::CopyFileA((host_testing::BinDirectory() + "fixtures\\standin\\version.dll").c_str(),
                          (folder.Path() + "\\version.dll").c_str(), FALSE));
  std::vector<std::string> expected;
  const std::atomic<bool> stopped{false};
  libinfo::LibraryScan(libinfo::SystemDirectory()).Run(stopped, [&](libinfo::LibraryRow&& row) {
    expected.push_back(row.name);
  });
  ASSERT_GT(expected.size(), 2u);

  HostProcess host("--run 4 \"" + plugIn + "\"", "WINEDLLOVERRIDES=version=n,b");
  ASSERT_TRUE(host.Started());
  HWND window =
      testing_windows::WaitForTopLevelWindow(host.Id(), nullptr, kLibraryCaption, kProcessTimeout);
  ASSERT_TRUE(window) << "no library window; errors: " << host.Errors();
  HWND list = ScannedList(window, host.Id());
  const auto rows = static_cast<std::size_t>(::SendMessageA(list, LVM_GETITEMCOUNT, 0, 0));
  EXPECT_EQ(expected.size(), rows);
  for (const std::size_t row : {std::size_t{0}, rows / 2, rows - 1}) {
    if (row >= rows) continue;
    EXPECT_EQ(expected[row], RemoteCellText(list, host.Id(), static_cast<int>(row), 0));
  }
  ::PostMessageA(window, WM_CLOSE, 0, 0);
  ASSERT_TRUE(host.Finish(kProcessTimeout));
  EXPECT_EQ(0u, host.ExitCode());
}

// Every failure below must end the host with a message on its error output:
// a message box nobody closes would show up as a timeout.
struct BadStart {
  const char* arguments;
  const char* message;
};

class HostFailure : public testing::TestWithParam<BadStart> {};

TEST_P(HostFailure, EndsWithAMessageAndNonZeroExit) {
  HostProcess host(GetParam().arguments);
  ASSERT_TRUE(host.Finish(kProcessTimeout)) << "the host hung";
  EXPECT_NE(0u, host.ExitCode());
  EXPECT_NE(99u, host.ExitCode()) << "killed";
  EXPECT_THAT(host.Errors(), HasSubstr(GetParam().message));
  EXPECT_EQ("", host.Output());
}

INSTANTIATE_TEST_SUITE_P(
    Starts, HostFailure,
    testing::Values(BadStart{"--describe C:\\no\\such\\dir\\libinfo.pdl", "Cannot load"},
                    BadStart{"--run 4 C:\\no\\such\\dir\\libinfo.pdl", "Cannot load"},
                    BadStart{"--describe C:\\windows\\system32\\version.dll",
                             "does not export InitPlugInLib"},
                    BadStart{"--run 3", "no command of kind 3"}, BadStart{"--run four", "usage"}));

// A 64-bit host cannot load a 32-bit plug-in and the other way round; the
// user is told which is which instead of the loader's "bad format".
TEST(HostFailure, PlugInOfTheOtherBitnessIsRefusedByName) {
  HostProcess host("--describe \"" + host_testing::BinDirectory() +
                   "fixtures\\other_bitness.pdl\"");
  ASSERT_TRUE(host.Finish(kProcessTimeout)) << "the host hung";
  EXPECT_EQ(1u, host.ExitCode());
  const bool host64 = sizeof(void*) == 8;
  EXPECT_THAT(host.Errors(), HasSubstr(host64 ? "it is a 32-bit (i686) plug-in"
                                              : "it is a 64-bit (x86-64) plug-in"));
  EXPECT_THAT(host.Errors(),
              HasSubstr(host64 ? "this host is 64-bit (x86-64)" : "this host is 32-bit (i686)"));
  EXPECT_EQ("", host.Output());
}

TEST(HostFailure, FileThatIsNoProgramIsRefused) {
  const host_testing::NonProgramFile file;
  HostProcess host("--describe \"" + file.Path() + "\"");
  ASSERT_TRUE(host.Finish(kProcessTimeout)) << "the host hung";
  EXPECT_EQ(1u, host.ExitCode());
  EXPECT_THAT(host.Errors(), HasSubstr("Cannot load"));
}

// The host finds the plug-in by one undecorated name and nothing else.
TEST(PlugInExports, InitPlugInLibOnlyUndecorated) {
  const std::string path = host_testing::BinDirectory() + "libinfo.pdl";
  const libinfo::UniqueModule module(
      ::LoadLibraryExA(path.c_str(), nullptr, DONT_RESOLVE_DLL_REFERENCES));
  ASSERT_TRUE(module) << path;
  EXPECT_NE(nullptr, ::GetProcAddress(module.get(), "InitPlugInLib"));
  for (const char* name :
       {"InitPlugInLib@4", "_InitPlugInLib@4", "ItemQuery", "CommandQuery", "ShowAbout"}) {
    EXPECT_EQ(nullptr, ::GetProcAddress(module.get(), name)) << name;
  }
}

}  // namespace
