#pragma once
// A deliverable loaded into a test host, called by name or ordinal. Every
// call is checked against the host architecture's convention as it is made:
// the stack bytes the callee removed, the registers it must preserve, the
// host's x87 control word and MXCSR unchanged and no floating-point
// exception pending. On 32-bit x86 the x87 stack is left empty or holding
// exactly the result, a floating result in ST(0) that is exactly a double
// (or a single); on x86-64 it is left empty and the result is in XMM0. A
// breach is a test failure naming the deliverable, the call and what came
// back.
#include <cstdint>
#include <string>
#include <vector>

#include "driver_interface.h"

namespace wine_tests {

class HostProcess;

class DriverModule {
 public:
  // Loads file (a name the host's LoadLibraryA resolves). Throws if the
  // load fails; a changed control word after it is a test failure.
  DriverModule(HostProcess& host, const std::string& file);

  // Loads the same file once more (LoadLibraryA again) and gives the handle
  // that came back.
  uint64_t LoadAgain();
  // FreeLibrary once; the test decides how many.
  void Free();

  const std::string& File() const { return file_; }
  uint64_t Handle() const { return handle_; }
  HostProcess& Host() { return host_; }

  Answer Call(const std::string& name, const std::vector<Arg>& args = {});
  // The same call, looked up by ordinal instead of by name.
  Answer CallByOrdinal(const std::string& name, const std::vector<Arg>& args = {});
  // GetProcAddress by name or by "#ordinal"; 0 when there is none.
  uint64_t Address(const std::string& nameOrOrdinal);

  // Bytes at an address in the host.
  std::string Read(uint64_t address, size_t count);
  // A double placed in the host's memory, for psad's p.
  uint64_t StoreDouble(uint64_t bits);

 private:
  Answer Invoke(const Signature& signature, const std::string& target, const std::vector<Arg>& args);

  HostProcess& host_;
  std::string file_;
  uint64_t handle_ = 0;
};

}  // namespace wine_tests
