// The attach hook: on process attach, find the settings file once. Loading
// always proceeds. Nothing is released on detach; the plug-in holds nothing.
#include "plugin/settings.h"

#ifdef _WIN32

#include <windows.h>

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID /*reserved*/) {
  if (reason == DLL_PROCESS_ATTACH) attachSettings(instance);
  return TRUE;
}

#else

namespace {
// A shared object has no module handle; an address inside it names it.
__attribute__((constructor)) void attachPlugin() {
  attachSettings(reinterpret_cast<platform::ModuleHandle>(&attachPlugin));
}
}  // namespace

#endif
