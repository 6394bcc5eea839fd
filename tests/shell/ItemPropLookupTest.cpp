// The lookup of ShowItemProperties against a stand-in shell namespace:
//   desktop --"C:\dir\"--> dir --bind--> folder --"file.txt"--> file
//   desktop --first folder child--> child --bind--> root --full path--> file
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <new>
#include <string>
#include <vector>

#include "shell/FakeShell.h"
#include "shell/ItemProp.h"
#include "window/Application.h"

using libinfo::Application;
using libinfo::ShowItemProperties;
using testing::ElementsAre;
using testing::IsEmpty;
using testing::UnorderedElementsAre;

namespace {

const HWND kSomeOwner = reinterpret_cast<HWND>(0x00012344);

class TempDir {
 public:
  TempDir() {
    char temp[MAX_PATH] = {};
    ::GetTempPathA(MAX_PATH, temp);
    path_ = std::string(temp) + "libinfo-shell-" + std::to_string(::GetCurrentProcessId()) + "-" +
            std::to_string(++serial_);
    ::CreateDirectoryA(path_.c_str(), nullptr);
  }
  ~TempDir() {
    for (const std::string& file : files_) ::DeleteFileA(file.c_str());
    ::RemoveDirectoryA(path_.c_str());
  }
  void Add(const std::string& name) {
    files_.push_back(path_ + "\\" + name);
    ::CloseHandle(::CreateFileA(files_.back().c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
  }
  [[nodiscard]] const std::string& Path() const { return path_; }

 private:
  static inline int serial_ = 0;
  std::string path_;
  std::vector<std::string> files_;
};

class ShellLookup : public testing::Test {
 protected:
  ShellLookup() {
    desktop.parses[L"C:\\dir\\"] = "dir";
    desktop.binds["dir"] = &folder;
    desktop.binds["child"] = &root;
    desktop.children = &children;
    folder.parses[L"file.txt"] = "file";
    folder.menu = &menu;
    root.menu = &menu;
  }

  void SetUp() override { Application().SetCursor(previousCursor); }

  // Whatever the path taken, nothing may be left over or given back twice,
  // and the allocator must outlive the ids it frees.
  void TearDown() override {
    for (const auto* object :
         std::vector<const fake::RefCounted<IShellFolder>*>{&desktop, &folder, &root}) {
      EXPECT_TRUE(object->Balanced()) << object->Name() << " refs " << object->References();
    }
    EXPECT_TRUE(children.Balanced()) << "refs " << children.References();
    EXPECT_TRUE(menu.Balanced()) << "refs " << menu.References();
    EXPECT_TRUE(malloc.Balanced()) << "refs " << malloc.References();
    EXPECT_EQ(0u, malloc.LiveIds());
    EXPECT_EQ(0, malloc.BadFrees());
    EXPECT_EQ(0, desktop.protocolFaults + folder.protocolFaults + root.protocolFaults);
    ExpectAllocatorReleasedLast();
    EXPECT_EQ(previousCursor, Application().Cursor());
    Application().SetCursor(nullptr);
  }

  void ExpectAllocatorReleasedLast() {
    const auto last = [this](const std::string& prefix) {
      const auto found = std::find_if(log.rbegin(), log.rend(), [&](const std::string& entry) {
        return entry.rfind(prefix, 0) == 0;
      });
      return found == log.rend() ? -1 : static_cast<int>(log.rend() - found);
    };
    if (last("malloc.Free") >= 0) {
      EXPECT_LT(last("malloc.Free"), last("malloc.Release"));
    }
  }

  bool Show(const std::string& path, HWND owner = kSomeOwner) {
    return ShowItemProperties(path, owner, shell);
  }

  [[nodiscard]] bool Logged(const std::string& entry) const {
    return std::find(log.begin(), log.end(), entry) != log.end();
  }

 public:  // the stand-in namespace, open to the arrangements of parameterised tests
  HCURSOR previousCursor = ::LoadCursor(nullptr, IDC_ARROW);
  fake::CallLog log;
  fake::Malloc malloc{log};
  fake::ShellFolder desktop{"desktop", log, malloc};
  fake::ShellFolder folder{"folder", log, malloc};
  fake::ShellFolder root{"root", log, malloc};
  fake::EnumIdList children{"children", log, malloc};
  fake::ContextMenu menu{"menu", log};
  fake::Shell shell{malloc, desktop};
};

TEST_F(ShellLookup, InvokesPropertiesOnTheParsedFileWithTheBusyCursorShowing) {
  HCURSOR cursorDuringCall = nullptr;
  menu.whileInvoked = [&] { cursorDuringCall = Application().Cursor(); };

  EXPECT_TRUE(Show("C:\\dir\\file.txt"));

  EXPECT_THAT(desktop.parsed, ElementsAre(L"C:\\dir\\"));
  EXPECT_THAT(folder.parsed, ElementsAre(L"file.txt"));
  EXPECT_EQ(1u, folder.attributeCount);
  EXPECT_THAT(folder.attributeIds, ElementsAre("file"));
  EXPECT_EQ(0u, folder.attributeRequest);
  EXPECT_EQ(1u, folder.menuCount);
  EXPECT_THAT(folder.menuIds, ElementsAre("file"));
  EXPECT_EQ(1, menu.invocations);
  EXPECT_EQ(::LoadCursor(nullptr, IDC_WAIT), cursorDuringCall);
  EXPECT_FALSE(Logged("desktop.EnumObjects"));
}

TEST_F(ShellLookup, InvocationRecordCarriesOnlyVerbOwnerAndShowState) {
  ASSERT_TRUE(Show("C:\\dir\\file.txt"));

  const CMINVOKECOMMANDINFO& record = menu.received;
  // The record's size as the shell of each bitness knows it: 36 bytes with
  // 32-bit pointers and handles, 56 with 64-bit ones.
  constexpr DWORD kRecordSize = sizeof(void*) == 8 ? 56u : 36u;
  EXPECT_EQ(kRecordSize, record.cbSize);
  EXPECT_EQ(0u, record.fMask);
  EXPECT_EQ(kSomeOwner, record.hwnd);
  EXPECT_EQ("properties", menu.verb);
  EXPECT_EQ(nullptr, record.lpParameters);
  EXPECT_EQ(nullptr, record.lpDirectory);
  EXPECT_EQ(SW_SHOWNORMAL, record.nShow);
  EXPECT_EQ(0u, record.dwHotKey);
  EXPECT_EQ(nullptr, record.hIcon);
}

TEST_F(ShellLookup, InvokeResultDecidesByTopBitOnly) {
  menu.result = S_FALSE;
  EXPECT_TRUE(Show("C:\\dir\\file.txt"));
  menu.result = E_FAIL;
  EXPECT_FALSE(Show("C:\\dir\\file.txt"));
  EXPECT_EQ(2, menu.invocations);
}

TEST_F(ShellLookup, WithoutPropertySheetAttributeTheHandlerIsReleasedUninvoked) {
  folder.attributes = SFGAO_CANCOPY | SFGAO_FILESYSTEM;

  EXPECT_FALSE(Show("C:\\dir\\file.txt"));

  EXPECT_TRUE(Logged("folder.GetUIObjectOf"));
  EXPECT_TRUE(Logged("menu.Release"));
  EXPECT_EQ(0, menu.invocations);

  folder.menu = nullptr;
  EXPECT_FALSE(Show("C:\\dir\\file.txt"));
}

TEST_F(ShellLookup, FolderPartUnknownToTheDesktopEndsAtOnce) {
  // Pattern characters before the last delimiter belong to the folder part.
  EXPECT_FALSE(Show("C:\\d?r\\file.txt"));

  EXPECT_THAT(desktop.parsed, ElementsAre(L"C:\\d?r\\"));
  EXPECT_THAT(log, ElementsAre("desktop.Parse(C:\\d?r\\)", "desktop.Release", "malloc.Release"));
}

TEST_F(ShellLookup, FolderThatDoesNotBindEndsWithoutFallback) {
  desktop.binds.erase("dir");

  EXPECT_FALSE(Show("C:\\dir\\file.txt"));

  EXPECT_TRUE(Logged("malloc.Free(dir)"));
  EXPECT_FALSE(Logged("desktop.EnumObjects"));
}

TEST_F(ShellLookup, PathWithoutDelimiterParsesEmptyFolderPartAtTheDesktop) {
  desktop.parses[L""] = "dir";

  EXPECT_TRUE(Show("file.txt"));

  EXPECT_THAT(desktop.parsed, ElementsAre(L""));
  EXPECT_THAT(folder.parsed, ElementsAre(L"file.txt"));
}

TEST_F(ShellLookup, FileUnknownToItsFolderIsFoundThroughTheFirstFolderChild) {
  root.parses[L"C:\\dir\\odd.txt"] = "file";

  EXPECT_TRUE(Show("C:\\dir\\odd.txt"));

  EXPECT_EQ(static_cast<DWORD>(SHCONTF_FOLDERS), desktop.enumFlags);
  EXPECT_EQ(1u, children.askedFor);
  EXPECT_THAT(root.attributeIds, ElementsAre("file"));
  EXPECT_THAT(root.menuIds, ElementsAre("file"));
  EXPECT_EQ(1, menu.invocations);
  EXPECT_TRUE(Logged("malloc.Free(child)"));
}

struct FallbackBreak {
  const char* what;
  void (*arrange)(ShellLookup&);
};

class FallbackEnds : public ShellLookup, public testing::WithParamInterface<FallbackBreak> {};

TEST_P(FallbackEnds, WithFalseAndEverythingGivenBack) {
  root.parses[L"C:\\dir\\odd.txt"] = "file";
  GetParam().arrange(*this);

  EXPECT_FALSE(Show("C:\\dir\\odd.txt"));

  EXPECT_EQ(0, menu.invocations);
}

INSTANTIATE_TEST_SUITE_P(
    ShellLookup, FallbackEnds,
    testing::Values(
        FallbackBreak{"EnumFails", [](ShellLookup& t) { t.desktop.enumResult = E_FAIL; }},
        FallbackBreak{"NoEnumerator", [](ShellLookup& t) { t.desktop.children = nullptr; }},
        FallbackBreak{"NoFolderChild", [](ShellLookup& t) { t.children.next = S_FALSE; }},
        FallbackBreak{"NextNotExactlyOk",
                      [](ShellLookup& t) { t.children.next = static_cast<HRESULT>(2); }},
        FallbackBreak{"ChildDoesNotBind", [](ShellLookup& t) { t.desktop.binds.erase("child"); }},
        FallbackBreak{"ChildCannotParse", [](ShellLookup& t) { t.root.parses.clear(); }}),
    [](const testing::TestParamInfo<FallbackBreak>& info) { return info.param.what; });

TEST_F(ShellLookup, FailureRaisedMidwayPassesOnAfterCleanup) {
  root.throwOnParse = true;

  EXPECT_THROW(Show("C:\\dir\\odd.txt"), std::bad_alloc);

  EXPECT_TRUE(Logged("malloc.Free(child)"));
  EXPECT_TRUE(Logged("malloc.Free(dir)"));
}

TEST_F(ShellLookup, MissingAllocatorOrDesktopEndsWithFalse) {
  shell.desktopResult = E_FAIL;
  EXPECT_FALSE(Show("C:\\dir\\file.txt"));
  EXPECT_THAT(log, ElementsAre("malloc.Release"));

  shell.mallocResult = E_OUTOFMEMORY;
  EXPECT_FALSE(Show("C:\\dir\\file.txt"));
  EXPECT_EQ(1, shell.desktopRequests);
}

class OwnerWindow : public ShellLookup, public testing::WithParamInterface<HWND> {};

TEST_P(OwnerWindow, ReachesEveryCallThatTakesAWindowUnchanged) {
  root.parses[L"C:\\dir\\odd.txt"] = "file";

  ASSERT_TRUE(Show("C:\\dir\\odd.txt", GetParam()));

  std::vector<HWND> owners = desktop.owners;
  owners.insert(owners.end(), folder.owners.begin(), folder.owners.end());
  owners.insert(owners.end(), root.owners.begin(), root.owners.end());
  // Desktop: parse and enumerate; folder: parse; root: parse and handler.
  EXPECT_EQ(5u, owners.size());
  EXPECT_THAT(owners, testing::Each(GetParam()));
  EXPECT_EQ(GetParam(), menu.received.hwnd);
}

INSTANTIATE_TEST_SUITE_P(ShellLookup, OwnerWindow, testing::Values(HWND{}, kSomeOwner));

class PatternBranch : public ShellLookup {
 protected:
  void SetUp() override {
    ShellLookup::SetUp();
    desktop.parses[fake::Widen(dir.Path() + "\\")] = "dir";
    for (const char* name : {"a1.txt", "a2.txt", "a3.txt", "b.txt"}) dir.Add(name);
  }

  TempDir dir;
};

TEST_F(PatternBranch, NamesThatDoNotParseLeaveNoGap) {
  folder.parses = {{L"a1.txt", "a1"}, {L"a3.txt", "a3"}, {L"b.txt", "b"}};

  EXPECT_TRUE(Show(dir.Path() + "\\a?.txt"));

  EXPECT_THAT(folder.parsed, UnorderedElementsAre(L"a1.txt", L"a2.txt", L"a3.txt"));
  EXPECT_EQ(2u, folder.attributeCount);
  EXPECT_THAT(folder.attributeIds, UnorderedElementsAre("a1", "a3"));
  EXPECT_EQ(0u, folder.attributeRequest);
  EXPECT_EQ(2u, folder.menuCount);
  EXPECT_EQ(folder.attributeIds, folder.menuIds);
  EXPECT_EQ(1, menu.invocations);
}

TEST_F(PatternBranch, StarAlsoListsTheDotEntries) {
  folder.parses = {{L".", "dot"}, {L"b.txt", "b"}};

  EXPECT_TRUE(Show(dir.Path() + "\\*"));

  EXPECT_THAT(folder.parsed,
              UnorderedElementsAre(L".", L"..", L"a1.txt", L"a2.txt", L"a3.txt", L"b.txt"));
  EXPECT_THAT(folder.menuIds, UnorderedElementsAre("dot", "b"));
}

TEST_F(PatternBranch, NothingParsedGivesFalseWithoutFallback) {
  root.parses[fake::Widen(dir.Path() + "\\a*.txt")] = "file";

  EXPECT_FALSE(Show(dir.Path() + "\\a*.txt"));

  EXPECT_EQ(3u, folder.parsed.size());
  EXPECT_EQ(0, folder.attributeCalls);
  EXPECT_FALSE(Logged("desktop.EnumObjects"));
}

TEST_F(PatternBranch, NoMatchGivesFalseWithoutFallback) {
  EXPECT_FALSE(Show(dir.Path() + "\\z*.txt"));

  EXPECT_THAT(folder.parsed, IsEmpty());
  EXPECT_FALSE(Logged("desktop.EnumObjects"));
}

}  // namespace
