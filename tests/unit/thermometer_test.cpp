#include <gtest/gtest.h>

#include "device.h"
#include "fake_line.h"
#include "frame_reception.h"
#include "thermometer.h"
#include "ucommw32.h"

namespace {

class Thermometer : public ::testing::Test {
 protected:
  void SetUp() override {
    fake_line::Reset();
    PortName = "Com2:";
    OpenPort();
    FrameBuffer.length = 0;
    LastChar = 0;
    T1 = T2 = 0.0;
    T1UnitLabel = T2UnitLabel = "";
  }
};

TEST_F(Thermometer, WorkedExample) {
  fake_line::Arrive("x21020101230456\r");
  EXPECT_EQ(DeviceEa(0), 46);
  EXPECT_EQ(DeviceEa(1), -123);
  EXPECT_EQ(DeviceEa(2), 456);
  EXPECT_EQ(DeviceEa(3), -1230);
  EXPECT_EQ(DeviceEad(0), 45.6);
  EXPECT_EQ(DeviceEad(3), -1230.0);
  EXPECT_STREQ(DeviceNea(0), "T1 \xB0" "F");
  EXPECT_STREQ(DeviceNead(3), "T2*10 \xB0" "C");
  EXPECT_STREQ(DeviceNea(4), "");
}

}  // namespace
