#pragma once
// What the probe needs from the system: loading a library, time, Ctrl-C and
// writing UTF-8 so that it reaches the terminal unchanged. One file per
// platform implements it (probe_platform_win32.cpp, probe_platform_posix.cpp).
#include <string>

bool FileExists(const std::string& path);
// Loads the library at path; null with the system's reason in *error.
void* OpenLibrary(const std::string& path, std::string* error);
void* FindSymbol(void* library, const char* name);

// Sleeps, returning early once an interrupt has arrived.
void SleepSeconds(double seconds);
// Seconds from a monotonic clock.
double MonotonicSeconds();
// The current time: ISO 8601 in UTC with milliseconds ("2024-05-01T09:30:00.250Z"),
// or the local time of day ("11:30:00.2").
std::string UtcTimestamp();
std::string LocalTimeOfDay();

// Ctrl-C (SIGINT, SIGTERM, or the console's break events) sets a flag
// instead of ending the process, so that output is completed.
void CatchInterrupts();
bool Interrupted();

// Writes UTF-8 text to standard output or standard error as it is.
void WriteStandardOutput(const std::string& utf8);
void WriteStandardError(const std::string& utf8);
