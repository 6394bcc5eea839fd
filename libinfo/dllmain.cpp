// Module start-up. Nothing here touches windows, OLE or other libraries: this
// runs under the loader lock, where such calls can deadlock the host.
#include <windows.h>

// The C++ runtime's own release of what it allocates once per module (the
// emergency buffer for throwing exceptions when memory runs out), meant for
// leak checkers. Declared here as it is in no header.
namespace __gnu_cxx {
void __freeres();
}

namespace {

// The statically linked runtime keeps a record for every thread that used
// its once-only and thread-local support (one-time initialisation of local
// statics, exception state): a duplicate of the thread's handle, an event and
// a little memory. It frees the record when the thread ends, never when the
// library is unloaded, so a host that loads and unloads the plug-in on its
// GUI thread would keep two handles per load for as long as it runs. The
// runtime does its per-thread clean-up in the module's thread-local storage
// callbacks; the thread unloading the module is done with it, so it gets
// that clean-up now, as if it ended.
void ReleaseRuntimeStateOfThisThread(HINSTANCE instance) noexcept {
  const auto base = reinterpret_cast<const BYTE*>(instance);
  const auto dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
  const auto nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
  const IMAGE_DATA_DIRECTORY& entry = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_TLS];
  if (entry.VirtualAddress == 0) return;
  const auto tls = reinterpret_cast<const IMAGE_TLS_DIRECTORY*>(base + entry.VirtualAddress);
  auto callback = reinterpret_cast<const PIMAGE_TLS_CALLBACK*>(tls->AddressOfCallBacks);
  for (; callback && *callback; ++callback) (*callback)(instance, DLL_THREAD_DETACH, nullptr);
}

}  // namespace

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved) {
  if (reason == DLL_PROCESS_ATTACH) ::DisableThreadLibraryCalls(instance);
  // Unloaded by the host (not the process ending, when nothing needs
  // freeing): the runtime linked into this module would otherwise keep its
  // per-load memory (about 70 KB in a 64-bit build) in the host's heap.
  if (reason == DLL_PROCESS_DETACH && reserved == nullptr) {
    ReleaseRuntimeStateOfThisThread(instance);
    __gnu_cxx::__freeres();
  }
  return TRUE;
}
