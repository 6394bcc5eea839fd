// Hosts that call the plug-in out of order or with nonsense: a fresh copy of
// the module used before InitPlugInLib, and owner handles that are no
// windows. Every call must leave the next one working.
#include <gtest/gtest.h>
#include <windows.h>

#include <chrono>
#include <cstdint>
#include <cstring>
#include <new>
#include <string>
#include <thread>

#include "FailingAllocation.h"
#include "Failure.h"
#include "Helpers.h"
#include "PlugInModule.h"
#include "common/WindowWatch.h"
#include "common/LibraryFolder.h"
#include "window/Application.h"
#include "window/SysLibMain.h"

namespace libinfo::testing {
namespace {

using namespace std::chrono_literals;

constexpr char kFailureCaption[] = "Libraries information";
constexpr char kAboutCaption[] = "About Libraries Information Plug-In";

struct BoxSeen {
  bool found = false;
  std::string text;
  HWND owner = nullptr;
};

// Runs the call, which blocks in a message box, while a watcher thread reads
// the box and presses OK (or clears the way if it never comes).
template <typename Call>
BoxSeen WithBoxClosed(const char* caption, Call call) {
  BoxSeen seen;
  const DWORD caller = ::GetCurrentThreadId();
  std::thread watcher([&seen, caption, caller] {
    HWND box = testing_windows::WaitForTopLevelWindow(::GetCurrentProcessId(),
                                                      testing_windows::kDialogClass, caption, 10s);
    if (!box) {
      testing_windows::CloseDialogsOfThread(caller);
      return;
    }
    seen = {true, testing_windows::MessageBoxText(box), ::GetWindow(box, GW_OWNER)};
    testing_windows::PressOk(box);
  });
  call();
  watcher.join();
  return seen;
}

// The code addresses a first load hands out, as offsets, so that a second,
// fresh load can be called before anything has initialised it.
struct EntryOffsets {
  std::uintptr_t itemQuery = 0;
  std::uintptr_t commandQuery = 0;
};

EntryOffsets LearnEntryOffsets() {
  PlugInModule first;
  if (!first.Loaded()) return {};
  PlugInLibRecord record{};
  first.Init(record);
  PlugInItemRecord item{};
  record.itemQuery(1, &item);
  return {OffsetIn(first.Handle(), reinterpret_cast<const void*>(record.itemQuery)),
          OffsetIn(first.Handle(), reinterpret_cast<const void*>(item.commandQuery))};
}

template <typename Record>
Record Filled(BYTE sentinel) {
  Record record;
  std::memset(&record, sentinel, sizeof record);
  return record;
}

TEST(FreshModule, AnswersEveryQueryAndRunsEveryCommandBeforeInitPlugInLib) {
  const EntryOffsets offsets = LearnEntryOffsets();
  ASSERT_NE(0u, offsets.itemQuery);
  ASSERT_EQ(nullptr, ::GetModuleHandleA("libinfo.pdl")) << "the first load is gone";
  PlugInModule fresh;
  ASSERT_TRUE(fresh.Loaded());
  const auto itemQuery = AtOffset<ItemQueryProc>(fresh.Handle(), offsets.itemQuery);
  const auto commandQuery = AtOffset<CommandQueryProc>(fresh.Handle(), offsets.commandQuery);

  const auto untouched = Filled<PlugInItemRecord>(0x5A);
  for (const std::uint32_t index : {0u, 2u, 0xFFFFFFFFu}) {
    auto item = untouched;
    EXPECT_EQ(kNoSuchItem, itemQuery(index, &item)) << index;
    EXPECT_EQ(0, std::memcmp(&item, &untouched, sizeof item)) << index;
    EXPECT_EQ(kNoSuchItem, itemQuery(index, nullptr)) << index;
  }
  EXPECT_NE(kItemFilled, itemQuery(1, nullptr));
  for (std::uint32_t kind = 0; kind <= 256; ++kind) {
    const std::uint32_t asked = kind == 256 ? 0xFFFFFFFF : kind;
    const bool known =
        asked == kCommandNoOperation || asked == kCommandAbout || asked == kCommandRun;
    EXPECT_EQ(known, commandQuery(asked) != nullptr) << "kind " << asked;
  }
  EXPECT_EQ(0u, commandQuery(kCommandNoOperation)(0xFFFFFFFF, reinterpret_cast<HWND>(1)));

  const BoxSeen about =
      WithBoxClosed(kAboutCaption, [&] { EXPECT_EQ(0u, commandQuery(kCommandAbout)(0, nullptr)); });
  EXPECT_TRUE(about.found);
  EXPECT_EQ(nullptr, about.owner);

  LibraryWindowCloser closer(LibraryWindowCloser::Scan::StopEarly);
  EXPECT_EQ(0u, commandQuery(kCommandRun)(0, nullptr));
  EXPECT_TRUE(closer.Last().shown) << closer.Last().error;
  EXPECT_GE(closer.Last().rows, 1);
  EXPECT_EQ(nullptr, closer.Last().owner);

  // Initialising afterwards hands out the same working entry points.
  PlugInLibRecord record{};
  fresh.Init(record);
  EXPECT_EQ(itemQuery, record.itemQuery);
  auto item = Filled<PlugInItemRecord>(0);
  EXPECT_EQ(kItemFilled, record.itemQuery(1, &item));
  EXPECT_EQ(commandQuery, item.commandQuery);
}

class LibraryWindowOwners : public ::testing::Test {
 protected:
  void SetUp() override {
    for (const char* name : {"a.dll", "b.dll"}) {
      ASSERT_TRUE(::CopyFileA(kTemplateFixture, (folder_.Path() + "\\" + name).c_str(), FALSE));
    }
  }
  void TearDown() override { Application().SetHandle(nullptr); }

  // A top-level window of the test, standing in for the host's.
  static UniqueWindow HostWindow() {
    return UniqueWindow(::CreateWindowExA(0, "STATIC", "Test host",
                                          WS_OVERLAPPEDWINDOW | WS_VISIBLE, 10, 10, 300, 200,
                                          nullptr, nullptr, nullptr, nullptr));
  }

  LibraryFolder folder_;
};

TEST_F(LibraryWindowOwners, WithoutAnOwnerTheWindowStandsAloneAndTheOwnerSlotIsRestored) {
  const UniqueWindow earlier = HostWindow();
  Application().SetHandle(earlier.get());
  LibraryWindowCloser closer;
  EXPECT_EQ(0u, RunLibraryCommand(nullptr, folder_.Path().c_str()));
  EXPECT_TRUE(closer.Last().shown) << closer.Last().error;
  EXPECT_EQ(2, closer.Last().rows);
  EXPECT_EQ(nullptr, closer.Last().owner);
  EXPECT_EQ(earlier.get(), Application().Handle());
}

TEST_F(LibraryWindowOwners, AHandleThatIsNoWindowIsReportedAndTheNextRunWorks) {
  HWND gone = HostWindow().get();
  ASSERT_FALSE(::IsWindow(gone));
  const UniqueWindow earlier = HostWindow();
  for (HWND bogus : {gone, reinterpret_cast<HWND>(0x7FFF0123)}) {
    SCOPED_TRACE(reinterpret_cast<std::uintptr_t>(bogus));
    Application().SetHandle(earlier.get());
    std::uint32_t result = 1;
    const BoxSeen box = WithBoxClosed(
        kFailureCaption, [&] { result = RunLibraryCommand(bogus, folder_.Path().c_str()); });
    EXPECT_EQ(0u, result);
    ASSERT_TRUE(box.found) << "no failure reported";
    EXPECT_NE(std::string::npos, box.text.find("System Library Info")) << box.text;
    EXPECT_EQ(nullptr, box.owner);
    EXPECT_EQ(earlier.get(), Application().Handle());
    EXPECT_EQ(nullptr, ::FindWindowA("LibInfoSysLibWin", nullptr)) << "no half-made window stays";
  }
  const UniqueWindow host = HostWindow();
  LibraryWindowCloser closer;
  EXPECT_EQ(0u, RunLibraryCommand(host.get(), folder_.Path().c_str()));
  EXPECT_TRUE(closer.Last().shown) << closer.Last().error;
  EXPECT_EQ(2, closer.Last().rows);
  EXPECT_EQ(host.get(), closer.Last().owner);
}

// Out of memory, nothing may leave for the host: not the system directory's
// name, made before the window, nor the text that reports the failure.
TEST(OutOfMemory, TheRunCommandReportsItAndReturnsToTheHost) {
  std::uint32_t result = 1;
  bool escaped = false;
  int refused = 0;
  const BoxSeen box = WithBoxClosed(kFailureCaption, [&] {
    const FailingAllocation noMemory;
    try {
      result = ShowLibraryWindow(0, nullptr);
    } catch (...) {
      escaped = true;
    }
    refused = FailingAllocation::Refused();
  });
  EXPECT_FALSE(escaped) << "a failure reached the host";
  EXPECT_EQ(0u, result);
  EXPECT_GT(refused, 0) << "the command got by without memory: the test proves nothing";
  ASSERT_TRUE(box.found) << "the failure was not reported";
  EXPECT_EQ("There is not enough memory to go on.", box.text);
  EXPECT_EQ(nullptr, Application().Handle()) << "the owner slot is given back";
}

// The modal run lists the thread's windows to disable through a callback of
// the platform's; memory running out there must come back through the run,
// not through the platform's frames, and leave every window enabled.
TEST(OutOfMemory, TheModalRunFailsBeforeItDisablesAnyWindow) {
  const UniqueWindow other(::CreateWindowExA(0, "STATIC", "other", WS_OVERLAPPEDWINDOW | WS_VISIBLE,
                                             0, 0, 200, 100, nullptr, nullptr, nullptr, nullptr));
  ASSERT_TRUE(other);
  TSysLibInfoWin window("C:\\made-up");
  bool threwNoMemory = false;
  {
    const FailingAllocation noMemory;
    try {
      Application().RunModal(window);
    } catch (const std::bad_alloc&) {
      threwNoMemory = true;
    }
  }
  EXPECT_TRUE(threwNoMemory);
  EXPECT_TRUE(IsWindowEnabled(other.get()));
  EXPECT_FALSE(IsWindowVisible(window.Handle())) << "shown though the run failed";
}

TEST(OutOfMemory, AFailureTextIsTakenWithoutMemory) {
  const Failure failure("Reading the folder failed: the device is not ready (error 21)");
  FailureText text{};
  {
    const FailingAllocation noMemory;
    try {
      throw failure;
    } catch (...) {
      text = CurrentExceptionText();
    }
  }
  EXPECT_STREQ(failure.what(), text.text);
  const Failure long_(std::string(2000, 'x'));
  try {
    throw long_;
  } catch (...) {
    text = CurrentExceptionText();
  }
  EXPECT_EQ(sizeof text.text - 1, std::strlen(text.text)) << "cut to fit, still terminated";
}

}  // namespace
}  // namespace libinfo::testing
