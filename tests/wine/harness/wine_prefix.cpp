#include "wine_prefix.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <thread>

#include "subprocess.h"

namespace wine_tests {
namespace {

namespace fs = std::filesystem;

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

// Replaces whatever is at link by a symbolic link to target, atomically.
void Relink(const std::string& link, const std::string& target) {
  const std::string temporary = link + ".new";
  unlink(temporary.c_str());
  if (symlink(target.c_str(), temporary.c_str()) != 0 || rename(temporary.c_str(), link.c_str()) != 0) {
    throw std::runtime_error("cannot link " + link + " to " + target + ": " + std::strerror(errno));
  }
}

}  // namespace

WinePrefix::WinePrefix(std::string stateDir) : state_(std::move(stateDir)), prefix_(state_ + "/prefix") {}

WinePrefix::~WinePrefix() { Stop(); }

std::vector<std::string> WinePrefix::Environment() const {
  return {"WINEPREFIX=" + prefix_,
          // 64-bit: it runs the 64-bit test host, and the 32-bit one beside it.
          "WINEARCH=win64",
          "WINEDEBUG=-all",
          // No Mono or Gecko installer at the first start.
          "WINEDLLOVERRIDES=mscoree,mshtml=",
          // Console programs only: no window, whatever the developer's session has.
          "DISPLAY", "WAYLAND_DISPLAY"};
}

std::string WinePrefix::PortLink(int com) const { return state_ + "/ports/com" + std::to_string(com); }

void WinePrefix::PointPort(int com, const std::string& target) const { Relink(PortLink(com), target); }

void WinePrefix::RemovePort(int com) const { unlink(PortLink(com).c_str()); }

void WinePrefix::RunOrThrow(const std::vector<std::string>& argv, int timeoutSeconds) const {
  const CommandResult result = RunCommand(argv, Environment(), std::chrono::seconds(timeoutSeconds));
  if (result.exitCode != 0) {
    throw std::runtime_error("'" + JoinCommand(argv) + "' in " + prefix_ + ": expected exit code 0, got " +
                             std::to_string(result.exitCode) + "; output:\n" + result.output);
  }
}

void WinePrefix::Create() {
  RunCommand({"wineserver", "-k"}, Environment(), std::chrono::seconds(30));
  fs::remove_all(prefix_);
  RunOrThrow({"wineboot", "-i"}, 600);
  for (int com = 1; com <= Ports; ++com) {
    RunOrThrow({"wine", "reg", "add", "HKLM\\Software\\Wine\\Ports", "/v", "COM" + std::to_string(com), "/t",
                "REG_SZ", "/d", PortLink(com), "/f"},
               120);
  }
  // Waits until the server has written the registry to disk.
  RunOrThrow({"wineserver", "-w"}, 120);
}

void WinePrefix::Start() {
  fs::create_directories(state_ + "/ports");
  lock_ = open((state_ + "/lock").c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
  if (lock_ < 0 || flock(lock_, LOCK_EX) != 0) {
    throw std::runtime_error("cannot lock " + state_ + "/lock: " + std::strerror(errno));
  }

  std::string stamp = "wine prefix for the driver tests\nWINEARCH=win64\n";
  for (int com = 1; com <= Ports; ++com) stamp += "COM" + std::to_string(com) + "=" + PortLink(com) + "\n";
  // Inside the prefix, so that a prefix deleted by hand is made again.
  const std::string stampPath = prefix_ + "/driver-tests.stamp";
  if (ReadFile(stampPath) != stamp) {
    Create();
    std::ofstream(stampPath, std::ios::binary) << stamp;
  }
  // The registry keeps Wine from relinking these at start-up; setting them
  // here too spares waiting for Wine's device manager to do it.
  for (int com = 1; com <= Ports; ++com) {
    Relink(prefix_ + "/dosdevices/com" + std::to_string(com), PortLink(com));
  }
  StartServer();
}

// The server runs in the foreground as our child, not as a daemon: a daemon
// leads a session of its own and takes the first pty it opens as its
// controlling terminal, and then each pty we close would hang it up.
// Persistent while the tests run; it ends on its own a minute after the
// last client if this process dies before Stop.
void WinePrefix::StartServer() {
  RunCommand({"wineserver", "-k"}, Environment(), std::chrono::seconds(30));
  RunCommand({"wineserver", "-w"}, Environment(), std::chrono::seconds(30));
  server_ = std::make_unique<Subprocess>(std::vector<std::string>{"wineserver", "-f", "-p60"}, Environment(), "");
  // It is ready once it listens: it works in its server folder, where the
  // socket appears.
  const std::string cwdLink = "/proc/" + std::to_string(server_->Pid()) + "/cwd";
  auto listening = [&] {
    char folder[4096];
    const ssize_t n = readlink(cwdLink.c_str(), folder, sizeof folder - 1);
    if (n <= 0) return false;
    const std::string dir(folder, static_cast<size_t>(n));
    return dir.find("/server-") != std::string::npos && access((dir + "/socket").c_str(), F_OK) == 0;
  };
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
  while (!listening()) {
    int status;
    if (server_->TryWait(&status)) {
      throw std::runtime_error("wineserver -f -p60: expected it to keep running, it ended with status " +
                               std::to_string(status));
    }
    if (std::chrono::steady_clock::now() > deadline) {
      throw std::runtime_error("wineserver -f -p60: expected it to listen within 30 s, it does not");
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
}

void WinePrefix::Stop() {
  if (server_) {
    RunCommand({"wineserver", "-k"}, Environment(), std::chrono::seconds(30));
    server_->Wait(std::chrono::seconds(30));
    server_.reset();
  }
  if (lock_ >= 0) close(lock_);
  lock_ = -1;
}

}  // namespace wine_tests
