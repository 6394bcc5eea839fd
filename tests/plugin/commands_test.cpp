// The command query and the command procedures as the host calls them.
#include <gtest/gtest.h>

#include <windows.h>

#include <chrono>
#include <cstdint>
#include <string>
#include <thread>

#include "Identity.h"
#include "common/WindowWatch.h"
#include "plugin/PlugIntf.h"

namespace {

using namespace std::chrono_literals;
using libinfo::CommandProc;
using testing_windows::kDialogClass;

constexpr char kAboutCaption[] = "About Libraries Information Plug-In";
constexpr char kAboutText[] =
    "Libraries Information Plug-In\n"
    "Version 1.0.0\n"
    "System libraries version information plug-in for Orvenna Harbor\n"
    "\n" LIBINFO_COPYRIGHT;

TEST(CommandQuery, AnswersKindsOneTwoAndFourOnly) {
  const auto expected = [](std::uint32_t kind) -> CommandProc {
    switch (kind) {
      case 1:
        return &NoOperation;
      case 2:
        return &ShowAbout;
      case 4:
        return &ShowLibraryWindow;
      default:
        return nullptr;
    }
  };
  for (std::uint32_t kind = 0; kind <= 255; ++kind) {
    EXPECT_EQ(expected(kind), CommandQuery(kind)) << "kind " << kind;
  }
  for (const std::uint32_t kind : {0x100u, 0x101u, 0x102u, 0x104u, 0x80000000u, 0xFFFFFFFFu}) {
    EXPECT_EQ(nullptr, CommandQuery(kind)) << "kind " << kind;
  }
}

TEST(NoOperation, IgnoresItsArgumentsAndReturnsZero) {
  EXPECT_EQ(0u, NoOperation(0, nullptr));
  EXPECT_EQ(0u, NoOperation(0xFFFFFFFF, reinterpret_cast<HWND>(0x12345678)));
}

// A visible top-level window standing in for the host's main window.
class OwnerWindow {
 public:
  OwnerWindow()
      : window_(::CreateWindowExA(0, "STATIC", "Test host", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 10,
                                  10, 300, 200, nullptr, nullptr, nullptr, nullptr)) {}
  OwnerWindow(const OwnerWindow&) = delete;
  OwnerWindow& operator=(const OwnerWindow&) = delete;
  ~OwnerWindow() {
    if (::IsWindow(window_)) ::DestroyWindow(window_);
  }
  [[nodiscard]] HWND get() const { return window_; }

 private:
  HWND window_;
};

struct AboutBoxSeen {
  bool found = false;
  std::string text;
  HWND owner = nullptr;
  std::uint32_t result = 0xDEADBEEF;
};

// ShowAbout blocks in its message box; a watcher thread reads the box and
// presses OK, and clears the way if the box never turns up.
AboutBoxSeen ShowAboutAndClose(HWND owner) {
  AboutBoxSeen seen;
  const DWORD testThread = ::GetCurrentThreadId();
  std::thread watcher([&seen, testThread] {
    HWND box = testing_windows::WaitForTopLevelWindow(::GetCurrentProcessId(), kDialogClass,
                                                      kAboutCaption, 10s);
    if (!box) {
      testing_windows::CloseDialogsOfThread(testThread);
      return;
    }
    seen.found = true;
    seen.text = testing_windows::MessageBoxText(box);
    seen.owner = ::GetWindow(box, GW_OWNER);
    testing_windows::PressOk(box);
  });
  seen.result = ShowAbout(0, owner);
  watcher.join();
  return seen;
}

TEST(ShowAbout, ShowsTheIdentityInABoxOwnedByTheHostWindow) {
  const OwnerWindow owner;
  ASSERT_TRUE(owner.get());
  const AboutBoxSeen seen = ShowAboutAndClose(owner.get());
  ASSERT_TRUE(seen.found);
  EXPECT_EQ(kAboutText, seen.text);
  EXPECT_EQ(owner.get(), seen.owner);
  EXPECT_EQ(0u, seen.result);
  // The box gave the host its window back.
  EXPECT_TRUE(::IsWindowEnabled(owner.get()));
}

TEST(ShowAbout, WithoutAnOwnerShowsAnUnownedBox) {
  const AboutBoxSeen seen = ShowAboutAndClose(nullptr);
  ASSERT_TRUE(seen.found);
  EXPECT_EQ(kAboutText, seen.text);
  EXPECT_EQ(nullptr, seen.owner);
}

// A host may pass a window that has gone meanwhile; the box must still show.
TEST(ShowAbout, WithAStaleOwnerStillShowsTheBox) {
  HWND stale = OwnerWindow().get();
  ASSERT_FALSE(::IsWindow(stale));
  const AboutBoxSeen seen = ShowAboutAndClose(stale);
  ASSERT_TRUE(seen.found);
  EXPECT_EQ(nullptr, seen.owner);
}

}  // namespace
