// The thermometer's frame: position 2 the sign code, 3 T2's unit code, 4-5
// T1's, 6 and 7 the decimal flags of T2 and T1, 8-11 T2's digits, 12-15
// T1's. Its channels: T1, T2 and both times ten.
#include "thermometer.h"

#include <cstdint>

#include "device.h"
#include "frame_reception.h"
#include "rounding.h"

double T1 = 0.0;
double T2 = 0.0;
const char* T1UnitLabel = "";
const char* T2UnitLabel = "";

namespace {

const char Celsius[] = "\xB0" "C";
const char Fahrenheit[] = "\xB0" "F";

struct Channel {
  const char* name;
  const double* value;
  const char* const* unitLabel;
  double factor;
};
const Channel Channels[ThermometerChannels] = {
    {"T1", &T1, &T1UnitLabel, 1.0},
    {"T2", &T2, &T2UnitLabel, 1.0},
    {"T1*10", &T1, &T1UnitLabel, 10.0},
    {"T2*10", &T2, &T2UnitLabel, 10.0},
};

constexpr size_t NameBufferSize = 21;  // 20 characters and the NUL
constexpr size_t NameLengthMax = 15;
char NeaText[NameBufferSize];
char NeadText[NameBufferSize];

bool IsChannel(int32_t n) { return n >= 0 && n < ThermometerChannels; }

double Value(int32_t n) { return *Channels[n].value * Channels[n].factor; }

// "<name> <unit label>", cut to NameLengthMax; empty for no channel.
const char* WriteName(char (&buffer)[NameBufferSize], int32_t n) {
  size_t length = 0;
  if (IsChannel(n)) {
    auto append = [&](const char* text) {
      for (; *text != '\0' && length < NameLengthMax; ++text) buffer[length++] = *text;
    };
    append(Channels[n].name);
    append(" ");
    append(*Channels[n].unitLabel);
  }
  buffer[length] = '\0';
  return buffer;
}

}  // namespace

void DecodeFrame(const unsigned char* text, size_t length) {
  const int signCode = CharAt(text, length, 2);
  const bool t2Fahrenheit = CharAt(text, length, 3) == '2';
  const bool t1Fahrenheit = CharAt(text, length, 4) == '0' && CharAt(text, length, 5) == '2';
  const double t2Divisor = CharAt(text, length, 6) == '1' ? 10.0 : 1.0;
  const double t1Divisor = CharAt(text, length, 7) == '1' ? 10.0 : 1.0;

  T1UnitLabel = t1Fahrenheit ? Fahrenheit : Celsius;
  T2UnitLabel = t2Fahrenheit ? Fahrenheit : Celsius;
  T1 = FieldValue(TakeField(text, length, 12, 4)) / t1Divisor;
  T2 = FieldValue(TakeField(text, length, 8, 4)) / t2Divisor;
  if (signCode == '1' || signCode == '3') T1 = -T1;
  if (signCode == '2' || signCode == '3') T2 = -T2;
}

int32_t DeviceEa(int32_t n) {
  PollDevice();
  return IsChannel(n) ? RoundHalfEven(Value(n)) : NoChannel;
}

double DeviceEad(int32_t n) {
  PollDevice();
  return IsChannel(n) ? Value(n) : NoChannelValue;
}

const char* DeviceNea(int32_t n) {
  PollDevice();
  return WriteName(NeaText, n);
}

const char* DeviceNead(int32_t n) {
  PollDevice();
  return WriteName(NeadText, n);
}
