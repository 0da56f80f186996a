#include "frame_encoding.h"

#include <cmath>
#include <cstdio>

namespace frame_encoding {

namespace {

constexpr char CarriageReturn = '\r';

int ClampDigits(int digits) { return digits < 0 ? 0 : digits > DigitsMax ? DigitsMax : digits; }

// Four digits, zero-padded: "0235".
std::string FourDigits(int digits) {
  char text[8];
  std::snprintf(text, sizeof text, "%04d", ClampDigits(digits));
  return text;
}

// The nearest whole number of units to magnitude, clamped to four digits.
int NearestDigits(double magnitude, bool* clamped) {
  *clamped = !(magnitude <= DigitsMax + 0.5);  // NaN included
  if (*clamped) return std::isnan(magnitude) ? 0 : DigitsMax;
  return static_cast<int>(std::lround(magnitude));
}

}  // namespace

std::string EncodeThermometerFrame(const Temperature& t1, const Temperature& t2) {
  const bool t1Negative = t1.negative && ClampDigits(t1.digits) != 0;
  const bool t2Negative = t2.negative && ClampDigits(t2.digits) != 0;
  const char sign = t1Negative && t2Negative ? '3' : t2Negative ? '2' : t1Negative ? '1' : '0';

  std::string frame;
  frame += '4';
  frame += sign;
  frame += t2.unit == TemperatureUnit::Fahrenheit ? "2" : "1";
  frame += t1.unit == TemperatureUnit::Fahrenheit ? "02" : "01";
  frame += t2.tenths ? '1' : '0';
  frame += t1.tenths ? '1' : '0';
  frame += FourDigits(t2.digits);
  frame += FourDigits(t1.digits);
  frame += CarriageReturn;
  return frame;
}

std::string EncodeLightFrame(int digits, LightUnit unit) {
  std::string frame = "400";
  frame += unit == LightUnit::FootCandles ? "16" : "15";
  frame += "000000";
  frame += FourDigits(digits);
  frame += CarriageReturn;
  return frame;
}

double TemperatureValue(const Temperature& t) {
  const int digits = ClampDigits(t.digits);
  const double magnitude = t.tenths ? digits / 10.0 : static_cast<double>(digits);
  return t.negative && digits != 0 ? -magnitude : magnitude;
}

QuantizedTemperature QuantizeTemperature(double value, bool tenths, TemperatureUnit unit) {
  QuantizedTemperature q{};
  q.temperature.tenths = tenths;
  q.temperature.unit = unit;
  q.temperature.digits = NearestDigits(std::fabs(value) * (tenths ? 10.0 : 1.0), &q.clamped);
  q.temperature.negative = value < 0 && q.temperature.digits != 0;
  return q;
}

QuantizedReading QuantizeIlluminance(double value) {
  if (value < 0) return {0, true};
  QuantizedReading q{};
  q.digits = NearestDigits(value, &q.clamped);
  return q;
}

}  // namespace frame_encoding
