#pragma once
// How a call of the driver interface is laid out on 32-bit Windows.
//   Register convention (names without std): the first three integer or
//   pointer parameters in EAX, EDX, ECX; doubles and singles pushed on the
//   stack left to right, so the last lies nearest the return address.
//   Stdcall (std names): every parameter pushed right to left.
// In both the callee removes its stack parameters.
#include <cstdint>
#include <string>
#include <vector>

#include "driver_interface.h"

namespace wine_tests {

struct I386Call {
  uint32_t registers[3] = {0, 0, 0};  // EAX, EDX, ECX
  std::vector<uint32_t> pushes;       // in push order
  int stackBytes = 0;                 // what the callee must remove
};

// Throws when args do not match the signature's parameters.
I386Call LayOutI386(const Signature& signature, const std::vector<Arg>& args);

// The host's call command for it: "eax=.. edx=.. ecx=.. push=..".
std::string I386CallArguments(const I386Call& call);

}  // namespace wine_tests
