#include "rounding.h"

#include <cstring>

#include "float_environment.h"

int32_t RoundHalfEven(double x) {
  uint64_t bits;
  std::memcpy(&bits, &x, sizeof bits);
  const bool negative = (bits >> 63) != 0;
  const int biased = static_cast<int>((bits >> 52) & 0x7FF);
  const uint64_t fraction = bits & ((uint64_t{1} << 52) - 1);
  if (biased == 0x7FF) {
    if (fraction != 0) return INT32_MIN;  // NaN
    return negative ? INT32_MIN : INT32_MAX;
  }
  if (biased == 0) return 0;  // zero or subnormal, far below one half

  // |x| = significand x 2^-shift
  const uint64_t significand = fraction | (uint64_t{1} << 52);
  const int shift = 1075 - biased;
  uint64_t magnitude;
  if (shift <= 0) {
    magnitude = shift < -10 ? uint64_t{1} << 63 : significand << -shift;  // >= 2^52: saturates below
  } else if (shift > 53) {
    magnitude = 0;  // below one half
  } else {
    magnitude = significand >> shift;
    const uint64_t rest = significand & ((uint64_t{1} << shift) - 1);
    const uint64_t half = uint64_t{1} << (shift - 1);
    if (rest > half || (rest == half && (magnitude & 1) != 0)) ++magnitude;
  }
  if (negative) return magnitude >= (uint64_t{1} << 31) ? INT32_MIN : -static_cast<int32_t>(magnitude);
  return magnitude > static_cast<uint64_t>(INT32_MAX) ? INT32_MAX : static_cast<int32_t>(magnitude);
}

float NarrowToSingle(double x) {
  FloatEnvironment nearest;
  FLOAT_BARRIER(x);
  float single = static_cast<float>(x);
  FLOAT_BARRIER(single);
  return single;
}
