// Frames written into the pseudo-terminal reach the real DLLs through Wine's
// serial driver: the thermometer's worked example, the light meter's
// examples, and which calls read the line.
#include <gtest/gtest.h>

#include <termios.h>

#include <cmath>

#include "expected_answers.h"
#include "loaded_deliverable.h"

namespace wine_tests {
namespace {

// What the DLL's configuration of the port leaves on the line: 9600 8N1
// without flow control (the pty started at 1200 7E1).
void ExpectLineConfigured(const PtyLine& line, const std::string& who) {
  const termios t = line.Settings();
  EXPECT_EQ(cfgetispeed(&t), static_cast<speed_t>(B9600)) << who << ": input speed";
  EXPECT_EQ(cfgetospeed(&t), static_cast<speed_t>(B9600)) << who << ": output speed";
  EXPECT_EQ(t.c_cflag & CSIZE, static_cast<tcflag_t>(CS8)) << who << ": data bits";
  EXPECT_EQ(t.c_cflag & PARENB, 0u) << who << ": parity";
  EXPECT_EQ(t.c_cflag & CSTOPB, 0u) << who << ": two stop bits";
  EXPECT_EQ(t.c_cflag & CRTSCTS, 0u) << who << ": hardware flow control";
  EXPECT_EQ(t.c_iflag & (IXON | IXOFF), 0u) << who << ": XON/XOFF flow control";
}

TEST(ThermometerThroughThePty, WorkedExample) {
  LoadedDeliverable t(DeliverableNamed("thermcom2"));
  DriverModule& m = *t.module;
  ExpectLineConfigured(t.line, "thermcom2 after load");

  for (int32_t n = 0; n < 4; ++n) {
    EXPECT_EQ(m.Call("ea", {Int(n)}), IntAnswer(0)) << "before any frame, ea(" << n << ")";
    EXPECT_EQ(m.Call("ead", {Int(n)}), DoubleAnswer(0.0)) << "before any frame, ead(" << n << ")";
  }
  EXPECT_EQ(m.Call("nea", {Int(0)}), TextAnswer("T1 "));
  EXPECT_EQ(m.Call("nead", {Int(2)}), TextAnswer("T1*10 "));

  t.line.Send("x21020101230456\r");
  EXPECT_EQ(m.Call("ea", {Int(0)}), IntAnswer(46));
  EXPECT_EQ(t.line.Queued(), 0u) << "ea(0) left bytes of the frame queued";

  struct Channel {
    int32_t ea;
    double ead;
    const char* name;
    uint32_t single;
  };
  const Channel channels[] = {{46, 45.6, "T1 \xB0" "F", 0x42366666},
                              {-123, -123.0, "T2 \xB0" "C", 0xC2F60000},
                              {456, 456.0, "T1*10 \xB0" "F", 0x43E40000},
                              {-1230, -1230.0, "T2*10 \xB0" "C", 0xC499C000}};
  for (int32_t n = 0; n < 4; ++n) {
    const Channel& c = channels[n];
    EXPECT_EQ(m.Call("ea", {Int(n)}), IntAnswer(c.ea)) << "ea(" << n << ")";
    EXPECT_EQ(m.Call("ead", {Int(n)}), DoubleAnswer(c.ead)) << "ead(" << n << ")";
    EXPECT_EQ(m.Call("nea", {Int(n)}), TextAnswer(c.name)) << "nea(" << n << ")";
    EXPECT_EQ(m.Call("nead", {Int(n)}), TextAnswer(c.name)) << "nead(" << n << ")";
    // The nearest single, not a truncated one.
    Answer single;
    single.kind = Kind::Single;
    single.bits = c.single;
    EXPECT_EQ(m.Call("stdeas", {Int(n)}), single) << "stdeas(" << n << ")";
  }
  for (int32_t n : {4, -1}) {
    EXPECT_EQ(m.Call("ea", {Int(n)}), IntAnswer(-777)) << "ea(" << n << ")";
    EXPECT_EQ(m.Call("ead", {Int(n)}), DoubleAnswer(-777.0)) << "ead(" << n << ")";
    EXPECT_EQ(m.Call("nea", {Int(n)}), TextAnswer("")) << "nea(" << n << ")";
    EXPECT_EQ(m.Call("nead", {Int(n)}), TextAnswer("")) << "nead(" << n << ")";
  }
  EXPECT_EQ(t.line.TakeWrittenByHost(), "") << "the DLL wrote to the line";
}

TEST(ThermometerThroughThePty, EveryIndexDrainsAndAFrameMayArriveInPieces) {
  LoadedDeliverable t(DeliverableNamed("thermcom2"));
  DriverModule& m = *t.module;
  t.line.Send("x3102010123");
  EXPECT_EQ(m.Call("ea", {Int(4)}), IntAnswer(-777));
  EXPECT_EQ(t.line.Queued(), 0u) << "ea(4) did not drain the line";
  EXPECT_EQ(m.Call("ead", {Int(0)}), DoubleAnswer(0.0)) << "decoded without a carriage return";
  t.line.Send("0456\r");
  EXPECT_EQ(m.Call("nea", {Int(-1)}), TextAnswer(""));
  EXPECT_EQ(t.line.Queued(), 0u) << "nea(-1) did not drain the line";
  EXPECT_EQ(m.Call("ead", {Int(0)}), DoubleAnswer(-45.6)) << "sign code 3";
  EXPECT_EQ(m.Call("ead", {Int(1)}), DoubleAnswer(-123.0)) << "sign code 3";
}

TEST(LightMeterThroughThePty, Examples) {
  LoadedDeliverable lux(DeliverableNamed("luxcom1"));
  DriverModule& m = *lux.module;
  ExpectLineConfigured(lux.line, "luxcom1 after load");
  EXPECT_EQ(m.Call("ea", {Int(0)}), IntAnswer(0)) << "before any frame";
  EXPECT_EQ(m.Call("ead", {Int(0)}), DoubleAnswer(0.0)) << "before any frame";
  EXPECT_EQ(m.Call("nea", {Int(0)}), TextAnswer("")) << "before any frame";

  struct Row {
    const char* frame;  // reading at positions 12 to 15, unit code at 4 and 5
    double ead;
    int32_t ea;
    const char* name;
  };
  const Row rows[] = {
      {"LX 06 0000 0123\r", 123.0, 123, "(lux)"},  {"LX 16 0000 9999\r", 9999.0, 9999, "(Ft-cd)"},
      {"LX 06 0000 12.5\r", 12.5, 12, "(lux)"},    {"LX 16 0000 13.5\r", 13.5, 14, "(Ft-cd)"},
      {"LX 15 0000 -7.2\r", -7.2, -7, "(lux)"},    {"LX 16 0000012 3\r", 12.0, 12, "(Ft-cd)"},
      {"LX 61 00000-12a\r", 12.0, 12, "(lux)"},    {"LX 16 000007\r", 7.0, 7, "(Ft-cd)"},
      {"LX 06 0\r", 0.0, 0, "(lux)"},
  };
  bool nameFirst = false;
  for (const Row& row : rows) {
    lux.line.Send(row.frame);
    // The name reads the line as the value does.
    nameFirst = !nameFirst;
    if (nameFirst) {
      EXPECT_EQ(m.Call("nea", {Int(0)}), TextAnswer(row.name)) << Quoted(row.frame);
    }
    EXPECT_EQ(m.Call("ead", {Int(0)}), DoubleAnswer(row.ead)) << Quoted(row.frame);
    EXPECT_EQ(lux.line.Queued(), 0u) << Quoted(row.frame);
    EXPECT_EQ(m.Call("ea", {Int(0)}), IntAnswer(row.ea)) << Quoted(row.frame);
    EXPECT_EQ(m.Call("nead", {Int(0)}), TextAnswer(row.name)) << Quoted(row.frame);
  }
  EXPECT_EQ(lux.line.TakeWrittenByHost(), "") << "the DLL wrote to the line";
}

// Only channel 0 reads the line: every analog-input export for another
// index answers at once and leaves what arrived in the serial driver.
TEST(LightMeterThroughThePty, OtherIndexesLeaveTheBytesQueued) {
  LoadedDeliverable lux(DeliverableNamed("luxcom2"));
  DriverModule& m = *lux.module;
  const std::string frame = "LX 06 0000 0042\r";
  lux.line.Send(frame);
  const DeviceModel initial = InitialModel(Device::LightMeter);
  for (const char* name : {"ea", "ead", "nea", "nead", "pead", "stdea", "stdead", "stdnea", "stdnead", "stdeas"}) {
    for (int32_t n : {1, -1, 2147483647}) {
      EXPECT_EQ(m.Call(name, {Int(n)}), Expected(lux.deliverable, initial, name, {Int(n)})) << name << "(" << n << ")";
      EXPECT_EQ(lux.line.Queued(), frame.size()) << name << "(" << n << ") read the line";
    }
  }
  for (const char* name : {"eadouble", "neadouble", "stdeadouble", "stdneadouble"}) {
    for (double x : {1.0, -1.0, 0.5000000000000001, 1e300, std::nan("")}) {
      EXPECT_EQ(m.Call(name, {Dbl(x)}), Expected(lux.deliverable, initial, name, {Dbl(x)})) << name << "(" << x << ")";
      EXPECT_EQ(lux.line.Queued(), frame.size()) << name << "(" << x << ") read the line";
    }
  }
  EXPECT_EQ(m.Call("eadouble", {Dbl(0.5)}), DoubleAnswer(42.0)) << "eadouble(0.5) is channel 0";
  EXPECT_EQ(lux.line.Queued(), 0u);
}

}  // namespace
}  // namespace wine_tests
