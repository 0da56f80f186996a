#pragma once
// How a call of the driver interface is laid out on 64-bit Windows, where
// both halves of the interface share the one Microsoft x64 convention:
// parameter i (of at most four) travels in RCX, RDX, R8, R9 when it is an
// integer or a pointer and in XMM0 to XMM3 when it is floating, so the
// index is always first and the value second, std or not. Integers and
// singles fill only the low 32 bits: the rest of the register is junk the
// callee must ignore. The caller removes nothing, the callee nothing.
#include <cstdint>
#include <string>
#include <vector>

#include "driver_interface.h"

namespace wine_tests {

struct X64Call {
  uint64_t integer[4];  // RCX, RDX, R8, R9
  uint64_t xmm[4];      // low halves of XMM0 to XMM3
};

// What registers hold besides the arguments: in the upper halves of 32-bit
// arguments, and in the argument registers that carry nothing.
constexpr uint64_t UpperJunk = 0xA5A5A5A500000000;
constexpr uint64_t UnusedIntegerRegister = 0x5A5A5A5A5A5A5A5A;  // an address that faults if used
constexpr uint64_t UnusedXmmRegister = 0x4053400000000000;      // 77.0: an index with no channel

// Throws when args do not match the signature's parameters.
X64Call LayOutX64(const Signature& signature, const std::vector<Arg>& args);

// The host's call command for it: "rcx=.. rdx=.. r8=.. r9=.. xmm0=.. ..".
std::string X64CallArguments(const X64Call& call);

}  // namespace wine_tests
