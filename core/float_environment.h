#pragma once
// Hosts may call in with their own floating-point settings (another rounding
// mode, exceptions unmasked). Arithmetic inside an export runs under this
// guard: SSE round-to-nearest with every exception masked, and the host's
// control and status restored on the way out, flags included.
#if defined(__SSE2__) || defined(__x86_64__)
#include <xmmintrin.h>
struct FloatEnvironment {
  static constexpr unsigned Defaults = 0x1F80;  // all masked, nearest, no flush
  unsigned saved = _mm_getcsr();
  FloatEnvironment() { _mm_setcsr(Defaults); }
  ~FloatEnvironment() { _mm_setcsr(saved); }
  FloatEnvironment(const FloatEnvironment&) = delete;
  FloatEnvironment& operator=(const FloatEnvironment&) = delete;
};
#else
struct FloatEnvironment {};
#endif

// Keeps the compiler from moving a floating operation across the guard's
// control-register writes, which it does not see as touching the value.
#define FLOAT_BARRIER(value) __asm__ volatile("" : "+m"(value))
