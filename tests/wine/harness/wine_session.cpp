#include "wine_session.h"

#include <unistd.h>

#include <cstdlib>
#include <stdexcept>

namespace wine_tests {
namespace {

WindowsTarget Selected = WindowsTarget::Win32;
std::unique_ptr<WinePrefix> Prefix;
std::string StartFailure;  // tried once per run: a prefix that cannot be made fails every test quickly

void RequireFile(const std::string& path) {
  if (access(path.c_str(), R_OK) != 0) {
    const std::string preset = Selected == WindowsTarget::Win64 ? "win64" : "win32";
    throw std::runtime_error("expected " + path + " from the " + preset + " build (cmake --preset " + preset +
                             " && cmake --build --preset " + preset + "), found nothing");
  }
}

std::string BuildDir(const char* variable, const char* configured) {
  const char* overridden = std::getenv(variable);
  return overridden != nullptr && *overridden != '\0' ? overridden : configured;
}

}  // namespace

void SelectTarget(WindowsTarget target) { Selected = target; }
WindowsTarget Target() { return Selected; }

std::string Win32BuildDir() { return BuildDir("WINE_TESTS_WIN32_DIR", WINE_TESTS_WIN32_DIR); }
std::string Win64BuildDir() { return BuildDir("WINE_TESTS_WIN64_DIR", WINE_TESTS_WIN64_DIR); }

std::string WindowsBuildDir() { return Selected == WindowsTarget::Win64 ? Win64BuildDir() : Win32BuildDir(); }

std::string DriversDir() { return WindowsBuildDir() + "/drivers"; }

std::string HostExe() { return WindowsBuildDir() + "/tests/wine/wine_test_host.exe"; }

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
  auto host = std::make_unique<HostProcess>(SharedPrefix(), HostExe(), DriversDir());
  const HostArchitecture expected =
      Selected == WindowsTarget::Win64 ? HostArchitecture::X86_64 : HostArchitecture::I386;
  if (host->Architecture() != expected) {
    throw std::runtime_error(HostExe() + ": expected a " + (expected == HostArchitecture::X86_64 ? "64" : "32") +
                             "-bit test host, it announces another architecture");
  }
  return host;
}

}  // namespace wine_tests
