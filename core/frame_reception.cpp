#include "frame_reception.h"

#include <cstdint>
#include <cstring>

#include "device.h"
#include "ucommw32.h"

FrameText FrameBuffer = {{}, 0};
unsigned char LastChar = 0;

void PollDevice() {
  while (BytesWaiting() != 0) {
    const unsigned char c = ReadByte();
    LastChar = c;
    if (FrameBuffer.length < FrameCapacity) FrameBuffer.chars[FrameBuffer.length++] = c;
    // A line that keeps reporting bytes it cannot deliver would otherwise
    // hold the host's thread for good, one time-out after another.
    if (ReadTimedOut) break;
  }
  if (LastChar == FrameTerminator && FrameBuffer.length >= ShortestDecodedFrame) {
    unsigned char frame[FrameCapacity];
    const size_t length = FrameBuffer.length;
    std::memcpy(frame, FrameBuffer.chars, length);
    FrameBuffer.length = 0;
    DecodeFrame(frame, length);
  }
}

Field TakeField(const unsigned char* text, size_t length, size_t position, size_t width) {
  if (width > FieldWidthMax) width = FieldWidthMax;
  if (position == 0 || position > length) return {text, 0};
  const size_t available = length - (position - 1);
  return {text + (position - 1), width < available ? width : available};
}

int CharAt(const unsigned char* text, size_t length, size_t position) {
  return position >= 1 && position <= length ? text[position - 1] : -1;
}

namespace {

// Powers of ten that are exact in a double.
constexpr double ExactPowersOfTen[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                       1e8,  1e9,  1e10, 1e11, 1e12, 1e13, 1e14, 1e15,
                                       1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};
constexpr int LargestExactPower = 22;

constexpr double Infinity = __builtin_huge_val();

// significand x 2^exponent for a significand of at most 54 bits that needs
// no rounding, assembled on the bits: no library or x87 scaling, so neither
// depends on the host's floating-point settings.
double Compose(uint64_t significand, int exponent) {
  if (significand == 0) return 0.0;
  for (; significand < (uint64_t{1} << 52); significand <<= 1) --exponent;
  for (; significand >= (uint64_t{1} << 53); significand >>= 1) ++exponent;  // only a rounding carry: exact
  const int biased = exponent + 52 + 1023;
  if (biased >= 0x7FF) return Infinity;
  if (biased <= 0) return 0.0;  // unreachable for these fields: they scale up
  const uint64_t bits = uint64_t(biased) << 52 | (significand & ((uint64_t{1} << 52) - 1));
  double value;
  std::memcpy(&value, &bits, sizeof value);
  return value;
}

// digits x 10^exponent above LargestExactPower, rounded once: digits x
// 5^exponent is formed exactly in 32-bit limbs, rounded to 53 bits half to
// even, and scaled by 2^exponent. A chain of double products would round at
// each step and may miss the nearest double ("1E50").
double ScaleLarge(uint32_t digits, int exponent) {
  constexpr int ExponentMax = 330;  // any non-zero digits times more is beyond the largest double
  constexpr int Limbs = 26;         // 9999 x 5^330 < 2^(32 x 26)
  if (exponent > ExponentMax) return Infinity;
  uint32_t limbs[Limbs] = {digits};
  int used = 1;
  for (int i = 0; i < exponent; ++i) {
    uint64_t carry = 0;
    for (int k = 0; k < used; ++k) {
      const uint64_t product = uint64_t{limbs[k]} * 5 + carry;
      limbs[k] = static_cast<uint32_t>(product);
      carry = product >> 32;
    }
    if (carry != 0) limbs[used++] = static_cast<uint32_t>(carry);
  }
  auto bit = [&](int i) -> uint64_t { return (limbs[i / 32] >> (i % 32)) & 1; };
  int length = used * 32;
  while (bit(length - 1) == 0) --length;
  const int dropped = length > 53 ? length - 53 : 0;
  uint64_t significand = 0;
  for (int i = length - 1; i >= dropped; --i) significand = significand << 1 | bit(i);
  if (dropped > 0) {
    bool below = false;  // any set bit under the half bit
    for (int i = 0; i < dropped - 1 && !below; ++i) below = bit(i) != 0;
    if (bit(dropped - 1) != 0 && (below || (significand & 1) != 0)) ++significand;
  }
  return Compose(significand, dropped + exponent);
}

// digits x 10^exponent, correctly rounded. Up to LargestExactPower both
// factors are exact, so one operation rounds once.
double Scale(int32_t digits, int exponent) {
  if (digits == 0) return 0.0;
  double value = digits;
  if (exponent < 0) {
    // Four characters reach no further than 10^-12; the loop is for safety.
    for (; exponent < -LargestExactPower; exponent += LargestExactPower) value /= ExactPowersOfTen[LargestExactPower];
    return value / ExactPowersOfTen[-exponent];
  }
  if (exponent > LargestExactPower) return ScaleLarge(static_cast<uint32_t>(digits), exponent);
  return value * ExactPowersOfTen[exponent];
}

bool IsDigit(int c) { return c >= '0' && c <= '9'; }

}  // namespace

double FieldValue(Field field) {
  size_t end = field.length < FieldWidthMax ? field.length : FieldWidthMax;
  for (size_t i = 0; i < end; ++i) {
    if (field.chars[i] == 0) end = i;  // NUL ends the field
  }
  auto at = [&](size_t i) -> int { return i < end ? field.chars[i] : -1; };

  size_t i = 0;
  while (at(i) == ' ') ++i;
  bool negative = false;
  if (at(i) == '+' || at(i) == '-') negative = at(i++) == '-';
  if (at(i) == -1) return 0.0;

  // digits: the number's digits, point ignored; runTogether: every digit
  // read, exponent included, which is the value of a malformed field.
  int32_t digits = 0;
  int32_t runTogether = 0;
  int fractionDigits = 0;
  for (; IsDigit(at(i)); ++i) digits = digits * 10 + (at(i) - '0');
  if (at(i) == '.') {
    for (++i; IsDigit(at(i)); ++i, ++fractionDigits) digits = digits * 10 + (at(i) - '0');
  }
  runTogether = digits;
  int exponent = 0;
  if (at(i) == 'E' || at(i) == 'e') {
    size_t j = i + 1;
    bool exponentNegative = false;
    if (at(j) == '+' || at(j) == '-') exponentNegative = at(j++) == '-';
    if (IsDigit(at(j))) {
      for (; IsDigit(at(j)); ++j) {
        exponent = exponent * 10 + (at(j) - '0');
        runTogether = runTogether * 10 + (at(j) - '0');
      }
      if (exponentNegative) exponent = -exponent;
      i = j;
    }
  }
  if (at(i) != -1) return runTogether;
  const double value = Scale(digits, exponent - fractionDigits);
  return negative ? -value : value;
}
