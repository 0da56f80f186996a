// The simulator's light-meter frames, read back by the driver's decoder.
#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "device.h"
#include "fake_line.h"
#include "frame_encoding.h"
#include "frame_reception.h"
#include "lightmeter.h"
#include "ucommw32.h"

namespace {

namespace fe = frame_encoding;

TEST(LightMeterFrame, EveryReadingDecodesToWhatWasEncoded) {
  int failures = 0;
  for (fe::LightUnit unit : {fe::LightUnit::Lux, fe::LightUnit::FootCandles}) {
    const char* label = unit == fe::LightUnit::FootCandles ? "(Ft-cd)" : "(lux)";
    for (int digits = 0; digits <= fe::DigitsMax && failures < 5; ++digits) {
      const std::string frame = fe::EncodeLightFrame(digits, unit);
      DecodeFrame(reinterpret_cast<const unsigned char*>(frame.data()), frame.size());
      if (frame.size() != fe::FrameLength || frame.back() != '\r' || Illuminance != digits ||
          std::string(UnitLabel) != label) {
        ++failures;
        ADD_FAILURE() << "frame \"" << frame.substr(0, 15) << "\" decoded as " << Illuminance << " " << UnitLabel
                      << "; encoded " << digits << " " << label;
      }
    }
  }
}

TEST(LightMeterFrame, ReadingsAreWholeUnitsFromZeroToFourDigits) {
  struct Case {
    double value;
    int sent;
    bool clamped;
  };
  const Case cases[] = {{451.4, 451, false}, {12.5, 13, false}, {0.0, 0, false},  {9999.4, 9999, false},
                        {10000, 9999, true}, {-3, 0, true},     {NAN, 0, true}};
  for (const Case& c : cases) {
    const fe::QuantizedReading q = fe::QuantizeIlluminance(c.value);
    EXPECT_EQ(q.digits, c.sent) << c.value;
    EXPECT_EQ(q.clamped, c.clamped) << c.value;
  }
}

TEST(LightMeterFrame, DriverAnswersTheFrameThroughItsLine) {
  fake_line::StartAsLoaded();
  fake_line::Arrive(fe::EncodeLightFrame(1234, fe::LightUnit::FootCandles));
  EXPECT_EQ(DeviceEa(0), 1234);
  EXPECT_STREQ(DeviceNea(0), "(Ft-cd)");
  fake_line::Arrive(fe::EncodeLightFrame(7, fe::LightUnit::Lux));
  EXPECT_EQ(DeviceEad(0), 7.0);
  EXPECT_STREQ(DeviceNead(0), "(lux)");
}

}  // namespace
