// No export allocates from the heap, whatever the line holds: every one of
// the 58, at ordinary and extreme indexes, with nothing waiting, a frame,
// part of one, several, a full buffer, a failing line or no port.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <functional>
#include <string>

#include "allocation_counter.h"
#include "bench_device.h"
#include "every_export.h"
#include "fake_line.h"
#include "frame_reception.h"
#include "ucommw32.h"

namespace {

void StartAsLoaded(bool portOpens) {
  fake_line::Reset();
  fake_line::OpenFails = !portOpens;
  PortName = "Com2:";
  OpenPort();
  FrameBuffer.length = 0;
  LastChar = 0;
  ResetDeviceState();
}

struct LineState {
  const char* name;
  std::function<void()> arrange;  // may allocate: it runs outside the count
};

const LineState States[] = {
    {"nothing waiting", [] { StartAsLoaded(true); }},
    {"one frame", [] { StartAsLoaded(true); fake_line::Arrive(DeviceFrame); }},
    {"part of a frame", [] { StartAsLoaded(true); fake_line::Arrive(DeviceFrame.substr(0, 10)); }},
    {"two frames", [] { StartAsLoaded(true); fake_line::Arrive(DeviceFrame + DeviceFrame); }},
    {"full buffer, then CR", [] {
       StartAsLoaded(true);
       fake_line::Arrive(std::string(30, '7') + "\r");
     }},
    {"exponent fields", [] {
       StartAsLoaded(true);
       fake_line::Arrive("\x02" "3020111E501E99\r");
     }},
    {"query fails mid-drain", [] {
       StartAsLoaded(true);
       fake_line::Arrive(DeviceFrame);
       fake_line::FailQueriesAfter(5);
     }},
    {"no port", [] { StartAsLoaded(false); }},
};

const int32_t Indexes[] = {0, 1, 3, 4, -1, INT32_MIN, INT32_MAX};
const double DoubleIndexes[] = {0.0, 2.5, -0.5, NAN, 1e300};

TEST(ExportAllocations, NoExportAllocatesInAnyLineState) {
  for (const LineState& state : States) {
    for (size_t e = 0; e < EveryExportCount; ++e) {
      for (size_t i = 0; i < sizeof Indexes / sizeof Indexes[0]; ++i) {
        const double x = DoubleIndexes[i % (sizeof DoubleIndexes / sizeof DoubleIndexes[0])];
        state.arrange();
        const size_t before = AllocationCount();
        EveryExport[e].call(Indexes[i], x, 1.5);
        const size_t allocations = AllocationCount() - before;
        EXPECT_EQ(allocations, 0u) << EveryExport[e].name << "(n=" << Indexes[i] << ", x=" << x << ") with "
                                   << state.name;
      }
    }
  }
}

// The counter itself works: a check that sees nothing proves nothing.
TEST(ExportAllocations, CounterSeesMallocAndNew) {
  const size_t before = AllocationCount();
  std::string* text = new std::string(100, 'x');
  delete text;
  EXPECT_GE(AllocationCount() - before, 2u);
}

}  // namespace
