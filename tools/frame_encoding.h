#pragma once
// The instruments' frames built from the readings they carry: the inverse of
// the drivers' decoders. Each frame is 15 characters and a carriage return.
//
// Thermometer, by position from 1: 1 a status digit, 2 the sign code, 3 T2's
// unit code, 4-5 T1's, 6 and 7 the decimal flags of T2 and T1, 8-11 T2's
// digits, 12-15 T1's. Light meter: 4-5 the unit code, 12-15 the reading;
// the positions the driver does not read hold fixed digits.
#include <string>

namespace frame_encoding {

constexpr size_t FrameLength = 16;
constexpr int DigitsMax = 9999;  // four digits

enum class TemperatureUnit { Celsius, Fahrenheit };
enum class LightUnit { Lux, FootCandles };

// One temperature as a frame carries it.
struct Temperature {
  int digits = 0;  // 0 to DigitsMax; out-of-range values are clamped
  bool negative = false;
  bool tenths = true;  // the digits count tenths of a degree
  TemperatureUnit unit = TemperatureUnit::Celsius;
};

std::string EncodeThermometerFrame(const Temperature& t1, const Temperature& t2);
std::string EncodeLightFrame(int digits, LightUnit unit);

// The value a decoder makes of t's frame: its digits, divided by 10 for
// tenths, negated when marked negative. A zero reading is always sent
// positive, so that no frame decodes to -0.0.
double TemperatureValue(const Temperature& t);

// The nearest temperature that a frame can carry for value, and whether the
// magnitude had to be clamped to four digits.
struct QuantizedTemperature {
  Temperature temperature;
  bool clamped;
};
QuantizedTemperature QuantizeTemperature(double value, bool tenths, TemperatureUnit unit);

// The nearest reading for an illuminance: 0 to DigitsMax, whole units.
struct QuantizedReading {
  int digits;
  bool clamped;
};
QuantizedReading QuantizeIlluminance(double value);

}  // namespace frame_encoding
