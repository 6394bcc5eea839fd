// plughost: a stand-in for the file manager that hosts .pdl plug-ins. It
// loads one plug-in as the host does, lists its items and runs their
// commands, and can describe the records for scripts or run one command and
// exit, for tests.
//
//   plughost.exe [--describe | --run KIND] [PLUGIN.pdl]
//
// It stays a GUI program, as the real host is one: a console program would
// open a console window of its own when started from the desktop. Output for
// scripts goes straight to the standard handles (see Console.cpp).
#include <windows.h>

#include <cstdint>
#include <cstdlib>
#include <optional>
#include <string>

#include "Console.h"
#include "Describe.h"
#include "HostError.h"
#include "MainWindow.h"
#include "PlugIn.h"

namespace plughost {
namespace {

constexpr int kExitFailure = 1;
constexpr int kExitUsage = 2;
constexpr char kUsage[] = "usage: plughost.exe [--describe | --run KIND] [PLUGIN.pdl]";

enum class Mode { kInteractive, kDescribe, kRun };

struct Options {
  Mode mode = Mode::kInteractive;
  std::uint32_t kind = 0;
  std::string path;
};

[[nodiscard]] std::optional<std::uint32_t> ParseKind(const char* text) noexcept {
  char* end = nullptr;
  const unsigned long kind = std::strtoul(text, &end, 0);
  if (end == text || *end != '\0') return std::nullopt;
  return static_cast<std::uint32_t>(kind);
}

[[nodiscard]] std::optional<Options> ParseOptions(int argc, char** argv) noexcept {
  Options options;
  for (int i = 1; i < argc; ++i) {
    const std::string argument = argv[i];
    if (argument == "--describe") {
      options.mode = Mode::kDescribe;
    } else if (argument == "--run" && i + 1 < argc) {
      const auto kind = ParseKind(argv[++i]);
      if (!kind) return std::nullopt;
      options.mode = Mode::kRun;
      options.kind = *kind;
    } else if (argument.starts_with("-") || !options.path.empty()) {
      return std::nullopt;
    } else {
      options.path = argument;
    }
  }
  options.path = options.path.empty() ? DefaultPlugInPath() : FullPath(options.path);
  return options;
}

// Scripts and tests must never be stopped by a box nobody will close.
[[nodiscard]] bool IsAutomated(int argc, char** argv) noexcept {
  for (int i = 1; i < argc; ++i) {
    const std::string argument = argv[i];
    if (argument == "--describe" || argument == "--run") return true;
  }
  return false;
}

int Fail(const std::string& text, bool automated, int exitCode) noexcept {
  WriteErr("plughost: " + text + "\n");
  if (!automated) ::MessageBoxA(nullptr, text.c_str(), "Plug-in Host", MB_OK | MB_ICONERROR);
  return exitCode;
}

[[nodiscard]] int RunMessageLoop() noexcept {
  MSG message;
  while (::GetMessageA(&message, nullptr, 0, 0) > 0) {
    ::TranslateMessage(&message);
    ::DispatchMessageA(&message);
  }
  return static_cast<int>(message.wParam);
}

int ShowMainWindow(const PlugIn& plugIn, const Options& options, int show) {
  if (options.mode == Mode::kRun && !plugIn.Command(0, options.kind)) {
    throw HostError("The plug-in's first item offers no command of kind " +
                    std::to_string(options.kind) + ".");
  }
  MainWindow window(plugIn);
  if (!window.Create(options.mode == Mode::kRun ? SW_SHOWNORMAL : show)) {
    throw HostError("Cannot create the main window: " + SystemErrorText(::GetLastError()));
  }
  if (options.mode == Mode::kRun) window.RunCommandThenClose(options.kind);
  return RunMessageLoop();
}

int Run(const Options& options, int show) {
  const PlugIn plugIn = PlugIn::Load(options.path);
  if (options.mode == Mode::kDescribe) {
    WriteOut(Describe(plugIn));
    return 0;
  }
  return ShowMainWindow(plugIn, options, show);
}

}  // namespace
}  // namespace plughost

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int show) {
  using namespace plughost;
  // A broken plug-in file is reported by this program, not by a system box.
  ::SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
  const bool automated = IsAutomated(__argc, __argv);
  const auto options = ParseOptions(__argc, __argv);
  if (!options) return Fail(kUsage, automated, kExitUsage);
  try {
    return Run(*options, show);
  } catch (const std::exception& failure) {
    return Fail(failure.what(), automated, kExitFailure);
  }
}
