#pragma once
// What every Wine test of a run shares: which Windows build it tests, where
// that build is, and one private prefix with its wineserver, started at
// first use and stopped when the run ends (StopSharedPrefix, called by the
// test main). The prefix is 64-bit, so it runs the 32-bit and the 64-bit
// test host alike.
#include <memory>
#include <string>

#include "host_process.h"
#include "wine_prefix.h"

namespace wine_tests {

// The Windows build a run tests: win32 (i686 DLLs and host) unless the
// test main selects win64 (x86-64 DLLs and host).
enum class WindowsTarget { Win32, Win64 };
void SelectTarget(WindowsTarget target);
WindowsTarget Target();

// The win32 and win64 build trees (CMake cache variables; WINE_TESTS_WIN32_DIR
// and WINE_TESTS_WIN64_DIR in the environment override them).
std::string Win32BuildDir();
std::string Win64BuildDir();
// The selected build's tree, its drivers folder and the test host in it.
std::string WindowsBuildDir();
std::string DriversDir();
std::string HostExe();

WinePrefix& SharedPrefix();
void StopSharedPrefix();

// A fresh test host of the selected build, in its drivers folder so that DLLs
// load by file name. Throws when it is not of the build's architecture.
std::unique_ptr<HostProcess> StartHost();

}  // namespace wine_tests
