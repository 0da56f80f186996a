#pragma once
// A Windows test host (tests/wine/host) running under Wine, driven one
// command line at a time. See host_main.cpp for the commands.
#include <cstdint>
#include <map>
#include <memory>
#include <string>

#include "subprocess.h"

namespace wine_tests {

class WinePrefix;

// One answer line: "ok key=value ..." or "error ...".
struct Reply {
  std::string line;
  bool ok = false;
  std::map<std::string, std::string> fields;

  bool Has(const std::string& key) const { return fields.count(key) != 0; }
  // Throws, quoting the line, when key is missing or malformed.
  const std::string& Field(const std::string& key) const;
  uint64_t Hex(const std::string& key) const;
  int Decimal(const std::string& key) const;
  std::string Bytes(const std::string& key) const;  // a field of hex pairs as bytes
};
Reply ParseReply(const std::string& line);

// Hex pairs, upper case.
std::string HexBytes(const std::string& bytes);

// The test host's architecture, as it announces itself when ready.
enum class HostArchitecture { I386, X86_64 };

class HostProcess {
 public:
  // Starts hostExe under Wine in workDir (a host finds DLLs named without a
  // path there) and waits for it to be ready. Throws if it does not start.
  HostProcess(const WinePrefix& prefix, const std::string& hostExe, const std::string& workDir);
  ~HostProcess();

  // Sends one command and returns its answer. Throws when the host does not
  // answer in time, has ended, or reports a fault.
  Reply Command(const std::string& command, Milliseconds timeout = Milliseconds(10000));
  // The same, and throws unless the answer is "ok".
  Reply Ok(const std::string& command);

  pid_t Pid() const { return process_->Pid(); }
  HostArchitecture Architecture() const { return architecture_; }
  // The floating-point control words the host runs with: as it started,
  // then as the last fpu command set them.
  uint16_t ControlWord() const { return controlWord_; }
  uint32_t Mxcsr() const { return mxcsr_; }
  void SetFpu(uint16_t controlWord, uint32_t mxcsr);

 private:
  std::unique_ptr<Subprocess> process_;
  HostArchitecture architecture_ = HostArchitecture::I386;
  uint16_t controlWord_ = 0;
  uint32_t mxcsr_ = 0;
};

}  // namespace wine_tests
