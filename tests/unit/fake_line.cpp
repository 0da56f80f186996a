#include "fake_line.h"

#include <cstdio>
#include <cstdlib>
#include <deque>

#include "frame_reception.h"
#include "serial_platform.h"
#include "ucommw32.h"

namespace fake_line {

std::string OpenedName;
std::string OpenedSettings;
int Opens = 0;
int Closes = 0;
int Queries = 0;
int Reads = 0;
bool OpenFails = false;

namespace {
std::deque<unsigned char> Queue;
bool QueriesFail = false;
int QueriesLeft = -1;  // successful queries before they fail; -1: no limit
bool ReadsFail = false;
uint32_t Clock = 0;
// A wait that never ends would read the clock for ever: stop the test instead.
constexpr uint64_t ClockReadingsLimit = 100000000;
uint64_t ClockReadings = 0;
constexpr intptr_t FakeHandle = 7;
}  // namespace

void Reset() {
  Queue.clear();
  QueriesFail = ReadsFail = OpenFails = false;
  QueriesLeft = -1;
  Clock = 0;
  ClockReadings = 0;
  Opens = Closes = Queries = Reads = 0;
  OpenedName.clear();
  OpenedSettings.clear();
}
void StartAsLoaded() {
  Reset();
  PortName = "Com2:";
  OpenPort();
  FrameBuffer.length = 0;
  LastChar = 0;
}
void Arrive(const std::string& bytes) { Queue.insert(Queue.end(), bytes.begin(), bytes.end()); }
size_t Queued() { return Queue.size(); }
void FailQueries(bool fail) { QueriesFail = fail; }
void FailQueriesAfter(int successes) { QueriesLeft = successes; }
void FailReads(bool fail) { ReadsFail = fail; }
void SetClock(uint32_t ms) { Clock = ms; }
uint32_t Now() { return Clock; }

}  // namespace fake_line

using namespace fake_line;

intptr_t PlatformOpen(const char* name, const char* settings, uint16_t) {
  ++Opens;
  OpenedName = name;
  OpenedSettings = settings;
  return OpenFails ? NoHandle : FakeHandle;
}

bool PlatformInputQueue(intptr_t handle, uint32_t* count) {
  ++Queries;
  if (QueriesLeft == 0) QueriesFail = true;
  if (QueriesLeft > 0) --QueriesLeft;
  if (handle != FakeHandle || QueriesFail) return false;
  *count = static_cast<uint32_t>(Queue.size());
  return true;
}

bool PlatformReadOne(intptr_t handle, unsigned char* byte) {
  ++Reads;
  if (handle != FakeHandle || ReadsFail || Queue.empty()) return false;
  *byte = Queue.front();
  Queue.pop_front();
  return true;
}

uint32_t PlatformTicks() {
  if (++ClockReadings > ClockReadingsLimit) {
    std::fprintf(stderr, "fake line: the clock was read %llu times since the reset; a wait does not end\n",
                 static_cast<unsigned long long>(ClockReadings));
    std::abort();
  }
  return Clock++;
}

void PlatformClose(intptr_t) { ++Closes; }
