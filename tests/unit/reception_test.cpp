// PollDevice through the scripted line, with a device that records every
// text handed to its decoder.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "fake_line.h"
#include "frame_reception.h"
#include "recording_device.h"
#include "test_text.h"
#include "ucommw32.h"

using namespace std::string_literals;

namespace {

const std::string Frame = "x21020101230456\r";    // 15 characters and CR
const std::string Other = "y31120000780099\r";
const std::string Thirty = "abcdefghijklmnopqrstuvwxyz0123";

std::string Held() { return std::string(reinterpret_cast<const char*>(FrameBuffer.chars), FrameBuffer.length); }

std::string Shown(const std::vector<std::string>& texts) {
  std::string shown = "{";
  for (const std::string& t : texts) shown += " " + Show(t);
  return shown + " }";
}

class Reception : public ::testing::Test {
 protected:
  void SetUp() override {
    fake_line::StartAsLoaded();
    recording_device::Decoded.clear();
  }
};

struct Scenario {
  const char* name;
  std::vector<std::string> calls;    // what arrives before each PollDevice
  std::vector<std::string> decoded;  // every text decoded, in order
  std::string held;                  // FrameBuffer afterwards
};

TEST_F(Reception, CutsFramesWhereACallEndsOnACarriageReturn) {
  const Scenario scenarios[] = {
      {"one frame", {Frame}, {Frame}, ""},
      {"two frames waiting: the first and 4 characters of the second",
       {Frame + Other}, {Frame + Other.substr(0, 4)}, ""},
      {"a frame split over two calls", {Frame.substr(0, 10), Frame.substr(10)}, {Frame}, ""},
      {"a CR first, then a frame: fields one position later", {"\r", Frame}, {"\r" + Frame}, ""},
      {"the 3-character tail of a frame, then a frame", {"56\r", Frame}, {"56\r" + Frame}, ""},
      {"the 8-character tail of a frame is decoded as a frame", {Frame.substr(8)}, {Frame.substr(8)}, ""},
      {"5 characters ending on CR: nothing decoded, nothing emptied", {"abcd\r"}, {}, "abcd\r"},
      {"6 characters ending on CR are decoded", {"abcde\r"}, {"abcde\r"}, ""},
      {"30 characters without CR keep 20; a later CR decodes them", {Thirty, "\r"}, {Thirty.substr(0, 20)}, ""},
      {"a full buffer ended by a CR in the same call", {Thirty + "\r"}, {Thirty.substr(0, 20)}, ""},
      {"a CR inside the drain cuts nothing", {"ab\rdefgh"}, {}, "ab\rdefgh"},
      {"nothing waiting after a decode", {Frame, ""}, {Frame}, ""},
      {"nothing waiting while LastChar is CR", {"abc\r", ""}, {}, "abc\r"},
      {"NUL bytes are ordinary characters", {"a\0b\0\0\xB0\r"s}, {"a\0b\0\0\xB0\r"s}, ""},
      {"a NUL read after the CR ends the call: no decode", {Frame + "\0"s}, {}, Frame + "\0"s},
      {"one decode per call, then the next frame", {Frame, Other}, {Frame, Other}, ""},
  };
  for (const Scenario& s : scenarios) {
    SetUp();
    for (const std::string& bytes : s.calls) {
      fake_line::Arrive(bytes);
      PollDevice();
      EXPECT_EQ(fake_line::Queued(), 0u) << s.name << ": the drain reads everything";
      if (!bytes.empty()) {
        EXPECT_EQ(LastChar, static_cast<unsigned char>(bytes.back())) << s.name;
      }
    }
    EXPECT_EQ(Shown(recording_device::Decoded), Shown(s.decoded)) << s.name;
    EXPECT_EQ(Show(Held()), Show(s.held)) << s.name;
  }
}

TEST_F(Reception, AFullBufferWhose16thCharacterIsCrWaitsForACrAtTheEndOfACall) {
  fake_line::Arrive(Frame + "abcd");
  PollDevice();
  fake_line::Arrive("ef");
  PollDevice();
  EXPECT_TRUE(recording_device::Decoded.empty());
  EXPECT_EQ(Show(Held()), Show(Frame + "abcd"));

  fake_line::Arrive("\r");
  PollDevice();
  ASSERT_EQ(recording_device::Decoded.size(), 1u);
  EXPECT_EQ(Show(recording_device::Decoded[0]), Show(Frame + "abcd"));
  EXPECT_EQ(FrameBuffer.length, 0u);
}

TEST_F(Reception, EveryByteCostsTwoQueriesAndOneRead) {
  fake_line::Arrive(Frame + Other);
  PollDevice();
  EXPECT_EQ(fake_line::Reads, 32);
  EXPECT_EQ(fake_line::Queries, 2 * 32 + 1);  // and one more that ends the drain
}

TEST_F(Reception, NothingIsReadWhenThePortDidNotOpen) {
  fake_line::Reset();
  fake_line::OpenFails = true;
  OpenPort();
  EXPECT_EQ(PortHandle, NoHandle);
  fake_line::Arrive(Frame);
  PollDevice();
  EXPECT_EQ(fake_line::Queued(), Frame.size());
  EXPECT_EQ(fake_line::Reads, 0);
  EXPECT_TRUE(recording_device::Decoded.empty());
}

// A line that reports bytes and then fails: the read waits its time-out and
// gives TimeoutChar, which is stored like a received character, and the
// drain ends at the first query that fails.
TEST_F(Reception, ALineThatFailsInTheMiddleOfADrainEndsIt) {
  fake_line::Arrive("ab\r");
  PollDevice();
  ASSERT_EQ(LastChar, '\r');
  fake_line::Arrive(Frame);
  fake_line::FailReads(true);
  fake_line::FailQueriesAfter(1);
  PollDevice();
  EXPECT_EQ(Show(Held()), Show("ab\r" + std::string(1, static_cast<char>(TimeoutChar))));
  EXPECT_EQ(LastChar, TimeoutChar);
  EXPECT_TRUE(recording_device::Decoded.empty());
  EXPECT_GT(fake_line::Now(), static_cast<uint32_t>(ReadTimeout));
}

// A line that keeps reporting bytes while every read fails: the drain ends
// after the first read that waits out its time-out instead of looping for as
// long as the driver keeps reporting them.
TEST_F(Reception, ALineThatReportsBytesItCannotDeliverEndsTheDrain) {
  fake_line::Arrive(Frame);
  fake_line::FailReads(true);
  PollDevice();
  EXPECT_EQ(Show(Held()), Show(std::string(1, static_cast<char>(TimeoutChar))));
  EXPECT_EQ(LastChar, TimeoutChar);
  EXPECT_EQ(fake_line::Queued(), Frame.size());
  EXPECT_LT(fake_line::Now(), 2u * ReadTimeout + 10);
  EXPECT_TRUE(recording_device::Decoded.empty());
}

}  // namespace
