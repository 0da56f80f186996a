// The light meter's frame: positions 4-5 the unit code ("16" foot-candles,
// anything else lux), 12-15 the reading. One channel, 0, named after the
// unit; other indexes answer at once and leave the line alone.
#include "lightmeter.h"

#include <cstdint>

#include "device.h"
#include "frame_reception.h"
#include "rounding.h"

double Illuminance = 0.0;
const char* UnitLabel = "";

namespace {

const char Lux[] = "(lux)";
const char FootCandles[] = "(Ft-cd)";

char NeaText[21];  // 20 characters and the NUL

}  // namespace

void DecodeFrame(const unsigned char* text, size_t length) {
  const bool footCandles = CharAt(text, length, 4) == '1' && CharAt(text, length, 5) == '6';
  UnitLabel = footCandles ? FootCandles : Lux;
  Illuminance = FieldValue(TakeField(text, length, 12, 4));
}

int32_t DeviceEa(int32_t n) {
  if (n != 0) return NoChannel;
  PollDevice();
  return RoundHalfEven(Illuminance);
}

double DeviceEad(int32_t n) {
  if (n != 0) return NoChannelValue;
  PollDevice();
  return Illuminance;
}

const char* DeviceNea(int32_t n) {
  size_t length = 0;
  if (n == 0) {
    PollDevice();
    for (; UnitLabel[length] != '\0' && length + 1 < sizeof NeaText; ++length) NeaText[length] = UnitLabel[length];
  }
  NeaText[length] = '\0';
  return NeaText;
}

const char* DeviceNead(int32_t n) { return DeviceNea(n); }
