// A host that loads and unloads a driver again and again: a thousand cycles
// in one process, each load opening the port anew and reading a frame
// through it, and nothing left behind by any of them: no Windows handle, no
// descriptor in a Wine process, no resident memory.
#include <gtest/gtest.h>

#include <string>

#include "expected_answers.h"
#include "loopback_plug.h"
#include "wine_processes.h"
#include "wine_session.h"

namespace wine_tests {
namespace {

struct Census {
  int portDescriptors;  // of the pty, in every process but this one: the DLL's handles and the wineserver's
  int hostDescriptors;
  long residentKiB;
};

Census Take(const PtyLine& line, pid_t host) {
  return {line.OpenElsewhere(), OpenDescriptors(host), ResidentKiB(host)};
}

TEST(LoadCycles, AThousandLoadsEachReopenThePortAndLeaveNothingBehind) {
  const Deliverable& d = DeliverableNamed("thermcom2");
  auto host = StartHost();
  PtyLine line;
  SharedPrefix().PointPort(d.com, line.Device());
  // The host holds the port too, to write each cycle's frame; the plug sends
  // it back into the queue that the freshly loaded DLL drains.
  host->Ok("port " + std::to_string(d.com));
  LoopbackPlug plug(line);
  const std::string cycles = "cycles " + d.file + " ";
  const std::string frame = HexBytes("x00000000000000\r");  // T1's digits are the cycle number

  // The first loads settle what Wine sets up once per process.
  ASSERT_EQ(host->Ok(cycles + "20 " + frame).Decimal("read"), 20);
  // Between cycles no DLL is loaded: the pty is open only for the host's
  // own handle, and a handle left open by any load would add to that.
  const Census before = Take(line, host->Pid());
  const Reply reply = host->Command(cycles + "1000 " + frame, Milliseconds(120000));
  ASSERT_TRUE(reply.ok) << reply.line;
  const Census after = Take(line, host->Pid());
  RecordProperty("handles", reply.Field("handles"));
  RecordProperty("pty_descriptors", std::to_string(before.portDescriptors) + "," + std::to_string(after.portDescriptors));
  RecordProperty("host_descriptors", std::to_string(before.hostDescriptors) + "," + std::to_string(after.hostDescriptors));
  RecordProperty("vmrss_kib", std::to_string(before.residentKiB) + "," + std::to_string(after.residentKiB));

  EXPECT_EQ(reply.Decimal("read"), 1000) << "loads that did not read their frame through a reopened port: "
                                         << reply.line;
  const std::string handles = reply.Field("handles");
  const size_t comma = handles.find(',');
  ASSERT_NE(comma, std::string::npos) << reply.line;
  EXPECT_NE(handles.substr(0, comma), "-1") << "the host could not count its handles: " << reply.line;
  EXPECT_EQ(handles.substr(comma + 1), handles.substr(0, comma)) << "Windows handles of the host, before,after";
  EXPECT_EQ(after.portDescriptors, before.portDescriptors) << "descriptors of the pty in the Wine processes";
  EXPECT_EQ(after.hostDescriptors, before.hostDescriptors) << "descriptors of the host process";
  // One page lost per cycle would be 4000 KiB.
  EXPECT_LT(after.residentKiB - before.residentKiB, 256)
      << "VmRSS of the host went from " << before.residentKiB << " to " << after.residentKiB << " KiB";
}

}  // namespace
}  // namespace wine_tests
