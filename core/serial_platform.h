#pragma once
// The handful of platform calls behind the serial line unit. One file per
// platform implements them (kernel32, termios, and the scripted fake line of
// the unit tests); everything above them is written once.
#include <cstdint>

// Opens the device exclusively and synchronously, applies the settings
// string and the time-out; returns the handle or NoHandle. Tests nothing it
// need not: every configuration step runs whatever the earlier ones gave.
intptr_t PlatformOpen(const char* name, const char* settings, uint16_t timeoutMs);
// Clears the line's error flags and gives the input-queue count; false when
// the query fails.
bool PlatformInputQueue(intptr_t handle, uint32_t* count);
// Reads at most one byte; true when one was read.
bool PlatformReadOne(intptr_t handle, unsigned char* byte);
// Milliseconds from a monotonic clock, cut to 32 bits.
uint32_t PlatformTicks();
void PlatformClose(intptr_t handle);
