#pragma once
// A broken invariant stops the run at once: libFuzzer keeps the input that
// did it, and the corpus replay fails its test.
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

#define FUZZ_CHECK(condition)                                                                  \
  do {                                                                                         \
    if (!(condition)) {                                                                        \
      std::fprintf(stderr, "%s:%d: invariant broken: %s\n", __FILE__, __LINE__, #condition); \
      std::abort();                                                                            \
    }                                                                                          \
  } while (0)

// Rounding to a 32-bit integer as the C library does it in the default mode
// (nearest, halves to even), saturated; NaN gives INT32_MIN.
inline int32_t ReferenceRound(double x) {
  if (std::isnan(x)) return INT32_MIN;
  const double nearest = std::nearbyint(x);
  if (nearest >= 2147483647.0) return INT32_MAX;
  if (nearest <= -2147483648.0) return INT32_MIN;
  return static_cast<int32_t>(nearest);
}
