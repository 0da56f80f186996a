// kernel32 behind the serial line unit.
#include <windows.h>

#include "serial_platform.h"
#include "ucommw32.h"

namespace {

// Working records, kept for the life of the library.
DCB LineSettings;
COMMTIMEOUTS Timeouts;
DWORD ErrorFlags;
COMSTAT Status;

HANDLE AsHandle(intptr_t handle) { return reinterpret_cast<HANDLE>(handle); }

}  // namespace

intptr_t PlatformOpen(const char* name, const char* settings, uint16_t timeoutMs) {
  HANDLE port = CreateFileA(name, GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  SetupComm(port, 256, 256);
  LineSettings.DCBlength = sizeof LineSettings;
  GetCommState(port, &LineSettings);
  BuildCommDCBA(settings, &LineSettings);
  SetCommState(port, &LineSettings);
  Timeouts.ReadIntervalTimeout = 0;
  Timeouts.ReadTotalTimeoutMultiplier = 0;
  Timeouts.ReadTotalTimeoutConstant = timeoutMs;
  Timeouts.WriteTotalTimeoutMultiplier = 0;
  Timeouts.WriteTotalTimeoutConstant = timeoutMs;
  SetCommTimeouts(port, &Timeouts);
  return reinterpret_cast<intptr_t>(port);
}

bool PlatformInputQueue(intptr_t handle, uint32_t* count) {
  if (!ClearCommError(AsHandle(handle), &ErrorFlags, &Status)) return false;
  *count = Status.cbInQue;
  return true;
}

bool PlatformReadOne(intptr_t handle, unsigned char* byte) {
  DWORD read = 0;
  ReadFile(AsHandle(handle), byte, 1, &read, nullptr);
  return read > 0;
}

uint32_t PlatformTicks() { return GetTickCount(); }

void PlatformClose(intptr_t handle) { CloseHandle(AsHandle(handle)); }
