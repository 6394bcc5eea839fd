// Support shared by the robustness tests: the standard set of hostile
// resources, a closer that ends each run of the library window from inside
// its modal loop (and presses OK on any message box the run shows), the
// process's resource counters and a file locked by
// another process.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

#include "HostileResources.h"
#include "common/ProgramThreads.h"
#include "Owned.h"
#include "version/VerInfo.h"

namespace libinfo::testing {

inline constexpr char kLibraryCaption[] = "System Library Info";
inline constexpr char kTemplateFixture[] = "fixtures\\hostile_template.dll";

// 1,200 damaged resources, a hundred of each kind, always the same ones.
const std::vector<HostileResource>& StandardHostileSet();
const VersionDllTemplate& HostileTemplate();

struct Answers {
  std::string description, product, fileVersion, productVersion;
  bool operator==(const Answers&) const = default;
};
Answers AnswersOf(const TVersionInfo& reader);

// Reads the hostile set from `first` on with guarded copies; see main.cpp.
int ReadHostileResourcesGuarded(int first);

// While it exists, a thread timer watches for the library window of this
// thread. Once the scan has listed a row and ended, it records what it saw
// and asks the window to close. StopEarly presses Stop as soon as one row is
// there, for scans of the real system directory.
class LibraryWindowCloser {
 public:
  enum class Scan { RunToEnd, StopEarly };
  struct Seen {
    bool shown = false;
    bool forced = false;  // nothing listed in time: closed anyway
    int rows = 0;
    std::string firstRow;
    HWND owner = nullptr;
    std::string error;  // the text of a message box shown instead
  };

  explicit LibraryWindowCloser(Scan scan = Scan::RunToEnd);
  LibraryWindowCloser(const LibraryWindowCloser&) = delete;
  LibraryWindowCloser& operator=(const LibraryWindowCloser&) = delete;
  ~LibraryWindowCloser();

  // Forget the previous window before the next run.
  void Reset();
  [[nodiscard]] const Seen& Last() const { return seen_; }

 private:
  static void CALLBACK OnTimer(HWND, UINT, UINT_PTR, DWORD);
  void Tick();
  void Close(HWND window, HWND list, bool forced);

  Scan scan_;
  UINT_PTR timer_ = 0;
  Seen seen_;
  HWND closed_ = nullptr;
  DWORD waitingSince_ = 0;
};

// Wine 8 reports neither the handle count nor GUI object counts (zero) and
// leaves PrivateUsage at zero; the fallbacks below count for themselves.
struct ProcessResources {
  DWORD handles = 0;                         // counted by probing handle values where not reported
  DWORD gdiObjects = 0;                      // zero where not reported
  DWORD userObjects = 0;                     // zero where not reported
  DWORD windows = 0;                         // of this thread, children included
  SIZE_T privateBytes = 0;                   // PrivateUsage, else PagefileUsage; zero
                                             // under a CPU emulator
  SIZE_T committedPrivate = 0;               // the committed private regions, summed
  DWORD threads = 0;                         // of this process, the platform's included
  ThreadList programThreads;                 // those running the program's or plug-in's code
  std::vector<std::uintptr_t> handleValues;  // the open handles, by value
};
ProcessResources MeasureResources();

// The handles open in `after` but not in `before`, each with its kind and
// name where the platform tells them: what a leak report needs to be acted on.
std::string NewHandles(const ProcessResources& before, const ProcessResources& after);

// A file that another process holds open without sharing, for the lifetime
// of this object.
class FileLockedElsewhere {
 public:
  explicit FileLockedElsewhere(const std::string& path);
  FileLockedElsewhere(const FileLockedElsewhere&) = delete;
  FileLockedElsewhere& operator=(const FileLockedElsewhere&) = delete;
  ~FileLockedElsewhere();
  [[nodiscard]] bool Locked() const { return locked_; }

 private:
  UniqueHandle ready_;
  UniqueHandle release_;
  UniqueHandle process_;
  bool locked_ = false;
};

}  // namespace libinfo::testing
