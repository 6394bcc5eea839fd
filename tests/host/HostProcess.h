// plughost.exe as a child process with its standard output and error in
// temporary files, for tests that drive the host from outside.
#pragma once

#include <windows.h>

#include <chrono>
#include <string>

#include "Owned.h"

namespace host_testing {

// The directory of the running test program, where plughost.exe and the
// plug-in are built, with a trailing separator.
std::string BinDirectory();

// A temporary file that the child inherits as a standard handle; it goes
// away when the last handle to it is closed.
class CapturedStream {
 public:
  CapturedStream();
  [[nodiscard]] HANDLE Handle() const noexcept { return file_.get(); }
  [[nodiscard]] std::string Contents() const;

 private:
  libinfo::UniqueFile file_;
};

class HostProcess {
 public:
  // Starts plughost.exe with the arguments, and with `setting` ("NAME=value")
  // added to this process's environment when given; the test fails if it
  // cannot.
  explicit HostProcess(const std::string& arguments, const std::string& setting = {});
  HostProcess(const HostProcess&) = delete;
  HostProcess& operator=(const HostProcess&) = delete;
  // Kills the process if it is still running, so no test leaves one behind.
  ~HostProcess();

  [[nodiscard]] bool Started() const noexcept { return static_cast<bool>(process_); }
  [[nodiscard]] DWORD Id() const noexcept { return processId_; }

  // True when the process ended within the timeout; otherwise it is killed.
  [[nodiscard]] bool Finish(std::chrono::milliseconds timeout);
  [[nodiscard]] DWORD ExitCode() const;
  [[nodiscard]] std::string Output() const { return out_.Contents(); }
  [[nodiscard]] std::string Errors() const { return err_.Contents(); }

 private:
  CapturedStream out_;
  CapturedStream err_;
  libinfo::UniqueHandle process_;
  DWORD processId_ = 0;
};

// A file that is not a program at all, removed again at the end of its scope.
class NonProgramFile {
 public:
  NonProgramFile();
  NonProgramFile(const NonProgramFile&) = delete;
  NonProgramFile& operator=(const NonProgramFile&) = delete;
  ~NonProgramFile();
  [[nodiscard]] const std::string& Path() const noexcept { return path_; }

 private:
  std::string path_;
};

}  // namespace host_testing
