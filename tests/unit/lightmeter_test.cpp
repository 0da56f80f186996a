#include <gtest/gtest.h>

#include "device.h"
#include "fake_line.h"
#include "frame_reception.h"
#include "lightmeter.h"
#include "ucommw32.h"

namespace {

class LightMeter : public ::testing::Test {
 protected:
  void SetUp() override {
    fake_line::Reset();
    OpenPort();
    FrameBuffer.length = 0;
    LastChar = 0;
    Illuminance = 0.0;
    UnitLabel = "";
  }
};

TEST_F(LightMeter, NoReadForOtherChannels) {
  fake_line::Arrive("xxx16xxxxxx0123\r");
  EXPECT_EQ(DeviceEa(1), NoChannel);
  EXPECT_EQ(fake_line::Queued(), 16u);
  EXPECT_EQ(DeviceEa(0), 123);
  EXPECT_STREQ(DeviceNead(0), "(Ft-cd)");
}

}  // namespace
