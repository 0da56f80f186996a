// The call command on x86-64, Microsoft x64 convention: the first four
// parameters in RCX, RDX, R8, R9, or in XMM0 to XMM3 when they are floating;
// the caller keeps its stack, and the result comes back in RAX or XMM0.
//   rcx=Q rdx=Q r8=Q r9=Q xmm0=Q xmm1=Q xmm2=Q xmm3=Q   (an XMM value is its low half)
//   -> rax=Q xmm0=Q popped=N saved=ok|REGS depth=N cw=C sw=S mxcsr=X
// popped is what the callee removed besides its return address (decimal,
// 0 in this convention); saved lists the registers among RBX, RBP, RSI, RDI,
// R12 to R15 and XMM6 to XMM15 that it did not preserve; depth is the x87
// stack depth it left.
#include <cstring>

#include "call_registers.h"
#include "call_thunk_x86_64.h"

namespace call_registers {
namespace {

ThunkCall64 Current;

}  // namespace

const char Architecture[] = "x86-64";
const char Usage[] = "[rcx=Q] [rdx=Q] [r8=Q] [r9=Q] [xmm0=Q] [xmm1=Q] [xmm2=Q] [xmm3=Q]";

void Begin(const void* target) {
  Current = ThunkCall64{};
  Current.target = target;
}

Taken Take(char* arg) {
  static const char* const names[8] = {"rcx=", "rdx=", "r8=", "r9=", "xmm0=", "xmm1=", "xmm2=", "xmm3="};
  uint64_t* const registers[8] = {&Current.integer[0], &Current.integer[1], &Current.integer[2], &Current.integer[3],
                                  &Current.xmm[0],     &Current.xmm[1],     &Current.xmm[2],     &Current.xmm[3]};
  for (int r = 0; r < 8; ++r) {
    const size_t length = std::strlen(names[r]);
    if (std::strncmp(arg, names[r], length) == 0) {
      return ParseHexValue(arg + length, UINT64_MAX, registers[r]) ? Taken::Yes : Taken::Malformed;
    }
  }
  return Taken::No;
}

void Run(uint32_t seed) {
  for (uint64_t r = 0; r < 8; ++r) {
    Current.sentinel[r] = (uint64_t{seed ^ (0x11111111u * static_cast<uint32_t>(r + 1))} << 32) | (seed + r);
  }
  for (uint64_t w = 0; w < 20; ++w) {
    Current.xmmSentinel[w] = (uint64_t{seed ^ 0xA5A5A5A5u} << 32) | (0x01010101u * static_cast<uint32_t>(w + 1));
  }
  RunThunkCall64(&Current);
}

void Report(char* out, size_t size) {
  Appender add(out, size);
  add("rax=%016llX xmm0=%016llX popped=%d saved=", static_cast<unsigned long long>(Current.raxOut),
      static_cast<unsigned long long>(Current.xmm0Out), static_cast<int>(Current.popped));
  static const char* const names[8] = {"rbx", "rbp", "rsi", "rdi", "r12", "r13", "r14", "r15"};
  bool allKept = true;
  for (int r = 0; r < 8; ++r) {
    if (Current.kept[r] == Current.sentinel[r]) continue;
    add("%s%s", allKept ? "" : ",", names[r]);
    allKept = false;
  }
  for (int x = 0; x < 10; ++x) {
    if (std::memcmp(Current.xmmKept + 2 * x, Current.xmmSentinel + 2 * x, 16) == 0) continue;
    add("%sxmm%d", allKept ? "" : ",", x + 6);
    allKept = false;
  }
  if (allKept) add("ok");

  uint16_t cw, sw, tags;
  std::memcpy(&cw, Current.fpuEnv + 0, 2);
  std::memcpy(&sw, Current.fpuEnv + 4, 2);
  std::memcpy(&tags, Current.fpuEnv + 8, 2);
  int depth = 0;
  for (int r = 0; r < 8; ++r) depth += ((tags >> (2 * r)) & 3) != 3;
  add(" depth=%d cw=%04X sw=%04X mxcsr=%08X", depth, cw, sw, static_cast<unsigned>(Current.mxcsrOut));
}

uintptr_t ResultAddress() { return Current.raxOut; }

}  // namespace call_registers
