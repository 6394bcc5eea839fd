// Reader of one file's version resource: the resource is copied into memory
// once, and every answer is looked up afresh in that copy through the
// platform's query function.
#pragma once

#include <windows.h>

#include <memory>
#include <string>

namespace libinfo {

// A version as VS_FIXEDFILEINFO holds it: most significant word first.
struct VersionNumber {
  DWORD MS;
  DWORD LS;
};

// Dotted decimal text of the four unsigned 16-bit parts, e.g. 5.1.2600.0.
std::string FormatVersionNumber(const VersionNumber& number);

// Where the copy of a resource lives. The default uses the heap; tests place
// the block so that its end touches an inaccessible page.
struct VersionBufferPolicy {
  BYTE* (*allocate)(DWORD size);  // may throw, never returns null
  void (*release)(BYTE* block) noexcept;
};

const VersionBufferPolicy& HeapVersionBuffer() noexcept;

class TVersionInfo {
 public:
  explicit TVersionInfo(const std::string& path,
                        const VersionBufferPolicy& buffer = HeapVersionBuffer());
  TVersionInfo(const TVersionInfo&) = delete;
  TVersionInfo& operator=(const TVersionInfo&) = delete;
  virtual ~TVersionInfo() = default;

  [[nodiscard]] bool Valid() const noexcept { return FInfoValid; }
  [[nodiscard]] std::string FileDescription() const;
  [[nodiscard]] std::string ProductName() const;
  [[nodiscard]] std::string FileVersion() const;
  [[nodiscard]] std::string ProductVersion() const;

 protected:
  // Reachable by subclasses so that tests can pin the lookup rules down.
  [[nodiscard]] const void* GetTranslation() const noexcept;
  [[nodiscard]] std::string GetTranslationKey() const noexcept;
  [[nodiscard]] const VS_FIXEDFILEINFO* GetFixedInfo() const noexcept;
  void GetFileVersionNumber(VersionNumber& number) const noexcept;
  void GetProductVersionNumber(VersionNumber& number) const noexcept;
  [[nodiscard]] std::string GetStringValue(const std::string& name) const;

 private:
  class BufferRelease {
   public:
    explicit BufferRelease(void (*release)(BYTE*) noexcept = nullptr) noexcept
        : release_(release) {}
    void operator()(BYTE* block) const noexcept { release_(block); }

   private:
    void (*release_)(BYTE*) noexcept;
  };

  void Load(const VersionBufferPolicy& buffer);
  [[nodiscard]] bool TreeFitsCopy() const noexcept;
  [[nodiscard]] bool Query(const char* subBlock, const BYTE*& address, UINT& length) const noexcept;
  [[nodiscard]] bool Holds(const BYTE* address, size_t length) const noexcept;
  [[nodiscard]] size_t BytesFrom(const BYTE* address) const noexcept;
  [[nodiscard]] std::string VersionOrFallback(const char* name,
                                              void (TVersionInfo::*number)(VersionNumber&)
                                                  const noexcept) const;

  std::string FPath;
  bool FInfoValid = false;
  DWORD FInfoSize = 0;
  std::unique_ptr<BYTE[], BufferRelease> FInfoData;
  DWORD FInfoHandle = 0;
};

}  // namespace libinfo
