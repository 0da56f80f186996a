// The call command on 32-bit x86: EAX, EDX and ECX, and words pushed on the
// stack in the order given.
//   eax=W edx=W ecx=W push=W,W,...
//   -> eax=W edx=W popped=N saved=ok|REGS depth=N [st0=E] cw=C sw=S mxcsr=X
// popped is what the callee removed (decimal); saved lists the registers
// among EBX, ESI, EDI, EBP that it did not preserve; depth is the x87 stack
// depth it left; st0 is ST(0) as 20 hex digits (sign and exponent first).
#include <cstdio>
#include <cstring>

#include "call_registers.h"
#include "call_thunk.h"

namespace call_registers {
namespace {

constexpr size_t MaxStackWords = 64;

ThunkCall Current;
uint32_t Words[MaxStackWords];

bool TakeWord(const char* text, uint32_t* word) {
  uint64_t value;
  if (!ParseHexValue(text, UINT32_MAX, &value)) return false;
  *word = static_cast<uint32_t>(value);
  return true;
}

}  // namespace

const char Architecture[] = "i386";
const char Usage[] = "[eax=W] [edx=W] [ecx=W] [push=W,...]";

void Begin(const void* target) {
  Current = ThunkCall{};
  Current.target = target;
  Current.stack = Words;
}

Taken Take(char* arg) {
  uint32_t* const registers[] = {&Current.eax, &Current.edx, &Current.ecx};
  const char* const names[] = {"eax=", "edx=", "ecx="};
  for (int r = 0; r < 3; ++r) {
    if (std::strncmp(arg, names[r], 4) == 0) return TakeWord(arg + 4, registers[r]) ? Taken::Yes : Taken::Malformed;
  }
  if (std::strncmp(arg, "push=", 5) != 0) return Taken::No;
  for (char* word = std::strtok(arg + 5, ","); word != nullptr; word = std::strtok(nullptr, ",")) {
    if (Current.stackWords == MaxStackWords || !TakeWord(word, &Words[Current.stackWords])) return Taken::Malformed;
    ++Current.stackWords;
  }
  return Taken::Yes;
}

void Run(uint32_t seed) {
  for (uint32_t r = 0; r < 4; ++r) Current.sentinel[r] = seed ^ (0x11111111u * (r + 1));
  RunThunkCall(&Current);
}

void Report(char* out, size_t size) {
  Appender add(out, size);
  add("eax=%08X edx=%08X popped=%d saved=", static_cast<unsigned>(Current.eaxOut),
      static_cast<unsigned>(Current.edxOut), static_cast<int>(Current.popped));
  static const char* const names[4] = {"ebx", "esi", "edi", "ebp"};
  bool allKept = true;
  for (int r = 0; r < 4; ++r) {
    if (Current.kept[r] == Current.sentinel[r]) continue;
    add("%s%s", allKept ? "" : ",", names[r]);
    allKept = false;
  }
  if (allKept) add("ok");

  uint16_t cw, sw, tags;
  std::memcpy(&cw, Current.fpuEnv + 0, 2);
  std::memcpy(&sw, Current.fpuEnv + 4, 2);
  std::memcpy(&tags, Current.fpuEnv + 8, 2);
  int depth = 0;
  for (int r = 0; r < 8; ++r) depth += ((tags >> (2 * r)) & 3) != 3;
  add(" depth=%d", depth);
  if (Current.st0Valid) {
    add(" st0=");
    for (int i = 9; i >= 0; --i) add("%02X", Current.st0[i]);
  }
  add(" cw=%04X sw=%04X mxcsr=%08X", cw, sw, static_cast<unsigned>(Current.mxcsrOut));
}

uintptr_t ResultAddress() { return Current.eaxOut; }

}  // namespace call_registers
