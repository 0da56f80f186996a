// The serial unit's own logic (OpenPort, BytesWaiting, the ReadByte wait)
// over the scripted line, whose clock advances 1 ms per reading.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "fake_line.h"
#include "frame_reception.h"
#include "ucommw32.h"

namespace {

class SerialUnit : public ::testing::Test {
 protected:
  void SetUp() override {
    fake_line::Reset();
    PortName = "Com2:";
    PortSettings = "baud=9600 parity=n data=8 stop=1";
    OpenPort();
  }
};

TEST_F(SerialUnit, OpenPortHandsNameAndSettingsToThePlatform) {
  EXPECT_EQ(fake_line::Opens, 1);
  EXPECT_EQ(fake_line::OpenedName, "Com2:");
  EXPECT_EQ(fake_line::OpenedSettings, "baud=9600 parity=n data=8 stop=1");
  EXPECT_NE(PortHandle, NoHandle);
}

TEST_F(SerialUnit, AnOverlongNameIsCutNotOverrun) {
  const std::string longName(300, 'N');
  PortName = longName.c_str();
  OpenPort();
  EXPECT_LT(fake_line::OpenedName.size(), longName.size());
  EXPECT_EQ(longName.compare(0, fake_line::OpenedName.size(), fake_line::OpenedName), 0);
}

TEST_F(SerialUnit, BytesWaitingCountsModulo65536AndReadsNothing) {
  const struct {
    size_t queued;
    uint16_t answer;
  } cases[] = {{0, 0}, {1, 1}, {20, 20}, {65535, 65535}, {65536, 0}, {65537, 1}};
  for (const auto& c : cases) {
    fake_line::Reset();
    OpenPort();
    fake_line::Arrive(std::string(c.queued, 'a'));
    EXPECT_EQ(BytesWaiting(), c.answer) << c.queued << " queued";
    EXPECT_EQ(BytesWaiting(), c.answer) << c.queued << " queued";
    EXPECT_EQ(fake_line::Queued(), c.queued);
    EXPECT_EQ(fake_line::Reads, 0);
  }
}

TEST_F(SerialUnit, BytesWaitingIsZeroWhenTheQueryFails) {
  fake_line::Arrive("abc");
  fake_line::FailQueries(true);
  EXPECT_EQ(BytesWaiting(), 0);
}

TEST_F(SerialUnit, BytesWaitingIsZeroForAPortThatDidNotOpen) {
  fake_line::Reset();
  fake_line::OpenFails = true;
  OpenPort();
  fake_line::Arrive("abc");
  EXPECT_EQ(PortHandle, NoHandle);
  EXPECT_EQ(BytesWaiting(), 0);
}

TEST_F(SerialUnit, ReadByteReturnsAWaitingByteInOnePass) {
  fake_line::Arrive("\xB0z");
  const uint32_t start = fake_line::Now();
  EXPECT_EQ(ReadByte(), 0xB0);
  EXPECT_EQ(fake_line::Reads, 1);
  EXPECT_EQ(fake_line::Queries, 1);
  EXPECT_LE(fake_line::Now() - start, 1u);
  EXPECT_EQ(fake_line::Queued(), 1u);
}

// The wait ends at the first check that finds more than ReadTimeout gone,
// also when the 32-bit clock wraps during it.
TEST_F(SerialUnit, ReadByteGivesTheTimeoutCharacterALittleAfterReadTimeout) {
  const struct {
    const char* line;
    bool queriesFail;
    uint32_t clock;
  } cases[] = {
      {"reports a byte, reads fail", false, 5000},
      {"queries fail too", true, 5000},
      {"across the wrap of the clock", false, 0xFFFFFFFFu - 400},
  };
  for (const auto& c : cases) {
    fake_line::Reset();
    OpenPort();
    fake_line::Arrive("a");
    fake_line::FailReads(true);
    fake_line::FailQueries(c.queriesFail);
    fake_line::SetClock(c.clock);
    EXPECT_EQ(ReadByte(), TimeoutChar) << c.line;
    // The clock's last reading was the first more than ReadTimeout after
    // the first one.
    const uint32_t waited = fake_line::Now() - 1 - c.clock;
    EXPECT_EQ(waited, ReadTimeout + 1u) << c.line;
  }
}

TEST(TimeoutChar, CanNeverEndAFrame) { EXPECT_NE(TimeoutChar, FrameTerminator); }

}  // namespace
