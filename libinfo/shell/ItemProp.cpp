#include "shell/ItemProp.h"

#include <wrl/client.h>

#include <cstddef>
#include <utility>
#include <vector>

#include "CodePage.h"
#include "LibraryCursor.h"
#include "Owned.h"

namespace libinfo {

using Microsoft::WRL::ComPtr;

namespace {

class SystemShellProvider final : public ShellProvider {
 public:
  HRESULT GetMalloc(IMalloc** allocator) noexcept override { return ::SHGetMalloc(allocator); }
  HRESULT GetDesktopFolder(IShellFolder** desktop) noexcept override {
    return ::SHGetDesktopFolder(desktop);
  }
};

// An item id handed out by the shell; it goes back through the shell's task
// allocator, which the caller keeps alive for longer than the id.
class ItemId {
 public:
  explicit ItemId(IMalloc* allocator) noexcept : allocator_(allocator) {}
  ItemId(const ItemId&) = delete;
  ItemId& operator=(const ItemId&) = delete;
  ~ItemId() { reset(); }

  [[nodiscard]] LPITEMIDLIST get() const noexcept { return id_; }
  [[nodiscard]] LPITEMIDLIST release() noexcept { return std::exchange(id_, nullptr); }
  [[nodiscard]] LPITEMIDLIST* put() noexcept {
    reset();
    return &id_;
  }
  void reset() noexcept {
    if (id_) allocator_->Free(std::exchange(id_, nullptr));
  }

 private:
  IMalloc* allocator_;
  LPITEMIDLIST id_ = nullptr;
};

// The ids of several items of one folder, side by side as the shell wants
// them: ids that could not be had leave no gap.
class ItemIdArray {
 public:
  ItemIdArray(IMalloc* allocator, std::size_t capacity) : allocator_(allocator) {
    ids_.reserve(capacity);
  }
  ItemIdArray(const ItemIdArray&) = delete;
  ItemIdArray& operator=(const ItemIdArray&) = delete;
  ~ItemIdArray() {
    for (LPCITEMIDLIST id : ids_) allocator_->Free(const_cast<LPITEMIDLIST>(id));
  }

  void Append(ItemId& id) {
    ids_.push_back(id.get());
    static_cast<void>(id.release());
  }
  [[nodiscard]] LPCITEMIDLIST* data() noexcept { return ids_.data(); }
  [[nodiscard]] int count() const noexcept { return static_cast<int>(ids_.size()); }

 private:
  IMalloc* allocator_;
  std::vector<LPCITEMIDLIST> ids_;
};

struct Lookup {
  HWND owner;
  IMalloc* allocator;
  IShellFolder* desktop;
};

[[nodiscard]] bool IsPattern(const std::string& name) noexcept {
  return name.find_first_of("*?") != std::string::npos;
}

// The shell takes the name as a writable buffer, hence the copy.
[[nodiscard]] bool Parse(IShellFolder* folder, HWND owner, std::wstring name, ItemId& id) {
  ULONG eaten = 0;
  ULONG attributes = 0;
  const HRESULT result =
      folder->ParseDisplayName(owner, nullptr, name.data(), &eaten, id.put(), &attributes);
  return SUCCEEDED(result) && id.get();
}

[[nodiscard]] bool Bind(IShellFolder* parent, LPCITEMIDLIST id, ComPtr<IShellFolder>& folder) {
  const HRESULT result = parent->BindToObject(
      id, nullptr, IID_IShellFolder, reinterpret_cast<void**>(folder.ReleaseAndGetAddressOf()));
  return SUCCEEDED(result) && folder;
}

// Only the answer word counts, not the call's result code; a word left at
// its starting 0 keeps the gate of InvokeItemCommand closed.
[[nodiscard]] DWORD CommonAttributes(IShellFolder* folder, LPCITEMIDLIST* ids, int count) {
  SFGAOF attributes = 0;
  static_cast<void>(folder->GetAttributesOf(static_cast<UINT>(count), ids, &attributes));
  return attributes;
}

[[nodiscard]] bool InvokeOnItem(HWND owner, IShellFolder* folder, const ItemId& file) {
  LPCITEMIDLIST ids[] = {file.get()};
  return InvokeItemCommand(owner, folder, ids, CommonAttributes(folder, ids, 1), 1);
}

// Every entry counts, whatever its attributes, "." and ".." included.
std::vector<std::string> FindMatchingNames(const std::string& pattern) {
  std::vector<std::string> names;
  WIN32_FIND_DATAA entry{};
  const UniqueFind search(::FindFirstFileA(pattern.c_str(), &entry));
  if (!search) return names;
  do {
    names.emplace_back(entry.cFileName);
  } while (::FindNextFileA(search.get(), &entry));
  return names;
}

[[nodiscard]] bool InvokeOnMatches(const Lookup& lookup, IShellFolder* folder,
                                   const std::string& pattern) {
  const std::vector<std::string> names = FindMatchingNames(pattern);
  if (names.empty()) return false;
  ItemIdArray ids(lookup.allocator, names.size());
  for (const std::string& name : names) {
    ItemId id(lookup.allocator);
    if (Parse(folder, lookup.owner, WideText(name), id)) ids.Append(id);
  }
  if (ids.count() == 0) return false;
  const DWORD attributes = CommonAttributes(folder, ids.data(), ids.count());
  return InvokeItemCommand(lookup.owner, folder, ids.data(), attributes, ids.count());
}

// Some files do not parse by their bare name in their own folder, yet the
// desktop's first folder child parses their full path.
[[nodiscard]] bool InvokeThroughFirstChild(const Lookup& lookup, const std::string& path) {
  const std::wstring wholePath = WideText(path);
  ComPtr<IEnumIDList> children;
  if (FAILED(lookup.desktop->EnumObjects(lookup.owner, SHCONTF_FOLDERS, children.GetAddressOf())) ||
      !children) {
    return false;
  }
  ItemId child(lookup.allocator);
  ULONG fetched = 0;
  if (children->Next(1, child.put(), &fetched) != S_OK || !child.get()) return false;
  ComPtr<IShellFolder> childFolder;
  if (!Bind(lookup.desktop, child.get(), childFolder)) return false;
  ItemId file(lookup.allocator);
  if (!Parse(childFolder.Get(), lookup.owner, wholePath, file)) return false;
  return InvokeOnItem(lookup.owner, childFolder.Get(), file);
}

struct WidePath {
  std::wstring folder;
  std::wstring name;
};

[[nodiscard]] bool InvokeForPath(const Lookup& lookup, const std::string& path,
                                 const ItemPath& parts, const WidePath& wide) {
  ItemId folderId(lookup.allocator);
  if (!Parse(lookup.desktop, lookup.owner, wide.folder, folderId)) return false;
  ComPtr<IShellFolder> folder;
  if (!Bind(lookup.desktop, folderId.get(), folder)) return false;
  if (IsPattern(parts.name)) return InvokeOnMatches(lookup, folder.Get(), path);
  ItemId file(lookup.allocator);
  if (Parse(folder.Get(), lookup.owner, wide.name, file)) {
    return InvokeOnItem(lookup.owner, folder.Get(), file);
  }
  return InvokeThroughFirstChild(lookup, path);
}

[[nodiscard]] CMINVOKECOMMANDINFO PropertiesCommand(HWND owner) noexcept {
  CMINVOKECOMMANDINFO command{};
  command.cbSize = sizeof command;
  command.hwnd = owner;
  // Some shells match verbs case-sensitively: keep it lower case.
  command.lpVerb = "properties";
  command.nShow = SW_SHOWNORMAL;
  return command;
}

}  // namespace

ShellProvider& SystemShell() noexcept {
  static SystemShellProvider shell;
  return shell;
}

ItemPath SplitItemPath(const std::string& path, UINT codePage) {
  const char* const begin = path.c_str();
  const char* const end = begin + path.size();
  const char* nameStart = begin;
  // Walking from the start is the only way to know which bytes are trail bytes.
  for (const char* at = begin; at < end && *at != '\0';
       at = ::CharNextExA(static_cast<WORD>(codePage), at, 0)) {
    if (*at == '\\' || *at == ':') nameStart = at + 1;
  }
  return {std::string(begin, nameStart), std::string(nameStart, end)};
}

bool ShowItemProperties(const std::string& path, HWND owner) {
  return ShowItemProperties(path, owner, SystemShell());
}

bool ShowItemProperties(const std::string& path, HWND owner, ShellProvider& shell) {
  const CursorGuard busy(::LoadCursor(nullptr, IDC_WAIT));
  // Declared first so that it goes last, after every id it has to free.
  ComPtr<IMalloc> allocator;
  if (FAILED(shell.GetMalloc(allocator.GetAddressOf())) || !allocator) return false;
  const ItemPath parts = SplitItemPath(path);
  const WidePath wide{WideText(parts.folder), WideText(parts.name)};
  ComPtr<IShellFolder> desktop;
  if (FAILED(shell.GetDesktopFolder(desktop.GetAddressOf())) || !desktop) return false;
  return InvokeForPath({owner, allocator.Get(), desktop.Get()}, path, parts, wide);
}

bool InvokeItemCommand(HWND owner, IShellFolder* folder, LPCITEMIDLIST* ids, DWORD attributes,
                       int count) noexcept {
  ComPtr<IContextMenu> handler;
  const HRESULT found =
      folder->GetUIObjectOf(owner, static_cast<UINT>(count), ids, IID_IContextMenu, nullptr,
                            reinterpret_cast<void**>(handler.GetAddressOf()));
  if (FAILED(found) || !handler) return false;
  if ((attributes & SFGAO_HASPROPSHEET) == 0) return false;
  CMINVOKECOMMANDINFO command = PropertiesCommand(owner);
  return SUCCEEDED(handler->InvokeCommand(&command));
}

}  // namespace libinfo
