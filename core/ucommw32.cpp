#include "ucommw32.h"

#include <cstddef>

#include "serial_platform.h"

const char* PortName = "Com2:";
const char* PortSettings = "baud=1200 parity=e data=7 stop=1";
intptr_t PortHandle = NoHandle;
bool ReadTimedOut = false;

namespace {

// NUL-terminated copies handed to the platform; longer texts are cut.
constexpr size_t TextCopySize = 64;
char PortNameCopy[TextCopySize];
char PortSettingsCopy[TextCopySize];

void CopyText(char (&destination)[TextCopySize], const char* source) {
  size_t i = 0;
  for (; source != nullptr && source[i] != '\0' && i + 1 < TextCopySize; ++i) destination[i] = source[i];
  destination[i] = '\0';
}

}  // namespace

void OpenPort() {
  CopyText(PortNameCopy, PortName);
  CopyText(PortSettingsCopy, PortSettings);
  PortHandle = PlatformOpen(PortNameCopy, PortSettingsCopy, ReadTimeout);
}

uint16_t BytesWaiting() {
  uint32_t count = 0;
  return PlatformInputQueue(PortHandle, &count) ? static_cast<uint16_t>(count) : 0;
}

unsigned char ReadByte() {
  const uint32_t start = PlatformTicks();
  for (;;) {
    unsigned char byte = 0;
    if (BytesWaiting() != 0 && PlatformReadOne(PortHandle, &byte)) {
      ReadTimedOut = false;
      return byte;
    }
    // Unsigned difference: a wait across the wrap of the clock still ends
    // after ReadTimeout.
    if (static_cast<uint32_t>(PlatformTicks() - start) > ReadTimeout) {
      ReadTimedOut = true;
      return TimeoutChar;
    }
  }
}

void ClosePort() {
  if (PortHandle == NoHandle) return;
  PlatformClose(PortHandle);
  PortHandle = NoHandle;
}
