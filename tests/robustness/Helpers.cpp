#include "Helpers.h"

#include <commctrl.h>
#include <psapi.h>

#include <cstdio>
#include <stdexcept>

#include "CommittedMemory.h"
#include "common/GuardPageBuffer.h"
#include "common/HandleCount.h"
#include "common/ProgramThreads.h"

namespace libinfo::testing {

using support::CommittedPrivateBytes;
using support::RunsUnderCpuEmulator;
namespace {

constexpr std::uint32_t kHostileSeed = 20240517;
constexpr int kHostileCount = 1200;
constexpr UINT kTickMilliseconds = 10;
constexpr DWORD kGiveUpMilliseconds = 20000;
constexpr char kProgressClass[] = "LibInfoProgressDlg";

LibraryWindowCloser* activeCloser = nullptr;

std::string ClassOf(HWND window) {
  char name[64] = {};
  ::GetClassNameA(window, name, sizeof name);
  return name;
}

std::string TextOf(HWND window) {
  char text[256] = {};
  ::GetWindowTextA(window, text, sizeof text);
  return text;
}

// The library window and the progress dialog among this thread's windows.
struct ThreadWindows {
  HWND library = nullptr;
  HWND progress = nullptr;
  HWND box = nullptr;

  static BOOL CALLBACK Visit(HWND window, LPARAM param) {
    auto& self = *reinterpret_cast<ThreadWindows*>(param);
    if (ClassOf(window) == kProgressClass) {
      self.progress = window;
    } else if (ClassOf(window) == "#32770" && ::IsWindowVisible(window)) {
      self.box = window;
    } else if (::IsWindowVisible(window) && TextOf(window) == kLibraryCaption) {
      self.library = window;
    }
    return TRUE;
  }
  ThreadWindows() {
    ::EnumThreadWindows(::GetCurrentThreadId(), Visit, reinterpret_cast<LPARAM>(this));
  }
};

std::string FirstCell(HWND list) {
  char text[512] = {};
  LVITEMA cell{};
  cell.pszText = text;
  cell.cchTextMax = sizeof text;
  ::SendMessageA(list, LVM_GETITEMTEXTA, 0, reinterpret_cast<LPARAM>(&cell));
  return text;
}

std::string UniqueName(const char* what) {
  static int serial = 0;
  return "libinfo-rob-" + std::to_string(::GetCurrentProcessId()) + "-" + what + "-" +
         std::to_string(++serial);
}

}  // namespace

const VersionDllTemplate& HostileTemplate() {
  static const VersionDllTemplate dll(kTemplateFixture);
  return dll;
}

const std::vector<HostileResource>& StandardHostileSet() {
  static const auto set =
      MakeHostileResources(HostileTemplate().Blob(), kHostileSeed, kHostileCount);
  return set;
}

Answers AnswersOf(const TVersionInfo& reader) {
  return {reader.FileDescription(), reader.ProductName(), reader.FileVersion(),
          reader.ProductVersion()};
}

int ReadHostileResourcesGuarded(int first) {
  char temp[MAX_PATH] = {};
  ::GetTempPathA(sizeof temp, temp);
  const std::string path = std::string(temp) + UniqueName("guarded") + ".dll";
  const auto& set = StandardHostileSet();
  for (int i = first; i < static_cast<int>(set.size()); ++i) {
    std::printf("%d %s %s\n", i, NameOf(set[i].damage),
                PlatformReadsWithin(set[i].blob) ? "within" : "beyond");
    std::fflush(stdout);
    WriteWholeFile(path, HostileTemplate().WithResource(set[i].blob));
    const TVersionInfo reader(path, GuardPageBuffer());
    (void)AnswersOf(reader);
  }
  ::DeleteFileA(path.c_str());
  std::printf("done\n");
  return 0;
}

LibraryWindowCloser::LibraryWindowCloser(Scan scan) : scan_(scan) {
  activeCloser = this;
  timer_ = ::SetTimer(nullptr, 0, kTickMilliseconds, OnTimer);
  if (!timer_) throw std::runtime_error("no thread timer");
  Reset();
}

LibraryWindowCloser::~LibraryWindowCloser() {
  ::KillTimer(nullptr, timer_);
  activeCloser = nullptr;
}

void LibraryWindowCloser::Reset() {
  seen_ = {};
  closed_ = nullptr;
  waitingSince_ = ::GetTickCount();
}

void CALLBACK LibraryWindowCloser::OnTimer(HWND, UINT, UINT_PTR, DWORD) {
  if (activeCloser) activeCloser->Tick();
}

void LibraryWindowCloser::Tick() {
  const ThreadWindows windows;
  if (windows.box) {
    char text[512] = {};
    ::GetDlgItemTextA(windows.box, 0xFFFF, text, sizeof text);
    seen_.error = text;
    ::PostMessageA(windows.box, WM_COMMAND, IDOK, 0);
    return;
  }
  if (!windows.library || windows.library == closed_) return;
  HWND list = ::FindWindowExA(windows.library, nullptr, WC_LISTVIEWA, nullptr);
  const int rows = static_cast<int>(::SendMessageA(list, LVM_GETITEMCOUNT, 0, 0));
  if (::GetTickCount() - waitingSince_ > kGiveUpMilliseconds) {
    if (windows.progress) ::PostMessageA(windows.progress, WM_CLOSE, 0, 0);
    Close(windows.library, list, true);
    return;
  }
  if (rows == 0) return;
  if (windows.progress) {
    // The dialog lives until the scan ends; a stopped one is merely hidden.
    if (scan_ == Scan::StopEarly && ::IsWindowVisible(windows.progress)) {
      ::PostMessageA(::GetDlgItem(windows.progress, IDCANCEL), BM_CLICK, 0, 0);
    }
    return;
  }
  Close(windows.library, list, false);
}

void LibraryWindowCloser::Close(HWND window, HWND list, bool forced) {
  seen_.shown = true;
  seen_.forced = forced;
  seen_.rows = static_cast<int>(::SendMessageA(list, LVM_GETITEMCOUNT, 0, 0));
  seen_.firstRow = seen_.rows ? FirstCell(list) : std::string();
  seen_.owner = ::GetWindow(window, GW_OWNER);
  closed_ = window;
  ::PostMessageA(window, WM_CLOSE, 0, 0);
}

namespace {

BOOL CALLBACK CountWindow(HWND, LPARAM param) {
  ++*reinterpret_cast<DWORD*>(param);
  return TRUE;
}

BOOL CALLBACK CountWindowAndChildren(HWND window, LPARAM param) {
  CountWindow(window, param);
  ::EnumChildWindows(window, CountWindow, param);  // all descendants
  return TRUE;
}

}  // namespace

ProcessResources MeasureResources() {
  ProcessResources now;
  // Threads first: probing the handles takes the platform's server a while,
  // time in which a thread still on its way out would end unseen.
  now.programThreads = ProgramThreads();
  now.threads = static_cast<DWORD>(ThreadsOfThisProcess().size());
  now.handleValues = OpenHandleValues();
  now.handles = OpenHandleCount(now.handleValues);
  ::EnumThreadWindows(::GetCurrentThreadId(), CountWindowAndChildren,
                      reinterpret_cast<LPARAM>(&now.windows));
  now.gdiObjects = ::GetGuiResources(::GetCurrentProcess(), GR_GDIOBJECTS);
  now.userObjects = ::GetGuiResources(::GetCurrentProcess(), GR_USEROBJECTS);
  PROCESS_MEMORY_COUNTERS_EX memory{};
  memory.cb = sizeof memory;
  // Left at zero under a CPU emulator, whose own memory the usage mostly is.
  if (!RunsUnderCpuEmulator() &&
      ::GetProcessMemoryInfo(::GetCurrentProcess(),
                             reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&memory), sizeof memory)) {
    now.privateBytes = memory.PrivateUsage ? memory.PrivateUsage : memory.PagefileUsage;
  }
  now.committedPrivate = CommittedPrivateBytes();
  return now;
}

std::string NewHandles(const ProcessResources& before, const ProcessResources& after) {
  return DescribeNewHandles(before.handleValues, after.handleValues);
}

FileLockedElsewhere::FileLockedElsewhere(const std::string& path) {
  const std::string readyName = UniqueName("ready");
  const std::string releaseName = UniqueName("release");
  ready_.reset(::CreateEventA(nullptr, TRUE, FALSE, readyName.c_str()));
  release_.reset(::CreateEventA(nullptr, TRUE, FALSE, releaseName.c_str()));
  char self[MAX_PATH] = {};
  ::GetModuleFileNameA(nullptr, self, sizeof self);
  std::string command =
      "\"" + std::string(self) + "\" --hold-file \"" + path + "\" " + readyName + " " + releaseName;
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION started{};
  if (!::CreateProcessA(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &started)) {
    return;
  }
  ::CloseHandle(started.hThread);
  process_.reset(started.hProcess);
  const HANDLE waitFor[] = {ready_.get(), process_.get()};
  locked_ = ::WaitForMultipleObjects(2, waitFor, FALSE, 30000) == WAIT_OBJECT_0;
}

FileLockedElsewhere::~FileLockedElsewhere() {
  if (!process_) return;
  ::SetEvent(release_.get());
  if (::WaitForSingleObject(process_.get(), 10000) != WAIT_OBJECT_0) {
    ::TerminateProcess(process_.get(), 1);
    ::WaitForSingleObject(process_.get(), 5000);
  }
}

}  // namespace libinfo::testing
