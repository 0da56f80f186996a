#pragma once
// What every Wine test of a run shares: where the Windows build is, and one
// private prefix with its wineserver, started at first use and stopped when
// the run ends (StopSharedPrefix, called by the test main).
#include <memory>
#include <string>

#include "host_process.h"
#include "wine_prefix.h"

namespace wine_tests {

// The win32 build tree (a CMake cache variable; WINE_TESTS_WIN32_DIR in the
// environment overrides it), its drivers folder and the test host in it.
std::string Win32BuildDir();
std::string DriversDir();
std::string HostExe();

WinePrefix& SharedPrefix();
void StopSharedPrefix();

// A fresh test host in the drivers folder, so DLLs load by file name.
std::unique_ptr<HostProcess> StartHost();

}  // namespace wine_tests
