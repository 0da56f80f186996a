// The simulator's thermometer frames, read back by the driver's decoder and
// reception: whatever the encoder writes, the driver answers.
#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <string>
#include <vector>

#include "device.h"
#include "fake_line.h"
#include "frame_encoding.h"
#include "frame_reception.h"
#include "frame_stream.h"
#include "thermometer.h"
#include "ucommw32.h"

namespace {

namespace fe = frame_encoding;
using fe::Temperature;
using fe::TemperatureUnit;

const char Celsius[] = "\xB0" "C";
const char Fahrenheit[] = "\xB0" "F";

void Decode(const std::string& frame) {
  DecodeFrame(reinterpret_cast<const unsigned char*>(frame.data()), frame.size());
}

bool SameDouble(double a, double b) { return a == b && std::signbit(a) == std::signbit(b); }

TEST(ThermometerFrame, EveryReadingDecodesToWhatWasEncoded) {
  // Every four-digit value for T1, with T2 running the other way, under
  // each combination of sign, decimal flag and unit for both.
  int failures = 0;
  for (int digits = 0; digits <= fe::DigitsMax && failures < 5; ++digits) {
    for (int combination = 0; combination < 64; ++combination) {
      Temperature t1{digits, (combination & 1) != 0, (combination & 2) != 0,
                     (combination & 4) != 0 ? TemperatureUnit::Fahrenheit : TemperatureUnit::Celsius};
      Temperature t2{fe::DigitsMax - digits, (combination & 8) != 0, (combination & 16) != 0,
                     (combination & 32) != 0 ? TemperatureUnit::Fahrenheit : TemperatureUnit::Celsius};
      const std::string frame = fe::EncodeThermometerFrame(t1, t2);
      Decode(frame);
      const char* t1Label = t1.unit == TemperatureUnit::Fahrenheit ? Fahrenheit : Celsius;
      const char* t2Label = t2.unit == TemperatureUnit::Fahrenheit ? Fahrenheit : Celsius;
      const bool ok = frame.size() == fe::FrameLength && frame.back() == '\r' &&
                      SameDouble(T1, fe::TemperatureValue(t1)) && SameDouble(T2, fe::TemperatureValue(t2)) &&
                      std::string(T1UnitLabel) == t1Label && std::string(T2UnitLabel) == t2Label;
      if (!ok) {
        ++failures;
        ADD_FAILURE() << "frame \"" << frame.substr(0, 15) << "\" (" << frame.size() << " bytes) decoded as T1 " << T1
                      << " " << T1UnitLabel << ", T2 " << T2 << " " << T2UnitLabel << "; encoded T1 "
                      << fe::TemperatureValue(t1) << " " << t1Label << ", T2 " << fe::TemperatureValue(t2) << " "
                      << t2Label;
      }
    }
  }
}

TEST(ThermometerFrame, ValuesAreRoundedToWhatAFrameCarriesAndClampedToFourDigits) {
  struct Case {
    double value;
    bool tenths;
    double sent;
    bool clamped;
  };
  const Case cases[] = {
      {21.46, true, 21.5, false},   {-7.25, true, -7.3, false},  {-0.04, true, 0.0, false},
      {999.94, true, 999.9, false}, {999.96, true, 999.9, true}, {-1234.5, true, -999.9, true},
      {-41.5, false, -42, false},   {9999.4, false, 9999, false}, {12000, false, 9999, true},
      {NAN, true, 0.0, true},
  };
  for (const Case& c : cases) {
    const fe::QuantizedTemperature q = fe::QuantizeTemperature(c.value, c.tenths, TemperatureUnit::Celsius);
    EXPECT_TRUE(SameDouble(fe::TemperatureValue(q.temperature), c.sent))
        << c.value << " sent as " << fe::TemperatureValue(q.temperature) << ", expected " << c.sent;
    EXPECT_EQ(q.clamped, c.clamped) << c.value;
  }
}

// What the simulator's writes make of the driver's answers, through the
// line as the driver reads it.
class ThermometerStream : public ::testing::Test {
 protected:
  void SetUp() override {
    fake_line::StartAsLoaded();
    T1 = T2 = 0.0;
  }
  static std::string Frame(double t1, double t2) {
    return fe::EncodeThermometerFrame(fe::QuantizeTemperature(t1, true, TemperatureUnit::Celsius).temperature,
                                      fe::QuantizeTemperature(t2, true, TemperatureUnit::Fahrenheit).temperature);
  }
  FrameStream stream;
  std::mt19937 random{7};
};

TEST_F(ThermometerStream, PlainFramesAreReadOnePerPoll) {
  for (double t1 : {21.5, -3.2, 0.0}) {
    for (const LineWrite& write : PlanSend(stream, {Frame(t1, 98.6)}, random)) fake_line::Arrive(write.bytes);
    EXPECT_EQ(DeviceEad(0), t1);
    EXPECT_EQ(DeviceEad(1), 98.6);
    EXPECT_STREQ(DeviceNea(1), "T2 \xB0" "F");
  }
}

TEST_F(ThermometerStream, SplitFrameIsDecodedOnceItsSecondPartArrives) {
  stream.faults.splitEvery = 1;
  const std::string frame = Frame(-12.3, 45.6);
  const std::vector<LineWrite> writes = PlanSend(stream, {frame}, random);
  ASSERT_EQ(writes.size(), 2u);
  EXPECT_EQ(writes[0].bytes + writes[1].bytes, frame);
  EXPECT_TRUE(writes[1].pauseBefore);
  fake_line::Arrive(writes[0].bytes);
  EXPECT_EQ(DeviceEad(0), 0.0);  // half a frame: nothing decoded yet
  fake_line::Arrive(writes[1].bytes);
  EXPECT_EQ(DeviceEad(0), -12.3);
  EXPECT_EQ(DeviceEad(1), 45.6);
}

TEST_F(ThermometerStream, BurstGoesOutInOneWriteAndTheOldestFrameIsDecoded) {
  stream.faults.burstEvery = 1;
  stream.faults.burstFrames = 3;
  ASSERT_EQ(FramesInNextSend(stream), 3);
  const std::vector<LineWrite> writes = PlanSend(stream, {Frame(1.1, 2.2), Frame(3.3, 4.4), Frame(5.5, 6.6)}, random);
  ASSERT_EQ(writes.size(), 1u);
  EXPECT_EQ(writes[0].bytes, Frame(1.1, 2.2) + Frame(3.3, 4.4) + Frame(5.5, 6.6));
  fake_line::Arrive(writes[0].bytes);
  EXPECT_EQ(DeviceEad(0), 1.1);
  EXPECT_EQ(DeviceEad(1), 2.2);
}

TEST_F(ThermometerStream, FrameWithoutCarriageReturnRunsIntoTheNext) {
  stream.faults.noCrEvery = 2;
  auto send = [&](double t1) {
    for (const LineWrite& write : PlanSend(stream, {Frame(t1, 0.0)}, random)) fake_line::Arrive(write.bytes);
    return DeviceEad(0);
  };
  EXPECT_EQ(send(10.0), 10.0);
  EXPECT_EQ(send(20.0), 10.0);  // 15 characters, no end: nothing decoded
  EXPECT_EQ(send(30.0), 20.0);  // decoded with the next frame's start behind it
  EXPECT_EQ(send(40.0), 20.0);
  EXPECT_EQ(send(50.0), 40.0);
}

TEST_F(ThermometerStream, NoiseComesBeforeTheFrameAndHoldsNoCarriageReturn) {
  stream.faults.noiseEvery = 1;
  stream.faults.noiseBytes = 5;
  const std::string frame = Frame(1.0, 2.0);
  for (int i = 0; i < 200; ++i) {
    const std::vector<LineWrite> writes = PlanSend(stream, {frame}, random);
    ASSERT_EQ(writes.size(), 1u);
    ASSERT_EQ(writes[0].bytes.size(), 5 + frame.size());
    EXPECT_EQ(writes[0].bytes.substr(5), frame);
    EXPECT_EQ(writes[0].bytes.substr(0, 5).find('\r'), std::string::npos);
  }
}

}  // namespace
