#pragma once
// One call into a foreign export, driven by data: the register words, the
// stack words pushed in order, and what the callee left behind. The thunk
// loads known values into the registers the callee must preserve and
// reports what it finds in them afterwards, so a convention mismatch shows
// as data instead of a crash.
#include <cstddef>
#include <cstdint>

struct ThunkCall {
  // Given.
  const void* target;
  uint32_t eax, edx, ecx;
  uint32_t stackWords;
  const uint32_t* stack;  // stack[0] is pushed first, so the last lies nearest the return address
  uint32_t sentinel[4];   // loaded into EBX, ESI, EDI, EBP before the call
  // Found after the call.
  uint32_t eaxOut, edxOut;
  int32_t popped;       // bytes the callee removed besides its return address
  uint32_t kept[4];     // EBX, ESI, EDI, EBP as the callee left them
  uint8_t fpuEnv[28];   // FNSTENV right after the call: control, status and tag words
  uint8_t st0[10];      // ST(0) in 80-bit form, when the x87 stack was not empty
  uint16_t reserved;
  uint32_t st0Valid;
  uint32_t mxcsrOut;
};

// Offsets the assembly relies on (call_thunk_i386.S).
static_assert(offsetof(ThunkCall, eax) == 4, "layout");
static_assert(offsetof(ThunkCall, stackWords) == 16, "layout");
static_assert(offsetof(ThunkCall, sentinel) == 24, "layout");
static_assert(offsetof(ThunkCall, eaxOut) == 40, "layout");
static_assert(offsetof(ThunkCall, popped) == 48, "layout");
static_assert(offsetof(ThunkCall, kept) == 52, "layout");
static_assert(offsetof(ThunkCall, fpuEnv) == 68, "layout");
static_assert(offsetof(ThunkCall, st0) == 96, "layout");
static_assert(offsetof(ThunkCall, st0Valid) == 108, "layout");
static_assert(offsetof(ThunkCall, mxcsrOut) == 112, "layout");

// Clears the x87 exception flags, makes the call and records the above.
// Then it empties the x87 stack, clears its flags and puts back the x87
// control word and MXCSR of before the call, so nothing the callee left can
// trap in the host or leak into the next call. Not reentrant.
extern "C" void RunThunkCall(ThunkCall* call);
