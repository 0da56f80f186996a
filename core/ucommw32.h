#pragma once
// The serial line unit: opens one port once, at load, for receiving; then
// tells how many received bytes wait in the driver's queue and hands them out
// one at a time. It never writes to the line, purges a queue or changes the
// line settings after the open.
#include <cstdint>

// Device name of the port ("Com2:"); set by start-up before OpenPort.
extern const char* PortName;
// Line settings as a device-control string; set by start-up before OpenPort.
extern const char* PortSettings;
// Milliseconds ReadByte waits for a byte; also the platform's total read
// and write time-out.
constexpr uint16_t ReadTimeout = 1000;
// The open port, or NoHandle (no port, or the open failed).
extern intptr_t PortHandle;
// INVALID_HANDLE_VALUE on Windows and the failed-open fd on POSIX are both -1.
constexpr intptr_t NoHandle = -1;
// What ReadByte returns when its wait ends without a byte. NUL can never end
// a frame, and it ends a number field wherever it lands.
constexpr unsigned char TimeoutChar = 0;

// Opens PortName exclusively and applies PortSettings and ReadTimeout.
// Reports nothing; a failed open leaves PortHandle at NoHandle for good.
void OpenPort();
// Received bytes waiting, modulo 65536; 0 when the queue cannot be queried.
// Reads nothing.
uint16_t BytesWaiting();
// The next received byte; polls for up to a little more than ReadTimeout and
// returns TimeoutChar if none arrives.
unsigned char ReadByte();
// Whether the last ReadByte ended its wait without a byte.
extern bool ReadTimedOut;
// Closes the port if it is open, so that a later load can open it again.
void ClosePort();
