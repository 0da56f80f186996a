// Rounding to an integer and narrowing to single: nearest, halves to even,
// whatever rounding mode the caller has set.
#include <gtest/gtest.h>

#include <cfenv>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>

#include "rounding.h"

#if defined(__SSE2__)
#include <xmmintrin.h>
// The SSE control bits (rounding mode and exception masks), which
// fegetround does not read on x86-64.
unsigned SseControl() { return _mm_getcsr() & 0xFF80u; }
#else
unsigned SseControl() { return 0; }
#endif

namespace {

struct Mode {
  int mode;
  const char* name;
};
const Mode Modes[] = {
    {FE_TONEAREST, "to nearest"},
    {FE_UPWARD, "upward"},
    {FE_DOWNWARD, "downward"},
    {FE_TOWARDZERO, "toward zero"},
};

// Runs check under each rounding mode and puts the mode back.
template <typename Check>
void UnderEveryMode(Check check) {
  for (const Mode& m : Modes) {
    ASSERT_EQ(std::fesetround(m.mode), 0);
    SCOPED_TRACE(m.name);
    const unsigned control = SseControl();
    check();
    EXPECT_EQ(std::fegetround(), m.mode) << "the caller's mode is left as it was";
    EXPECT_EQ(SseControl(), control) << "the caller's mode is left as it was";
  }
  std::fesetround(FE_TONEAREST);
}

constexpr double Infinity = std::numeric_limits<double>::infinity();
constexpr double NaN = std::numeric_limits<double>::quiet_NaN();

TEST(RoundHalfEven, RoundsToNearestWithHalvesToEven) {
  const struct {
    double x;
    int32_t n;
  } cases[] = {
      {0.0, 0},
      {-0.0, 0},
      {0.5, 0},
      {1.5, 2},
      {2.5, 2},
      {-0.5, 0},
      {-1.5, -2},
      {-2.5, -2},
      {22.5, 22},
      {23.5, 24},
      {3.7, 4},
      {-3.7, -4},
      {0.49999999999999994, 0},  // the largest double below one half
      {0.5000000000000001, 1},
      {0.9999999999999999, 1},
      {4.9406564584124654e-324, 0},   // subnormals
      {-4.9406564584124654e-324, 0},
      {2.2250738585072009e-308, 0},
      {123456.5, 123456},
      {123457.5, 123458},
      {4503599627370495.5, INT32_MAX},  // the last double with a fraction
      {2147483646.5, 2147483646},
      {2147483645.5, 2147483646},
      {2147483647.0, INT32_MAX},
      {-2147483647.5, INT32_MIN},  // -2147483648 is the even neighbour
      // Outside the 32-bit range: saturated.
      {2147483647.5, INT32_MAX},
      {2147483648.0, INT32_MAX},
      {-2147483648.5, INT32_MIN},
      {-2147483649.5, INT32_MIN},
      {1e300, INT32_MAX},
      {-1e300, INT32_MIN},
      {Infinity, INT32_MAX},
      {-Infinity, INT32_MIN},
      {NaN, INT32_MIN},
      {-NaN, INT32_MIN},
  };
  UnderEveryMode([&] {
    for (const auto& c : cases) EXPECT_EQ(RoundHalfEven(c.x), c.n) << std::hexfloat << c.x;
  });
}

uint32_t Bits(float x) {
  uint32_t bits;
  std::memcpy(&bits, &x, sizeof bits);
  return bits;
}

TEST(NarrowToSingle, RoundsToTheNearestSingleWithHalvesToEven) {
  const float FloatMax = std::numeric_limits<float>::max();
  const struct {
    double x;
    float single;
  } cases[] = {
      {1.0, 1.0f},
      {-777.0, -777.0f},
      {0x1.000001p0, 0x1p0f},                // halfway: to the even 1.0
      {0x1.000003p0, 0x1.000004p0f},         // halfway: to the even one above
      {-0x1.000001p0, -0x1p0f},
      {-0x1.000003p0, -0x1.000004p0f},
      {0x1.0000010000001p0, 0x1.000002p0f},  // just above halfway
      {0x1.0000008p0, 0x1p0f},               // below halfway
      {45.6, 0x1.6cccccp5f},
      {0x1.8p-149, 0x1p-148f},               // subnormal singles, halfway
      {0x1p-150, 0.0f},
      {-0x1p-150, -0.0f},
      {-0.0, -0.0f},
      {0x1.fffffefffffffp127, FloatMax},     // below the halfway point to 2^128
      {0x1.ffffffp127, std::numeric_limits<float>::infinity()},
      {1e300, std::numeric_limits<float>::infinity()},
      {-1e300, -std::numeric_limits<float>::infinity()},
  };
  UnderEveryMode([&] {
    for (const auto& c : cases) EXPECT_EQ(Bits(NarrowToSingle(c.x)), Bits(c.single)) << std::hexfloat << c.x;
    EXPECT_TRUE(std::isnan(NarrowToSingle(NaN)));
  });
}

TEST(NarrowToSingle, LeavesTheCallersExceptionFlagsAlone) {
  std::feclearexcept(FE_ALL_EXCEPT);
  NarrowToSingle(0x1.000001p0);  // inexact
  NarrowToSingle(1e300);         // overflow
  EXPECT_EQ(std::fetestexcept(FE_ALL_EXCEPT), 0);
}

}  // namespace
