#pragma once
// Conversions whose answers must not depend on the host's floating-point
// settings.
#include <cstdint>

// Nearest integer, halves to the even one, computed on the bits of x so the
// current rounding mode plays no part. Saturates outside the 32-bit range;
// NaN gives INT32_MIN, which names no channel.
int32_t RoundHalfEven(double x);

// Nearest single, halves to even, whatever the host's rounding mode.
float NarrowToSingle(double x);
