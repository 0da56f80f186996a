// The thermometer: frames arrive on the scripted line and are read back
// through the four analog-input answers.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <string>

#include "device.h"
#include "fake_line.h"
#include "frame_reception.h"
#include "test_text.h"
#include "thermometer.h"
#include "ucommw32.h"

namespace {

const std::string F = "\xB0" "F";
const std::string C = "\xB0" "C";

// Position 1 is not read; position 2 the sign code, 3 T2's unit code, 4-5
// T1's, 6 and 7 the decimal flags of T2 and T1, 8-11 T2's digits, 12-15 T1's.
std::string Frame(char sign, char t2Unit, const std::string& t1Unit, char t2Flag, char t1Flag, const std::string& t2,
                  const std::string& t1) {
  return std::string("x") + sign + t2Unit + t1Unit + t2Flag + t1Flag + t2 + t1 + "\r";
}

const std::string WorkedExample = "x21020101230456\r";

uint64_t Bits(double x) {
  uint64_t bits;
  std::memcpy(&bits, &x, sizeof bits);
  return bits;
}

class Thermometer : public ::testing::Test {
 protected:
  void SetUp() override {
    fake_line::StartAsLoaded();
    T1 = T2 = 0.0;
    T1UnitLabel = T2UnitLabel = "";
  }
  // Queues a frame and lets a request on channel 0 decode it.
  void Decode(const std::string& frame) {
    fake_line::Arrive(frame);
    DeviceEad(0);
    ASSERT_EQ(fake_line::Queued(), 0u);
  }
};

TEST_F(Thermometer, WorkedExample) {
  EXPECT_EQ(WorkedExample, Frame('2', '1', "02", '0', '1', "0123", "0456"));
  fake_line::Arrive(WorkedExample);
  EXPECT_EQ(DeviceEa(0), 46);
  EXPECT_EQ(DeviceEa(1), -123);
  EXPECT_EQ(DeviceEa(2), 456);
  EXPECT_EQ(DeviceEa(3), -1230);
  EXPECT_EQ(DeviceEad(0), 45.6);
  EXPECT_EQ(DeviceEad(1), -123.0);
  EXPECT_EQ(DeviceEad(2), 456.0);
  EXPECT_EQ(DeviceEad(3), -1230.0);
  const std::string names[] = {"T1 " + F, "T2 " + C, "T1*10 " + F, "T2*10 " + C};
  for (int n = 0; n < 4; ++n) {
    EXPECT_EQ(Show(DeviceNea(n)), Show(names[n])) << "nea " << n;
    EXPECT_EQ(Show(DeviceNead(n)), Show(names[n])) << "nead " << n;
  }
  EXPECT_STREQ(DeviceNea(4), "");
}

TEST_F(Thermometer, BeforeAnyFrame) {
  for (int n = 0; n < 4; ++n) {
    EXPECT_EQ(DeviceEa(n), 0);
    EXPECT_EQ(Bits(DeviceEad(n)), Bits(0.0));
  }
  EXPECT_STREQ(DeviceNea(0), "T1 ");
  EXPECT_STREQ(DeviceNea(1), "T2 ");
  EXPECT_STREQ(DeviceNead(2), "T1*10 ");
  EXPECT_STREQ(DeviceNead(3), "T2*10 ");
}

TEST_F(Thermometer, SignCodeNegatesT1T2OrBoth) {
  const struct {
    char code;
    double t1, t2;
  } cases[] = {
      {'0', 45.6, 123}, {'1', -45.6, 123}, {'2', 45.6, -123}, {'3', -45.6, -123},
      {'4', 45.6, 123}, {' ', 45.6, 123},  {'-', 45.6, 123},  {'\0', 45.6, 123},
  };
  for (const auto& c : cases) {
    Decode(Frame(c.code, '1', "02", '0', '1', "0123", "0456"));
    EXPECT_EQ(DeviceEad(0), c.t1) << "sign code " << Show(std::string(1, c.code));
    EXPECT_EQ(DeviceEad(1), c.t2) << "sign code " << Show(std::string(1, c.code));
    EXPECT_EQ(DeviceEad(2), c.t1 * 10) << "sign code " << Show(std::string(1, c.code));
  }
}

TEST_F(Thermometer, UnitCodesAreReadApartForEachInput) {
  const struct {
    char t2Code;
    const char* t1Code;
    std::string t2Label, t1Label;
  } cases[] = {
      {'1', "02", C, F}, {'2', "02", F, F}, {'2', "01", F, C}, {'0', "00", C, C}, {'2', "20", F, C},
      {'2', "12", F, C}, {'3', "2 ", C, C}, {' ', " 2", C, C}, {'2', "2 ", F, C},
  };
  for (const auto& c : cases) {
    Decode(Frame('0', c.t2Code, c.t1Code, '0', '1', "0123", "0456"));
    const std::string codes = std::string(1, c.t2Code) + "/" + c.t1Code;
    EXPECT_EQ(Show(DeviceNea(0)), Show("T1 " + c.t1Label)) << codes;
    EXPECT_EQ(Show(DeviceNea(3)), Show("T2*10 " + c.t2Label)) << codes;
    EXPECT_EQ(DeviceEad(0), 45.6) << codes << ": the unit never changes the number";
    EXPECT_EQ(DeviceEad(1), 123.0) << codes;
  }
}

TEST_F(Thermometer, OnlyADecimalFlagOfOneGivesTenths) {
  const struct {
    char t2Flag, t1Flag;
    const char *t2Digits, *t1Digits;
    double t2, t1;
  } cases[] = {
      {'0', '1', "0123", "0456", 123, 45.6}, {'1', '0', "0123", "0456", 12.3, 456},
      {'1', '1', "0123", "0456", 12.3, 45.6}, {'2', '2', "0123", "0456", 123, 456},
      {' ', ' ', "0123", "0456", 123, 456},   {'0', '0', "0123", "0456", 123, 456},
      {'1', '1', "0003", "0007", 0.3, 0.7},  // divided by ten, not multiplied by 0.1
  };
  for (const auto& c : cases) {
    Decode(Frame('0', '1', "01", c.t2Flag, c.t1Flag, c.t2Digits, c.t1Digits));
    EXPECT_EQ(DeviceEad(1), c.t2) << "flags " << c.t2Flag << c.t1Flag << ", T2 " << c.t2Digits;
    EXPECT_EQ(DeviceEad(0), c.t1) << "flags " << c.t2Flag << c.t1Flag << ", T1 " << c.t1Digits;
  }
}

TEST_F(Thermometer, TheShortestFrameGivesZerosSignedAsMarked) {
  Decode(WorkedExample);
  Decode("x3202\r");  // sign code 3, T2 in °F, T1 in °F, nothing else
  EXPECT_EQ(Bits(DeviceEad(0)), Bits(-0.0));
  EXPECT_EQ(Bits(DeviceEad(1)), Bits(-0.0));
  EXPECT_EQ(DeviceEa(0), 0);
  EXPECT_EQ(Show(DeviceNea(0)), Show("T1 " + F));
  EXPECT_EQ(Show(DeviceNea(1)), Show("T2 " + F));

  Decode("x0100\r");
  EXPECT_EQ(Bits(DeviceEad(0)), Bits(0.0));
  EXPECT_EQ(Show(DeviceNea(0)), Show("T1 " + C));
  EXPECT_EQ(Show(DeviceNea(1)), Show("T2 " + C));
}

TEST_F(Thermometer, AFrameOneCharacterShortReadsT1UpToTheCarriageReturn) {
  Decode("x000001" "0123" "045\r");  // T1's field is "045" and the CR
  EXPECT_EQ(DeviceEad(0), 4.5);
  EXPECT_EQ(DeviceEad(1), 123.0);
}

TEST_F(Thermometer, EaRoundsHalvesToEven) {
  const struct {
    char sign, t1Flag;
    const char* t1;
    int32_t ea0, ea2;
    double ead0;
  } cases[] = {
      {'0', '1', "0225", 22, 225, 22.5},   {'0', '1', "0235", 24, 235, 23.5},
      {'1', '1', "0005", 0, -5, -0.5},     {'1', '1', "0025", -2, -25, -2.5},
      {'1', '1', "0015", -2, -15, -1.5},   {'0', '0', "2.25", 2, 22, 2.25},
      {'0', '0', "2.35", 2, 24, 2.35},     {'1', '0', "0000", 0, 0, -0.0},
  };
  for (const auto& c : cases) {
    Decode(Frame(c.sign, '0', "00", '0', c.t1Flag, "0000", c.t1));
    EXPECT_EQ(DeviceEa(0), c.ea0) << "T1 " << c.ead0;
    EXPECT_EQ(DeviceEa(2), c.ea2) << "T1 " << c.ead0;
    EXPECT_EQ(Bits(DeviceEad(0)), Bits(c.ead0)) << "T1 " << c.ead0;
  }
}

TEST_F(Thermometer, ExponentFieldsBeyondTheIntegerRangeSaturateEa) {
  Decode(Frame('1', '0', "00", '0', '0', "1E-2", "9E99"));
  EXPECT_EQ(DeviceEad(0), -9e99);
  EXPECT_EQ(DeviceEa(0), INT32_MIN);
  EXPECT_EQ(DeviceEa(2), INT32_MIN);
  EXPECT_EQ(DeviceEad(1), 0.01);
  EXPECT_EQ(DeviceEa(1), 0);

  Decode(Frame('0', '0', "00", '1', '0', "9E99", "9E9 "));
  EXPECT_EQ(DeviceEad(1), 9e98);
  EXPECT_EQ(DeviceEa(3), INT32_MAX);
  EXPECT_EQ(DeviceEad(0), 99.0);  // malformed: the digits run together
}

TEST_F(Thermometer, OtherIndexesAnswerNoChannelAndStillDrainTheLine) {
  const int32_t indexes[] = {4, -1, 5, INT32_MAX, INT32_MIN};
  for (int32_t n : indexes) {
    for (int operation = 0; operation < 4; ++operation) {
      SetUp();
      fake_line::Arrive(WorkedExample);
      switch (operation) {
        case 0: EXPECT_EQ(DeviceEa(n), NoChannel) << n; break;
        case 1: EXPECT_EQ(DeviceEad(n), NoChannelValue) << n; break;
        case 2: EXPECT_STREQ(DeviceNea(n), "") << n; break;
        case 3: EXPECT_STREQ(DeviceNead(n), "") << n; break;
      }
      EXPECT_EQ(fake_line::Queued(), 0u) << "operation " << operation << ", index " << n;
      EXPECT_EQ(T1, 45.6) << "operation " << operation << ", index " << n;
    }
  }
}

TEST_F(Thermometer, ANameRequestDecodesAndAnswersTheNewUnit) {
  Decode(Frame('0', '1', "01", '0', '1', "0123", "0456"));
  EXPECT_EQ(Show(DeviceNea(0)), Show("T1 " + C));
  fake_line::Arrive(Frame('0', '2', "02", '0', '1', "0123", "0456"));
  EXPECT_EQ(Show(DeviceNea(0)), Show("T1 " + F));
  EXPECT_EQ(Show(DeviceNead(1)), Show("T2 " + F));
}

TEST_F(Thermometer, NeaAndNeadWriteTheirOwnBuffers) {
  Decode(WorkedExample);
  const char* a = DeviceNea(0);
  const char* b = DeviceNead(1);
  EXPECT_NE(a, b);
  EXPECT_EQ(Show(a), Show("T1 " + F));  // not overwritten by nead
  EXPECT_EQ(Show(b), Show("T2 " + C));
  EXPECT_EQ(DeviceNea(3), a);
  EXPECT_EQ(DeviceNead(2), b);
}

TEST_F(Thermometer, OfTwoFramesWaitingTheFirstIsDecodedAndTheLastValuesStay) {
  fake_line::Arrive(WorkedExample + Frame('0', '2', "01", '0', '0', "0001", "0002"));
  EXPECT_EQ(DeviceEa(1), -123);
  EXPECT_EQ(fake_line::Queued(), 0u);
  EXPECT_EQ(DeviceEad(0), 45.6);  // a silent line leaves the last values
  EXPECT_EQ(Show(DeviceNea(1)), Show("T2 " + C));
}

}  // namespace
