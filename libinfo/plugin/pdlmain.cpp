// The exported entry points. No C++ exception leaves any of them: a failure
// is shown to the user in a message box owned by the host's window.
#include <windows.h>

#include <ole2.h>

#include <cstring>

#include "Failure.h"
#include "Identity.h"
#include "plugin/ActivationContext.h"
#include "plugin/PlugIntf.h"
#include "window/Application.h"
#include "window/SysLibMain.h"

using namespace libinfo;

namespace {

constexpr char kItemName[] = "Libraries Information Plug-In";
constexpr char kItemDescription[] =
    "System libraries version information plug-in for Orvenna Harbor";
constexpr char kItemCaption[] = "Libraries information";

// Copies the text with its zero terminator and nothing more: the host's
// bytes behind the terminator stay as they were.
template <std::size_t N>
void PutText(RecordText& field, const char (&text)[N]) noexcept {
  static_assert(N <= kRecordTextSize);
  std::memcpy(field, text, N);
}

void ReportFailure(HWND owner, const char* text) noexcept {
  ::MessageBoxA(owner && ::IsWindow(owner) ? owner : nullptr, text, kItemCaption,
                MB_OK | MB_ICONERROR);
}

// Lends the host's window to the application object as owner and gives the
// previous owner back on every way out.
class OwnerLoan {
 public:
  explicit OwnerLoan(HWND owner) noexcept : previous_(Application().Handle()) {
    Application().SetHandle(owner);
  }
  OwnerLoan(const OwnerLoan&) = delete;
  OwnerLoan& operator=(const OwnerLoan&) = delete;
  ~OwnerLoan() { Application().SetHandle(previous_); }

 private:
  HWND previous_;
};

// OLE for the calling thread while the window runs. Set up here rather than
// when the library is loaded: that runs under the loader lock, where OLE must
// not be initialised. Only a successful set-up of our own is torn down again.
class OleSession {
 public:
  OleSession() noexcept : result_(::OleInitialize(nullptr)) {}
  OleSession(const OleSession&) = delete;
  OleSession& operator=(const OleSession&) = delete;
  ~OleSession() {
    if (result_ == S_OK || result_ == S_FALSE) ::OleUninitialize();
  }

 private:
  HRESULT result_;
};

}  // namespace

extern "C" void __stdcall InitPlugInLib(PlugInLibRecord* record) {
  if (!record) return;
  PutText(record->fileName, LIBINFO_FILE_NAME);
  record->word268 = 1;
  record->word272 = 0;
  record->word276 = 1;
  PutText(record->copyright, LIBINFO_COPYRIGHT);
  record->word804 = 1;
  record->word808 = 0x18000;
  record->itemQuery = &ItemQuery;
  record->word816 = 0;
  record->word820 = 0;
}

extern "C" std::uint32_t __stdcall ItemQuery(std::uint32_t index, PlugInItemRecord* item) {
  if (index != 1 || !item) return kNoSuchItem;
  PutText(item->name, kItemName);
  PutText(item->description, kItemDescription);
  item->word528 = 5;
  PutText(item->caption, kItemCaption);
  item->secondCaption[0] = '\0';
  item->word1576 = 1;
  item->word1580 = 0x10000;
  item->commandQuery = &CommandQuery;
  return kItemFilled;
}

extern "C" CommandProc __stdcall CommandQuery(std::uint32_t kind) {
  switch (kind) {
    case kCommandNoOperation:
      return &NoOperation;
    case kCommandAbout:
      return &ShowAbout;
    case kCommandRun:
      return &ShowLibraryWindow;
    default:
      return nullptr;
  }
}

extern "C" std::uint32_t __stdcall NoOperation(std::uint32_t /*context*/, HWND /*owner*/) {
  return 0;
}

extern "C" std::uint32_t __stdcall ShowAbout(std::uint32_t /*context*/, HWND owner) {
  const OwnActivationScope visualStyles;
  constexpr char kText[] =
      "Libraries Information Plug-In\n"
      "Version " LIBINFO_VERSION_TEXT
      "\n"
      "System libraries version information plug-in for Orvenna Harbor\n"
      "\n" LIBINFO_COPYRIGHT;
  ::MessageBoxA(owner && ::IsWindow(owner) ? owner : nullptr, kText,
                "About Libraries Information Plug-In", MB_OK | MB_ICONINFORMATION);
  return 0;
}

extern "C" std::uint32_t __stdcall ShowLibraryWindow(std::uint32_t /*context*/, HWND owner) {
  return RunLibraryCommand(owner);
}

// Everything that can fail, the system directory's name included, runs
// inside the one guard; what it reports needs no memory of its own.
std::uint32_t libinfo::RunLibraryCommand(HWND owner, const char* folder) noexcept {
  // Around everything the command shows, the failure's message box included.
  const OwnActivationScope visualStyles;
  bool failed = false;
  FailureText failure{};
  try {
    OleSession ole;
    OwnerLoan loan(owner);
    RunLibraryWindow(folder ? std::string(folder) : SystemDirectory());
  } catch (...) {
    failed = true;
    failure = CurrentExceptionText();
  }
  // Shown only after the window is gone and the owner handle given back.
  if (failed) ReportFailure(owner, failure.text);
  return 0;
}
