// Hand-written stand-ins for the shell namespace objects. Each keeps its own
// reference count (the test holds the first reference) and writes what it is
// asked into a log shared by all of them, so tests can check order as well.
#pragma once

#include <windows.h>
#include <shlobj.h>

#include <functional>
#include <map>
#include <memory>
#include <new>
#include <set>
#include <string>
#include <vector>

#include "shell/ItemProp.h"

namespace fake {

using CallLog = std::vector<std::string>;

inline std::string Narrow(const std::wstring& text) {
  return std::string(text.begin(), text.end());
}
inline std::wstring Widen(const std::string& text) {
  return std::wstring(text.begin(), text.end());
}

template <typename Interface>
class RefCounted : public Interface {
 public:
  RefCounted(std::string name, const IID& iid, CallLog& log)
      : name_(std::move(name)), iid_(iid), log_(log) {}
  virtual ~RefCounted() = default;

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
    if (iid != IID_IUnknown && iid != iid_) {
      *out = nullptr;
      return E_NOINTERFACE;
    }
    AddRef();
    *out = static_cast<Interface*>(this);
    return S_OK;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return ++refs_; }
  ULONG STDMETHODCALLTYPE Release() override {
    Log("Release");
    // The test's own reference is never given back by the code under test.
    if (refs_ <= 1) {
      ++overReleases_;
      return refs_;
    }
    return --refs_;
  }

  // Every reference handed out came back exactly once.
  [[nodiscard]] bool Balanced() const { return refs_ == 1 && overReleases_ == 0; }
  [[nodiscard]] ULONG References() const { return refs_; }
  [[nodiscard]] const std::string& Name() const { return name_; }

  // Hands out one more reference, as the shell does through an out parameter.
  template <typename Out>
  void HandOut(Out** out) {
    AddRef();
    *out = this;
  }

 protected:
  void Log(const std::string& what) { log_.push_back(name_ + "." + what); }

 private:
  std::string name_;
  IID iid_;
  CallLog& log_;
  ULONG refs_ = 1;
  int overReleases_ = 0;
};

// The task allocator; item ids are blocks of its own, each with a label.
class Malloc final : public RefCounted<IMalloc> {
 public:
  explicit Malloc(CallLog& log) : RefCounted("malloc", IID_IMalloc, log) {}

  LPITEMIDLIST NewId(const std::string& label) {
    // Freed blocks are never reused, so a second Free of an id is recognised.
    blocks_.push_back(std::make_unique<char[]>(8));
    void* block = blocks_.back().get();
    live_[block] = label;
    return static_cast<LPITEMIDLIST>(block);
  }
  [[nodiscard]] std::string Label(const void* id) const {
    if (!id) return "<null>";
    const auto live = live_.find(const_cast<void*>(id));
    return live != live_.end() ? live->second : "<unknown>";
  }
  [[nodiscard]] std::size_t LiveIds() const { return live_.size(); }
  [[nodiscard]] int BadFrees() const { return badFrees_; }

  void* STDMETHODCALLTYPE Alloc(SIZE_T) override { return nullptr; }
  void* STDMETHODCALLTYPE Realloc(void*, SIZE_T) override { return nullptr; }
  void STDMETHODCALLTYPE Free(void* block) override {
    const auto live = live_.find(block);
    if (live == live_.end()) {
      Log("Free(<not live>)");
      ++badFrees_;
      return;
    }
    Log("Free(" + live->second + ")");
    live_.erase(live);
  }
  SIZE_T STDMETHODCALLTYPE GetSize(void*) override { return 8; }
  int STDMETHODCALLTYPE DidAlloc(void* block) override { return live_.count(block) ? 1 : 0; }
  void STDMETHODCALLTYPE HeapMinimize() override {}

 private:
  std::vector<std::unique_ptr<char[]>> blocks_;
  std::map<void*, std::string> live_;
  int badFrees_ = 0;
};

class EnumIdList final : public RefCounted<IEnumIDList> {
 public:
  EnumIdList(std::string name, CallLog& log, Malloc& malloc)
      : RefCounted(std::move(name), IID_IEnumIDList, log), malloc_(malloc) {}

  // Any success but S_FALSE hands out an id labelled "child".
  HRESULT next = S_OK;
  ULONG askedFor = 0;

  HRESULT STDMETHODCALLTYPE Next(ULONG count, LPITEMIDLIST* ids, ULONG* fetched) override {
    Log("Next");
    askedFor = count;
    const bool handsOut = SUCCEEDED(next) && next != S_FALSE;
    if (handsOut) ids[0] = malloc_.NewId("child");
    if (fetched) *fetched = handsOut ? 1 : 0;
    return next;
  }
  HRESULT STDMETHODCALLTYPE Skip(ULONG) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE Reset() override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE Clone(IEnumIDList**) override { return E_NOTIMPL; }

 private:
  Malloc& malloc_;
};

class ContextMenu final : public RefCounted<IContextMenu> {
 public:
  ContextMenu(std::string name, CallLog& log)
      : RefCounted(std::move(name), IID_IContextMenu, log) {}

  HRESULT result = S_OK;
  std::function<void()> whileInvoked;
  int invocations = 0;
  CMINVOKECOMMANDINFO received{};
  std::string verb;  // copied, the record's pointer lives only during the call

  HRESULT STDMETHODCALLTYPE QueryContextMenu(HMENU, UINT, UINT, UINT, UINT) override {
    return E_NOTIMPL;
  }
  HRESULT STDMETHODCALLTYPE InvokeCommand(CMINVOKECOMMANDINFO* info) override {
    Log("InvokeCommand");
    ++invocations;
    received = *info;
    if (HIWORD(reinterpret_cast<UINT_PTR>(info->lpVerb)) != 0) verb = info->lpVerb;
    if (whileInvoked) whileInvoked();
    return result;
  }
  HRESULT STDMETHODCALLTYPE GetCommandString(UINT_PTR, UINT, UINT*, LPSTR, UINT) override {
    return E_NOTIMPL;
  }
};

class ShellFolder final : public RefCounted<IShellFolder> {
 public:
  ShellFolder(std::string name, CallLog& log, Malloc& malloc)
      : RefCounted(std::move(name), IID_IShellFolder, log), malloc_(malloc) {}

  // What the folder answers; anything not listed fails.
  std::map<std::wstring, std::string> parses;  // display name -> label of the new id
  std::map<std::string, ShellFolder*> binds;   // label of an id -> folder object
  bool throwOnParse = false;
  HRESULT enumResult = S_OK;
  EnumIdList* children = nullptr;
  SFGAOF attributes = SFGAO_HASPROPSHEET | SFGAO_CANCOPY | SFGAO_FILESYSTEM;
  ContextMenu* menu = nullptr;

  // What it was asked.
  std::vector<std::wstring> parsed;
  std::vector<HWND> owners;  // from every call that takes a window
  int protocolFaults = 0;    // arguments the shell does not expect
  DWORD enumFlags = 0;
  UINT attributeCount = 0;
  std::vector<std::string> attributeIds;
  SFGAOF attributeRequest = ~0u;
  int attributeCalls = 0;
  UINT menuCount = 0;
  std::vector<std::string> menuIds;

  HRESULT STDMETHODCALLTYPE ParseDisplayName(HWND owner, IBindCtx* context, LPWSTR name, ULONG*,
                                             LPITEMIDLIST* id, ULONG* attrs) override {
    Log("Parse(" + Narrow(name) + ")");
    owners.push_back(owner);
    parsed.emplace_back(name);
    if (context || (attrs && *attrs != 0)) ++protocolFaults;
    *id = nullptr;
    if (throwOnParse) throw std::bad_alloc();
    const auto known = parses.find(name);
    if (known == parses.end()) return E_INVALIDARG;
    *id = malloc_.NewId(known->second);
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE EnumObjects(HWND owner, SHCONTF flags, IEnumIDList** list) override {
    Log("EnumObjects");
    owners.push_back(owner);
    enumFlags = flags;
    *list = nullptr;
    if (SUCCEEDED(enumResult) && children) children->HandOut(list);
    return enumResult;
  }
  HRESULT STDMETHODCALLTYPE BindToObject(LPCITEMIDLIST id, IBindCtx* context, REFIID iid,
                                         void** out) override {
    const std::string label = malloc_.Label(id);
    Log("Bind(" + label + ")");
    if (context || iid != IID_IShellFolder) ++protocolFaults;
    *out = nullptr;
    const auto known = binds.find(label);
    if (known == binds.end()) return E_FAIL;
    known->second->HandOut(reinterpret_cast<IShellFolder**>(out));
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE BindToStorage(LPCITEMIDLIST, IBindCtx*, REFIID, void**) override {
    return E_NOTIMPL;
  }
  HRESULT STDMETHODCALLTYPE CompareIDs(LPARAM, LPCITEMIDLIST, LPCITEMIDLIST) override {
    return E_NOTIMPL;
  }
  HRESULT STDMETHODCALLTYPE CreateViewObject(HWND, REFIID, void**) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetAttributesOf(UINT count, LPCITEMIDLIST* ids,
                                            SFGAOF* inOut) override {
    Log("GetAttributesOf");
    ++attributeCalls;
    attributeCount = count;
    attributeIds = Labels(count, ids);
    attributeRequest = *inOut;
    *inOut = attributes;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetUIObjectOf(HWND owner, UINT count, LPCITEMIDLIST* ids, REFIID iid,
                                          UINT* reserved, void** out) override {
    Log("GetUIObjectOf");
    owners.push_back(owner);
    menuCount = count;
    menuIds = Labels(count, ids);
    if (reserved || iid != IID_IContextMenu) ++protocolFaults;
    *out = nullptr;
    if (!menu) return E_NOINTERFACE;
    menu->HandOut(reinterpret_cast<IContextMenu**>(out));
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetDisplayNameOf(LPCITEMIDLIST, SHGDNF, STRRET*) override {
    return E_NOTIMPL;
  }
  HRESULT STDMETHODCALLTYPE SetNameOf(HWND, LPCITEMIDLIST, LPCOLESTR, SHGDNF,
                                      LPITEMIDLIST*) override {
    return E_NOTIMPL;
  }

 private:
  std::vector<std::string> Labels(UINT count, LPCITEMIDLIST* ids) const {
    std::vector<std::string> labels;
    for (UINT i = 0; i < count; ++i) labels.push_back(malloc_.Label(ids[i]));
    return labels;
  }

  Malloc& malloc_;
};

class Shell final : public libinfo::ShellProvider {
 public:
  Shell(Malloc& malloc, ShellFolder& desktop) : malloc_(malloc), desktop_(desktop) {}

  HRESULT mallocResult = S_OK;
  HRESULT desktopResult = S_OK;
  int desktopRequests = 0;

  HRESULT GetMalloc(IMalloc** allocator) noexcept override {
    *allocator = nullptr;
    if (SUCCEEDED(mallocResult)) malloc_.HandOut(allocator);
    return mallocResult;
  }
  HRESULT GetDesktopFolder(IShellFolder** desktop) noexcept override {
    ++desktopRequests;
    *desktop = nullptr;
    if (SUCCEEDED(desktopResult)) desktop_.HandOut(desktop);
    return desktopResult;
  }

 private:
  Malloc& malloc_;
  ShellFolder& desktop_;
};

}  // namespace fake
