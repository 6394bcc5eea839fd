// Module start-up. Nothing here touches windows, OLE or other libraries: this
// runs under the loader lock, where such calls can deadlock the host.
#include <windows.h>

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID /*reserved*/) {
  if (reason == DLL_PROCESS_ATTACH) ::DisableThreadLibraryCalls(instance);
  return TRUE;
}
