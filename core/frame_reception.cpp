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

// digits x 10^exponent. With both factors exact, one operation rounds once,
// so the result is the correctly rounded value; that covers every field of
// four characters but a digit times 10^38 or more, which may be 1 ulp off.
double Scale(int32_t digits, int exponent) {
  if (digits == 0) return 0.0;
  double value = digits;
  if (exponent < 0) {
    for (; exponent < -LargestExactPower; exponent += LargestExactPower) value /= ExactPowersOfTen[LargestExactPower];
    return value / ExactPowersOfTen[-exponent];
  }
  if (exponent > LargestExactPower) {
    // Fold the excess into the integer while it stays exact (below 2^53).
    int excess = exponent - LargestExactPower;
    for (; excess > 0 && value * 10 < 9007199254740992.0; --excess) value *= 10;
    for (; excess > LargestExactPower; excess -= LargestExactPower) value *= ExactPowersOfTen[LargestExactPower];
    value *= ExactPowersOfTen[excess];
    exponent = LargestExactPower;
  }
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
