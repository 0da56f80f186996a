// Reception and decoding on the scripted fake line, per device:
// - one frame received and decoded by ead, against the 49 platform calls
//   that its drain must make (16 x (status query, status query, read) and the
//   query that ends it), made bare on the same fake line;
// - ead with nothing waiting, against one bare status query;
// - heap allocations per export call (every counter named allocs/call must
//   read 0; export_allocation_test fails the test run if one does not).
// The Ratio benchmarks pair the two measurements call by call (or batch by
// batch where one call is too short to time) and report the median of the
// ratios, which a noisy machine disturbs less than a ratio of two means.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <vector>

#include "allocation_counter.h"
#include "bench_device.h"
#include "device.h"
#include "driver_exports.h"
#include "every_export.h"
#include "fake_line.h"
#include "float_environment.h"
#include "frame_reception.h"
#include "serial_platform.h"
#include "ucommw32.h"

namespace {

using Clock = std::chrono::steady_clock;

constexpr double FrameLineSeconds = 16 * 10 / 9600.0;  // 16 characters of 10 bits at 9600 bit/s

void StartAsLoaded() {
  fake_line::StartAsLoaded();
  ResetDeviceState();
}

double Seconds(Clock::time_point start, Clock::time_point end) {
  return std::chrono::duration<double>(end - start).count();
}

// The platform calls of one drain of a 16-character frame, with nothing
// around them.
void BareDrain() {
  uint32_t count = 0;
  unsigned char byte = 0;
  for (int i = 0; i < 16; ++i) {
    PlatformInputQueue(PortHandle, &count);
    PlatformInputQueue(PortHandle, &count);
    PlatformReadOne(PortHandle, &byte);
  }
  PlatformInputQueue(PortHandle, &count);
  benchmark::DoNotOptimize(byte);
}

void BareStatusQuery() {
  uint32_t count = 0;
  benchmark::DoNotOptimize(PlatformInputQueue(PortHandle, &count));
  benchmark::DoNotOptimize(count);
}

void ReportAllocations(benchmark::State& state, size_t allocations, double calls) {
  state.counters["allocs/call"] = static_cast<double>(allocations) / calls;
}

double Median(std::vector<double>& values) {
  std::nth_element(values.begin(), values.begin() + values.size() / 2, values.end());
  return values[values.size() / 2];
}

void BM_FrameReceivedAndDecoded(benchmark::State& state) {
  StartAsLoaded();
  size_t allocations = 0;
  for (auto _ : state) {
    fake_line::Arrive(DeviceFrame);
    const size_t before = AllocationCount();
    const auto start = Clock::now();
    benchmark::DoNotOptimize(ead(0));
    const auto end = Clock::now();
    allocations += AllocationCount() - before;
    state.SetIterationTime(Seconds(start, end));
  }
  ReportAllocations(state, allocations, static_cast<double>(state.iterations()));
}
BENCHMARK(BM_FrameReceivedAndDecoded)->UseManualTime();

void BM_BareDrain49Calls(benchmark::State& state) {
  StartAsLoaded();
  for (auto _ : state) {
    fake_line::Arrive(DeviceFrame);
    const auto start = Clock::now();
    BareDrain();
    const auto end = Clock::now();
    state.SetIterationTime(Seconds(start, end));
  }
}
BENCHMARK(BM_BareDrain49Calls)->UseManualTime();

void BM_EadNothingWaiting(benchmark::State& state) {
  StartAsLoaded();
  const size_t before = AllocationCount();
  for (auto _ : state) benchmark::DoNotOptimize(ead(0));
  ReportAllocations(state, AllocationCount() - before, static_cast<double>(state.iterations()));
}
BENCHMARK(BM_EadNothingWaiting);

void BM_NeaNothingWaiting(benchmark::State& state) {
  StartAsLoaded();
  const size_t before = AllocationCount();
  for (auto _ : state) benchmark::DoNotOptimize(nea(0));
  ReportAllocations(state, AllocationCount() - before, static_cast<double>(state.iterations()));
}
BENCHMARK(BM_NeaNothingWaiting);

void BM_BareStatusQuery(benchmark::State& state) {
  StartAsLoaded();
  for (auto _ : state) BareStatusQuery();
}
BENCHMARK(BM_BareStatusQuery);

// Where the time of a call goes beyond the platform calls: the decoder on
// its own, and the floating-point guard that every analog input sets up.
void BM_DecodeFrameAlone(benchmark::State& state) {
  StartAsLoaded();
  const auto* text = reinterpret_cast<const unsigned char*>(DeviceFrame.data());
  for (auto _ : state) {
    benchmark::DoNotOptimize(text);
    DecodeFrame(text, DeviceFrame.size());
    benchmark::ClobberMemory();
  }
}
BENCHMARK(BM_DecodeFrameAlone);

void BM_FloatGuardAlone(benchmark::State& state) {
  for (auto _ : state) {
    FloatEnvironment nearest;
    benchmark::ClobberMemory();
  }
}
BENCHMARK(BM_FloatGuardAlone);

// ead with a frame waiting / the bare drain, paired call by call.
void BM_RatioFrameToBareDrain(benchmark::State& state) {
  StartAsLoaded();
  std::vector<double> ratios;
  std::vector<double> frameSeconds;
  std::vector<double> bareSeconds;
  for (auto _ : state) {
    fake_line::Arrive(DeviceFrame);
    const auto a0 = Clock::now();
    benchmark::DoNotOptimize(ead(0));
    const auto a1 = Clock::now();
    fake_line::Arrive(DeviceFrame);
    const auto b0 = Clock::now();
    BareDrain();
    const auto b1 = Clock::now();
    ratios.push_back(Seconds(a0, a1) / Seconds(b0, b1));
    frameSeconds.push_back(Seconds(a0, a1));
    bareSeconds.push_back(Seconds(b0, b1));
  }
  state.counters["median_ratio"] = Median(ratios);
  state.counters["frame_ns"] = 1e9 * Median(frameSeconds);
  state.counters["bare_ns"] = 1e9 * Median(bareSeconds);
  state.counters["line_share"] = Median(frameSeconds) / FrameLineSeconds;
}
BENCHMARK(BM_RatioFrameToBareDrain)->Iterations(20000);

// ead with nothing waiting / one bare status query, paired batch by batch
// (one call is shorter than the clock's own cost).
void BM_RatioNothingWaitingToBareQuery(benchmark::State& state) {
  constexpr int Batch = 256;
  StartAsLoaded();
  std::vector<double> ratios;
  std::vector<double> eadSeconds;
  std::vector<double> querySeconds;
  for (auto _ : state) {
    const auto a0 = Clock::now();
    for (int i = 0; i < Batch; ++i) benchmark::DoNotOptimize(ead(0));
    const auto a1 = Clock::now();
    for (int i = 0; i < Batch; ++i) BareStatusQuery();
    const auto b1 = Clock::now();
    ratios.push_back(Seconds(a0, a1) / Seconds(a1, b1));
    eadSeconds.push_back(Seconds(a0, a1) / Batch);
    querySeconds.push_back(Seconds(a1, b1) / Batch);
  }
  state.counters["median_ratio"] = Median(ratios);
  state.counters["ead_ns"] = 1e9 * Median(eadSeconds);
  state.counters["bare_ns"] = 1e9 * Median(querySeconds);
}
BENCHMARK(BM_RatioNothingWaitingToBareQuery)->Iterations(5000);

// Every export once per iteration, a frame waiting whenever the last one has
// been taken, so that the decoding path is counted too. The time is of no
// interest here.
void BM_AllocationsEveryExport(benchmark::State& state) {
  StartAsLoaded();
  size_t allocations = 0;
  for (auto _ : state) {
    for (size_t e = 0; e < EveryExportCount; ++e) {
      if (fake_line::Queued() == 0) fake_line::Arrive(DeviceFrame);
      const size_t before = AllocationCount();
      EveryExport[e].call(0, 0.0, 1.5);
      allocations += AllocationCount() - before;
    }
  }
  ReportAllocations(state, allocations, static_cast<double>(state.iterations() * EveryExportCount));
}
BENCHMARK(BM_AllocationsEveryExport)->Iterations(2000);

}  // namespace

BENCHMARK_MAIN();
