// The light meter: frames arrive on the scripted line and are read back
// through channel 0; other channels answer without touching the line.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <string>

#include "device.h"
#include "fake_line.h"
#include "frame_reception.h"
#include "lightmeter.h"
#include "test_text.h"
#include "ucommw32.h"

namespace {

// Positions 4-5 the unit code, 12-15 the reading; the rest is not read.
std::string Frame(const std::string& unit, const std::string& reading) {
  return "abc" + unit + "xxxxxx" + reading + "\r";
}

uint64_t Bits(double x) {
  uint64_t bits;
  std::memcpy(&bits, &x, sizeof bits);
  return bits;
}

class LightMeter : public ::testing::Test {
 protected:
  void SetUp() override {
    fake_line::StartAsLoaded();
    Illuminance = 0.0;
    UnitLabel = "";
  }
  void Decode(const std::string& frame) {
    fake_line::Arrive(frame);
    DeviceEad(0);
    ASSERT_EQ(fake_line::Queued(), 0u);
  }
};

TEST_F(LightMeter, BeforeAnyFrame) {
  EXPECT_EQ(DeviceEa(0), 0);
  EXPECT_EQ(Bits(DeviceEad(0)), Bits(0.0));
  EXPECT_STREQ(DeviceNea(0), "");
  EXPECT_STREQ(DeviceNead(0), "");
}

TEST_F(LightMeter, NoReadForOtherChannels) {
  const int32_t indexes[] = {1, -1, 2147483647, INT32_MIN};
  fake_line::Arrive(Frame("16", "0123"));
  for (int32_t n : indexes) {
    EXPECT_EQ(DeviceEa(n), NoChannel) << n;
    EXPECT_EQ(DeviceEad(n), NoChannelValue) << n;
    EXPECT_STREQ(DeviceNea(n), "") << n;
    EXPECT_STREQ(DeviceNead(n), "") << n;
  }
  EXPECT_EQ(fake_line::Queries, 0);
  EXPECT_EQ(fake_line::Reads, 0);
  EXPECT_EQ(fake_line::Queued(), 16u);
  EXPECT_EQ(DeviceEa(0), 123);
  EXPECT_EQ(fake_line::Queued(), 0u);
  EXPECT_STREQ(DeviceNead(0), "(Ft-cd)");
}

TEST_F(LightMeter, OnlyUnitCode16GivesFootCandles) {
  const struct {
    std::string text;
    const char* name;
  } cases[] = {
      {Frame("16", "0123"), "(Ft-cd)"},
      {Frame("15", "0123"), "(lux)"},
      {Frame("61", "0123"), "(lux)"},
      {Frame("1 ", "0123"), "(lux)"},
      {Frame("  ", "0123"), "(lux)"},
      {"ab16cxxxxxx0123\r", "(lux)"},  // "16" one position early
      {"abcd16xxxxx0123\r", "(lux)"},  // one position late
  };
  for (const auto& c : cases) {
    Decode(c.text);
    EXPECT_STREQ(DeviceNea(0), c.name) << Show(c.text);
    EXPECT_EQ(DeviceEad(0), 123.0) << Show(c.text) << ": the unit never changes the number";
  }
}

TEST_F(LightMeter, TheReadingFieldFollowsTheNumberRule) {
  const struct {
    std::string reading;
    double ead;
    int32_t ea;
  } cases[] = {
      {"0123", 123, 123},     {"9999", 9999, 9999},  {"12.5", 12.5, 12},     {"13.5", 13.5, 14},
      {"  45", 45, 45},       {"-7.2", -7.2, -7},    {" 1E3", 1000, 1000},   {"12 3", 12, 12},
      {"1.5x", 15, 15},       {"-12x", 12, 12},      {"    ", 0, 0},         {"-2.5", -2.5, -2},
      {"9E99", 9e99, INT32_MAX}, {"-9E9", -9e9, INT32_MIN},
  };
  for (const auto& c : cases) {
    Decode(Frame("15", c.reading));
    EXPECT_EQ(DeviceEad(0), c.ead) << Show(c.reading);
    EXPECT_EQ(DeviceEa(0), c.ea) << Show(c.reading);
  }
}

TEST_F(LightMeter, AShortReadingFieldEndsWithTheFrame) {
  const struct {
    std::string text;
    double ead;
  } cases[] = {
      {"abc16xxxxxx7\r", 7},     // 13 characters: the field is "7" and the CR
      {"abc16xxxxxx12\r", 12},
      {"abc16xxxxxx1.5\r", 15},
      {"abc16xxxxxx\r", 0},      // 12 characters: the field is the CR alone
  };
  for (const auto& c : cases) {
    Decode(Frame("16", "0999"));
    Decode(c.text);
    EXPECT_EQ(DeviceEad(0), c.ead) << Show(c.text);
  }
}

TEST_F(LightMeter, FramesOf6To11CharactersGiveZeroWithTheirUnit) {
  for (size_t length = 6; length <= 11; ++length) {
    const std::string unit = length % 2 == 0 ? "16" : "15";
    const std::string text = "abc" + unit + std::string(length - 6, '5') + "\r";
    ASSERT_EQ(text.size(), length);
    Decode(Frame("15", "0123"));
    Decode(text);
    EXPECT_EQ(Bits(DeviceEad(0)), Bits(0.0)) << Show(text);
    EXPECT_STREQ(DeviceNea(0), unit == "16" ? "(Ft-cd)" : "(lux)") << Show(text);
  }
}

TEST_F(LightMeter, AGarbledFrameReplacesBothValues) {
  Decode(Frame("16", "0123"));
  Decode(Frame("15", "AB12"));
  EXPECT_EQ(DeviceEad(0), 0.0);
  EXPECT_STREQ(DeviceNea(0), "(lux)");
  Decode(Frame("16", "-12x"));
  EXPECT_EQ(DeviceEad(0), 12.0);
  EXPECT_STREQ(DeviceNea(0), "(Ft-cd)");
}

TEST_F(LightMeter, NeadAnswersThroughNeaAndItsBuffer) {
  fake_line::Arrive(Frame("16", "0123"));
  const char* nead = DeviceNead(0);
  EXPECT_EQ(fake_line::Queued(), 0u) << "nead reads the line for channel 0";
  EXPECT_EQ(nead, DeviceNea(0));
  EXPECT_EQ(DeviceNead(1), nead);
  EXPECT_STREQ(nead, "");
  fake_line::Arrive(Frame("15", "0123"));
  EXPECT_STREQ(DeviceNead(0), "(lux)");
}

TEST_F(LightMeter, OnlyTheFirstFrameOfALongerTextIsRead) {
  fake_line::Arrive(Frame("16", "0123") + Frame("15", "0456"));
  EXPECT_EQ(DeviceEa(0), 123);
  EXPECT_STREQ(DeviceNea(0), "(Ft-cd)");
  EXPECT_EQ(fake_line::Queued(), 0u);
}

}  // namespace
