#include "HostProcess.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

namespace host_testing {

std::string BinDirectory() {
  char path[MAX_PATH] = {};
  const DWORD length = ::GetModuleFileNameA(nullptr, path, MAX_PATH);
  const std::string program(path, length);
  return program.substr(0, program.find_last_of('\\') + 1);
}

namespace {

std::string TemporaryFileName(const char* prefix) {
  char directory[MAX_PATH] = {};
  char name[MAX_PATH] = {};
  ::GetTempPathA(MAX_PATH, directory);
  ::GetTempFileNameA(directory, prefix, 0, name);
  return name;
}

// This process's environment block with `setting` in place of any entry of
// the same name; empty when there is nothing to add.
std::string EnvironmentWith(const std::string& setting) {
  if (setting.empty()) return {};
  const std::string name = setting.substr(0, setting.find('=') + 1);
  std::string block;
  char* strings = ::GetEnvironmentStringsA();
  for (const char* entry = strings; entry && *entry; entry += std::strlen(entry) + 1) {
    if (::CompareStringA(LOCALE_INVARIANT, NORM_IGNORECASE, entry,
                         static_cast<int>(std::min(std::strlen(entry), name.size())), name.c_str(),
                         static_cast<int>(name.size())) == CSTR_EQUAL) {
      continue;
    }
    block.append(entry).push_back('\0');
  }
  if (strings) ::FreeEnvironmentStringsA(strings);
  block.append(setting).push_back('\0');
  block.push_back('\0');
  return block;
}

}  // namespace

CapturedStream::CapturedStream() {
  SECURITY_ATTRIBUTES inheritable{sizeof inheritable, nullptr, TRUE};
  file_.reset(::CreateFileA(TemporaryFileName("phs").c_str(), GENERIC_READ | GENERIC_WRITE,
                            FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, &inheritable,
                            CREATE_ALWAYS, FILE_FLAG_DELETE_ON_CLOSE, nullptr));
  EXPECT_TRUE(file_) << "cannot create a temporary file, error " << ::GetLastError();
}

// The child wrote through the same file object, so the position is at its end.
std::string CapturedStream::Contents() const {
  std::string contents;
  if (::SetFilePointer(file_.get(), 0, nullptr, FILE_BEGIN) == INVALID_SET_FILE_POINTER) {
    return contents;
  }
  char chunk[4096];
  DWORD read = 0;
  while (::ReadFile(file_.get(), chunk, sizeof chunk, &read, nullptr) && read > 0) {
    contents.append(chunk, read);
  }
  return contents;
}

HostProcess::HostProcess(const std::string& arguments, const std::string& setting) {
  const std::string directory = BinDirectory();
  std::string commandLine = "\"" + directory + "plughost.exe\" " + arguments;
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdInput = nullptr;
  startup.hStdOutput = out_.Handle();
  startup.hStdError = err_.Handle();
  PROCESS_INFORMATION info{};
  std::string environment = EnvironmentWith(setting);
  if (!::CreateProcessA(nullptr, commandLine.data(), nullptr, nullptr, TRUE, 0,
                        environment.empty() ? nullptr : environment.data(), directory.c_str(),
                        &startup, &info)) {
    ADD_FAILURE() << "cannot start " << commandLine << ", error " << ::GetLastError();
    return;
  }
  ::CloseHandle(info.hThread);
  process_.reset(info.hProcess);
  processId_ = info.dwProcessId;
}

HostProcess::~HostProcess() {
  if (process_ && ::WaitForSingleObject(process_.get(), 0) == WAIT_TIMEOUT) {
    ::TerminateProcess(process_.get(), 99);
    ::WaitForSingleObject(process_.get(), 5000);
  }
}

bool HostProcess::Finish(std::chrono::milliseconds timeout) {
  if (!process_) return false;
  const auto wait = static_cast<DWORD>(timeout.count());
  if (::WaitForSingleObject(process_.get(), wait) == WAIT_OBJECT_0) return true;
  ::TerminateProcess(process_.get(), 99);
  ::WaitForSingleObject(process_.get(), 5000);
  return false;
}

DWORD HostProcess::ExitCode() const {
  DWORD code = STILL_ACTIVE;
  if (process_) ::GetExitCodeProcess(process_.get(), &code);
  return code;
}

NonProgramFile::NonProgramFile() : path_(TemporaryFileName("npf")) {
  const libinfo::UniqueFile file(::CreateFileA(path_.c_str(), GENERIC_WRITE, 0, nullptr,
                                               CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  constexpr char kText[] = "This is a text file, not a plug-in.\r\n";
  DWORD written = 0;
  ::WriteFile(file.get(), kText, sizeof kText - 1, &written, nullptr);
}

NonProgramFile::~NonProgramFile() {
  ::DeleteFileA(path_.c_str());
}

}  // namespace host_testing
