// The field rules and the rounding of answers, against references written
// independently of the code under test:
// - FieldValue: a well-formed number gives exactly what strtod gives for the
//   same characters (0 when it has no digit, with its sign); any other field
//   gives the digits read before the first character that does not belong to
//   the number, run together: an integer, never negative, never signed zero;
//   never NaN or infinite.
// - TakeField and CharAt: the characters that exist at the positions, for any
//   position and width, extreme ones included.
// - RoundHalfEven and NarrowToSingle: what the C library gives under the
//   default rounding mode, saturated to the 32-bit range.
//
// Input: the first 4 bytes are a field; bytes 0 and 1 also give a position
// and a width into the text from byte 2 on; the first 8 bytes, a double.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "frame_reception.h"
#include "fuzz_check.h"
#include "rounding.h"

namespace {

bool IsDigit(int c) { return c >= '0' && c <= '9'; }

size_t SkipDigits(const unsigned char* f, size_t end, size_t k) {
  while (k < end && IsDigit(f[k])) ++k;
  return k;
}

void CheckFieldValue(const unsigned char* f, size_t n) {
  const double value = FieldValue(Field{f, n});
  FUZZ_CHECK(std::isfinite(value));

  size_t end = 0;
  while (end < n && end < FieldWidthMax && f[end] != 0) ++end;  // NUL ends the field
  size_t i = 0;
  while (i < end && f[i] == ' ') ++i;
  const size_t signAt = i;
  bool negative = false;
  if (i < end && (f[i] == '+' || f[i] == '-')) negative = f[i++] == '-';
  if (i == end) {  // empty, blank or a lone sign
    FUZZ_CHECK(value == 0.0 && !std::signbit(value));
    return;
  }

  // The longest prefix that is a number: digits, an optional point and
  // digits, an optional exponent that has at least one digit.
  const size_t start = i;
  size_t k = SkipDigits(f, end, i);
  bool mantissaDigits = k > i;
  if (k < end && f[k] == '.') {
    const size_t afterPoint = SkipDigits(f, end, k + 1);
    mantissaDigits = mantissaDigits || afterPoint > k + 1;
    k = afterPoint;
  }
  if (k < end && (f[k] == 'E' || f[k] == 'e')) {
    size_t j = k + 1;
    if (j < end && (f[j] == '+' || f[j] == '-')) ++j;
    const size_t afterExponent = SkipDigits(f, end, j);
    if (afterExponent > j) k = afterExponent;
  }

  if (k == end) {
    double expected = negative ? -0.0 : 0.0;
    if (mantissaDigits) {
      char text[FieldWidthMax + 1] = {};
      std::memcpy(text, f + signAt, end - signAt);
      char* parsed = nullptr;
      expected = std::strtod(text, &parsed);
      FUZZ_CHECK(parsed == text + (end - signAt));  // the reference agrees it is a number
    }
    FUZZ_CHECK(value == expected && std::signbit(value) == std::signbit(expected));
    return;
  }
  double runTogether = 0;
  for (size_t d = start; d < k; ++d) {
    if (IsDigit(f[d])) runTogether = runTogether * 10 + (f[d] - '0');
  }
  FUZZ_CHECK(value == runTogether && !std::signbit(value));
}

// Bytes 248 to 255 stand for positions and widths at the ends of the range.
size_t Extent(uint8_t b) {
  constexpr size_t Max = SIZE_MAX;
  const size_t extremes[] = {Max, Max - 1, Max / 2, Max / 2 + 1, 0x7FFFFFFF, 0x80000000u, 0xFFFFFFFFu, 0x100000000ull & Max};
  return b >= 248 ? extremes[b - 248] : b;
}

void CheckTakeField(const unsigned char* text, size_t length, size_t position, size_t width) {
  const Field field = TakeField(text, length, position, width);
  const size_t capped = width < FieldWidthMax ? width : FieldWidthMax;
  if (position == 0 || position > length) {
    FUZZ_CHECK(field.length == 0);
  } else {
    const size_t available = length - (position - 1);
    FUZZ_CHECK(field.chars == text + (position - 1));
    FUZZ_CHECK(field.length == (capped < available ? capped : available));
  }
  CheckFieldValue(field.chars, field.length);

  const int c = CharAt(text, length, position);
  FUZZ_CHECK(c == (position >= 1 && position <= length ? text[position - 1] : -1));
}

void CheckRounding(double x) {
  FUZZ_CHECK(RoundHalfEven(x) == ReferenceRound(x));

  const float single = NarrowToSingle(x);
  const float reference = static_cast<float>(x);
  FUZZ_CHECK(std::isnan(x) ? std::isnan(single) : std::memcmp(&single, &reference, sizeof single) == 0);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  CheckFieldValue(data, size < FieldWidthMax ? size : FieldWidthMax);
  if (size >= 2) CheckTakeField(data + 2, size - 2, Extent(data[0]), Extent(data[1]));
  if (size >= sizeof(double)) {
    double x;
    std::memcpy(&x, data, sizeof x);
    CheckRounding(x);
  }
  return 0;
}
