#pragma once
// One call into a foreign export under the Microsoft x64 convention, driven
// by data: the four integer and the four XMM argument registers, and what
// the callee left behind. The thunk loads known values into every register
// the callee must preserve and reports what it finds in them afterwards, so
// a convention mismatch shows as data instead of a crash.
#include <cstddef>
#include <cstdint>

struct ThunkCall64 {
  // Given.
  const void* target;
  uint64_t integer[4];       // RCX, RDX, R8, R9
  uint64_t xmm[4];           // low halves of XMM0 to XMM3; their high halves are zero
  uint64_t sentinel[8];      // loaded into RBX, RBP, RSI, RDI, R12 to R15 before the call
  uint64_t xmmSentinel[20];  // loaded into XMM6 to XMM15, two words each
  // Found after the call.
  uint64_t raxOut;
  uint64_t xmm0Out;          // low half of XMM0
  int64_t popped;            // bytes the callee removed besides its return address
  uint64_t kept[8];          // RBX, RBP, RSI, RDI, R12 to R15 as the callee left them
  uint64_t xmmKept[20];      // XMM6 to XMM15 as the callee left them
  uint8_t fpuEnv[28];        // FNSTENV right after the call: control, status and tag words
  uint32_t mxcsrOut;
};

// Offsets the assembly relies on (call_thunk_x86_64.S).
static_assert(offsetof(ThunkCall64, integer) == 8, "layout");
static_assert(offsetof(ThunkCall64, xmm) == 40, "layout");
static_assert(offsetof(ThunkCall64, sentinel) == 72, "layout");
static_assert(offsetof(ThunkCall64, xmmSentinel) == 136, "layout");
static_assert(offsetof(ThunkCall64, raxOut) == 296, "layout");
static_assert(offsetof(ThunkCall64, xmm0Out) == 304, "layout");
static_assert(offsetof(ThunkCall64, popped) == 312, "layout");
static_assert(offsetof(ThunkCall64, kept) == 320, "layout");
static_assert(offsetof(ThunkCall64, xmmKept) == 384, "layout");
static_assert(offsetof(ThunkCall64, fpuEnv) == 544, "layout");
static_assert(offsetof(ThunkCall64, mxcsrOut) == 572, "layout");

// Clears the x87 exception flags, makes the call with the stack 16-byte
// aligned and 32 bytes of home space, and records the above. Then it empties
// the x87 stack, clears its flags and puts back the x87 control word, the
// MXCSR and the host's own XMM6 to XMM15, so nothing the callee left can trap
// in the host or leak into the next call. Not reentrant.
extern "C" void RunThunkCall64(ThunkCall64* call);
