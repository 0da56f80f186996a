#include "wine_session.h"

#include <unistd.h>

#include <cstdlib>
#include <stdexcept>

namespace wine_tests {
namespace {

std::unique_ptr<WinePrefix> Prefix;
std::string StartFailure;  // tried once per run: a prefix that cannot be made fails every test quickly

void RequireFile(const std::string& path) {
  if (access(path.c_str(), R_OK) != 0) {
    throw std::runtime_error("expected " + path + " from the win32 build (cmake --preset win32 && cmake --build --preset win32), "
                             "found nothing");
  }
}

}  // namespace

std::string Win32BuildDir() {
  const char* overridden = std::getenv("WINE_TESTS_WIN32_DIR");
  return overridden != nullptr && *overridden != '\0' ? overridden : WINE_TESTS_WIN32_DIR;
}

std::string DriversDir() { return Win32BuildDir() + "/drivers"; }

std::string HostExe() { return Win32BuildDir() + "/tests/wine/wine_test_host.exe"; }

WinePrefix& SharedPrefix() {
  if (!StartFailure.empty()) throw std::runtime_error(StartFailure);
  if (!Prefix) {
    auto prefix = std::make_unique<WinePrefix>(WINE_TESTS_STATE_DIR);
    try {
      prefix->Start();
    } catch (const std::exception& e) {
      StartFailure = std::string("Wine prefix not ready: ") + e.what();
      throw std::runtime_error(StartFailure);
    }
    Prefix = std::move(prefix);
  }
  return *Prefix;
}

void StopSharedPrefix() { Prefix.reset(); }

std::unique_ptr<HostProcess> StartHost() {
  RequireFile(HostExe());
  return std::make_unique<HostProcess>(SharedPrefix(), HostExe(), DriversDir());
}

}  // namespace wine_tests
