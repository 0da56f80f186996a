// Start-up and finalisation. Start-up runs once per load, before any export
// can be called: the serial unit already holds its values at load, then the
// deliverable's port and the line settings are set and the port is opened.
// A failed open still loads: it shows only as analog inputs that never change.
#include "deliverable.h"
#include "ucommw32.h"

namespace {

const char LineSettings[] = "baud=9600 parity=n data=8 stop=1";

void StartUp() {
  PortName = DeliverablePortName;
  PortSettings = LineSettings;
  OpenPort();
}

// Closing at unload lets a later load in the same process open the port
// again; at process exit the system closes it anyway.
void Finalise(bool unloadedByHost) {
  if (unloadedByHost) ClosePort();
}

}  // namespace

#if defined(_WIN32)
#include <windows.h>

extern "C" BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID reserved) {
  if (reason == DLL_PROCESS_ATTACH) StartUp();
  if (reason == DLL_PROCESS_DETACH) Finalise(reserved == nullptr);
  return TRUE;
}
#else
__attribute__((constructor)) static void LibraryLoaded() { StartUp(); }
__attribute__((destructor)) static void LibraryUnloaded() { Finalise(true); }
#endif
