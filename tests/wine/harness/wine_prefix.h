#pragma once
// A private Wine prefix inside the build tree. It is made once (a stamp file
// marks it complete) and reused; COM1 and COM2 are named in its registry as
// links of our own, so Wine never replaces them with a serial device it
// detects, and a test re-points those links at its own pseudo-terminal. A
// persistent wineserver runs while the prefix is in use, so that hosts
// start quickly, and is killed at the end.
#include <memory>
#include <string>
#include <vector>

namespace wine_tests {

class Subprocess;

class WinePrefix {
 public:
  explicit WinePrefix(std::string stateDir);
  ~WinePrefix();
  WinePrefix(const WinePrefix&) = delete;
  WinePrefix& operator=(const WinePrefix&) = delete;

  // Makes the prefix when it is missing or incomplete, then starts the
  // wineserver. Holds a lock on the state folder until Stop, so two runs
  // never share the port links. Throws with what failed.
  void Start();
  // Kills the wineserver and every process of the prefix.
  void Stop();

  // What a Wine process of this prefix needs in its environment.
  std::vector<std::string> Environment() const;
  const std::string& Path() const { return prefix_; }
  // The folder that holds the prefix, the port links and the lock.
  const std::string& StateDir() const { return state_; }

  // The link that the prefix's COMn leads to, and ways to set it: at a
  // device (a pty), at something that cannot be opened, or at nothing.
  std::string PortLink(int com) const;
  void PointPort(int com, const std::string& target) const;
  void RemovePort(int com) const;

  static constexpr int Ports = 2;

 private:
  void Create();
  void RunOrThrow(const std::vector<std::string>& argv, int timeoutSeconds) const;
  void StartServer();

  std::string state_;
  std::string prefix_;
  int lock_ = -1;
  std::unique_ptr<Subprocess> server_;
};

}  // namespace wine_tests
