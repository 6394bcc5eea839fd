#include "common/LibraryFolder.h"

#include <algorithm>
#include <stdexcept>

namespace libinfo::testing {

namespace {

std::string SystemDirectory() {
  char buffer[MAX_PATH] = {};
  ::GetSystemDirectoryA(buffer, sizeof buffer);
  return buffer;
}

void RemoveTree(const std::string& path) {
  WIN32_FIND_DATAA entry{};
  UniqueFind search(::FindFirstFileA((path + "\\*").c_str(), &entry));
  if (search) {
    do {
      const std::string name = entry.cFileName;
      if (name == "." || name == "..") continue;
      const std::string full = path + "\\" + name;
      ::SetFileAttributesA(full.c_str(), FILE_ATTRIBUTE_NORMAL |
                                             (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY));
      if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
        RemoveTree(full);
      } else {
        ::DeleteFileA(full.c_str());
      }
    } while (::FindNextFileA(search.get(), &entry));
  }
  search.reset();
  ::RemoveDirectoryA(path.c_str());
}

}  // namespace

LibraryFolder::LibraryFolder() {
  char temp[MAX_PATH] = {};
  ::GetTempPathA(sizeof temp, temp);
  // Process ids come round again in a test prefix that lives on, and a
  // folder an earlier run left behind may hold names too long to remove
  // here: such a name is passed over, not reused.
  constexpr int kTries = 100;
  static int serial = 0;
  for (int attempt = 0; attempt < kTries; ++attempt) {
    path_ = std::string(temp) + "libinfo-" + std::to_string(::GetCurrentProcessId()) + "-" +
            std::to_string(++serial);
    RemoveTree(path_);
    if (::CreateDirectoryA(path_.c_str(), nullptr)) return;
  }
  throw std::runtime_error("no scratch folder");
}

LibraryFolder::~LibraryFolder() {
  locks_.clear();
  RemoveTree(path_);
}

void LibraryFolder::CopySystemFile(const std::string& name, const std::string& as) {
  const std::string target = as.empty() ? name : as;
  const std::string source = SystemDirectory() + "\\" + name;
  if (!::CopyFileA(source.c_str(), (path_ + "\\" + target).c_str(), FALSE)) {
    throw std::runtime_error("cannot copy " + source);
  }
  versioned_.push_back(target);
}

void LibraryFolder::WriteFile(const std::string& name, const std::string& content) {
  UniqueFile file(::CreateFileA((path_ + "\\" + name).c_str(), GENERIC_WRITE, 0, nullptr,
                                CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  DWORD written = 0;
  ::WriteFile(file.get(), content.data(), static_cast<DWORD>(content.size()), &written, nullptr);
}

void LibraryFolder::MakeFolder(const std::string& name, DWORD attributes) {
  const std::string full = path_ + "\\" + name;
  ::CreateDirectoryA(full.c_str(), nullptr);
  ::SetFileAttributesA(full.c_str(), attributes);
}

void LibraryFolder::Lock(const std::string& name) {
  locks_.emplace_back(::CreateFileA((path_ + "\\" + name).c_str(), GENERIC_READ | GENERIC_WRITE, 0,
                                    nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  versioned_.erase(std::remove(versioned_.begin(), versioned_.end(), name), versioned_.end());
}

std::vector<std::string> LibraryFolder::ExpectedRows() const {
  std::vector<std::string> rows;
  WIN32_FIND_DATAA entry{};
  UniqueFind search(::FindFirstFileA((path_ + "\\*.*").c_str(), &entry));
  if (!search) return rows;
  do {
    if (std::find(versioned_.begin(), versioned_.end(), entry.cFileName) != versioned_.end()) {
      rows.push_back(entry.cFileName);
    }
  } while (::FindNextFileA(search.get(), &entry));
  return rows;
}

void FillWithTypicalEntries(LibraryFolder& folder) {
  for (const char* name : {"kernel32.dll", "comctl32.dll", "user32.dll", "version.dll"}) {
    folder.CopySystemFile(name);
  }
  folder.CopySystemFile("shell32.dll", "renamed.bin");
  folder.WriteFile("readme.txt", "not a library\r\n");
  folder.WriteFile("empty.dll", "");
  folder.WriteFile("notpe.dll", "MZ but nothing else that an executable needs");
  folder.MakeFolder("plain folder");
  folder.MakeFolder("hidden folder", FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_HIDDEN);
  folder.CopySystemFile("ole32.dll", "locked.dll");
  folder.Lock("locked.dll");
}

void FillWithLibraries(LibraryFolder& folder, int count) {
  WIN32_FIND_DATAA entry{};
  UniqueFind search(::FindFirstFileA((SystemDirectory() + "\\*.dll").c_str(), &entry));
  if (!search) return;
  do {
    folder.CopySystemFile(entry.cFileName);
  } while (--count > 0 && ::FindNextFileA(search.get(), &entry));
}

}  // namespace libinfo::testing
