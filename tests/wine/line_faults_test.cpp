// Faults on the line, played on the pty under the real DLLs: the
// instrument's end closed in the middle of a frame and in the middle of a
// drain, a long burst of noise, and the port vanishing while the DLL holds
// it. Whatever happens, every call returns (within the one-byte read's
// time-out) and the values decoded last stay in place.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <exception>
#include <functional>
#include <random>
#include <string>
#include <thread>

#include "expected_answers.h"
#include "loaded_deliverable.h"
#include "wine_processes.h"
#include "wine_session.h"

namespace wine_tests {
namespace {

using Clock = std::chrono::steady_clock;

// ReadTimeout of the serial unit, and a bound well beyond it that only a
// hang exceeds, however slow the machine.
constexpr auto ReadTimeout = std::chrono::milliseconds(1000);
constexpr auto HangBound = ReadTimeout + std::chrono::milliseconds(4000);

const std::string Frame = ThermometerExampleFrame();     // T1 45.6 °F, T2 -123 °C
const std::string OtherFrame = "x00000000200030\r";      // T1 30 °C, T2 20 °C

// Every byte value but the carriage return and the digits, in random
// order: no drain can end a frame on it, and the characters of it that the
// rules hand to the decoder name no unit, flag or sign and hold no digit.
std::string Noise(size_t length, unsigned seed) {
  std::mt19937 random(seed);
  std::string noise;
  while (noise.size() < length) {
    const char c = static_cast<char>(random() & 0xFF);
    if (c != '\r' && (c < '0' || c > '9')) noise += c;
  }
  return noise;
}

// Plays the instrument on a thread of its own. A test that ends early (a
// failed assertion, an exception) stops it and waits for it on the way out.
class Instrument {
 public:
  explicit Instrument(std::function<void(const std::atomic<bool>& stop)> play)
      : thread_([this, play] {
          try {
            play(stop_);
          } catch (...) {
            failure_ = std::current_exception();
          }
        }) {}
  ~Instrument() {
    stop_ = true;
    if (thread_.joinable()) thread_.join();
  }
  // Waits for the play to end; rethrows what it threw.
  void Join() {
    if (thread_.joinable()) thread_.join();
    if (failure_) std::rethrow_exception(failure_);
  }

 private:
  std::atomic<bool> stop_{false};
  std::exception_ptr failure_;
  std::thread thread_;  // last: starts once the rest is in place
};

// Writes bytes as the DLL side makes room, a piece at a time, so the
// writer never blocks for long on a queue that nobody drains. False when
// stopped first.
bool Stream(PtyLine& line, const std::string& bytes, const std::atomic<bool>& stop) {
  constexpr size_t Piece = 512;
  for (size_t done = 0; done < bytes.size();) {
    if (stop) return false;
    if (line.Queued() >= 2048) {
      std::this_thread::yield();
      continue;
    }
    line.Write(bytes.substr(done, Piece));
    done += Piece;
  }
  return true;
}

std::string ModuleText(uint64_t handle) {
  char text[24];
  std::snprintf(text, sizeof text, "%llX", static_cast<unsigned long long>(handle));
  return text;
}

// Every analog input of the thermometer against a decoded model, each call
// timed from here.
void ExpectThermometerAnswers(DriverModule& m, const DeviceModel& model, const std::string& when) {
  for (int32_t n = 0; n < 4; ++n) {
    for (const char* name : {"ead", "ea", "nea", "nead"}) {
      const auto start = Clock::now();
      const Answer answer = m.Call(name, {Int(n)});
      const auto took = Clock::now() - start;
      EXPECT_EQ(answer, Expected(DeliverableNamed("thermcom2"), model, name, {Int(n)}))
          << when << ": " << name << "(" << n << ")";
      EXPECT_LT(took, HangBound) << when << ": " << name << "(" << n << ") hung";
    }
  }
}

TEST(LineFaults, InstrumentEndClosedInTheMiddleOfAFrame) {
  LoadedDeliverable t(DeliverableNamed("thermcom2"));
  DriverModule& m = *t.module;
  t.line.Send(Frame);
  ASSERT_EQ(m.Call("ead", {Int(0)}), DoubleAnswer(45.6));

  // Half of the next frame arrives and is read into the buffer; then the
  // cable is pulled with the rest of it never sent.
  t.line.Send(OtherFrame.substr(0, 8));
  EXPECT_EQ(m.Call("ead", {Int(0)}), DoubleAnswer(45.6)) << "decoded half a frame";
  EXPECT_EQ(t.line.Queued(), 0u);
  t.line.Send(OtherFrame.substr(8, 3));
  t.line.Hangup();
  ExpectThermometerAnswers(m, ThermometerExampleModel(), "after the hang-up in the middle of a frame");
}

TEST(LineFaults, InstrumentEndClosedInTheMiddleOfADrain) {
  LoadedDeliverable t(DeliverableNamed("thermcom2"));
  DriverModule& m = *t.module;
  t.line.Send(Frame);
  ASSERT_EQ(m.Call("ead", {Int(0)}), DoubleAnswer(45.6));

  // The instrument streams noise as fast as the pty takes it and, 300 ms
  // in, closes its end right after a write that left plenty queued.
  // Meanwhile the host calls ead back to back for a second, so a drain is
  // under way when the line hangs up, between any two of its platform calls.
  const std::string noise = Noise(4096, 7);
  std::atomic<bool> started{false};
  Clock::time_point startedAt;
  std::atomic<long> hangupMs{-1};  // after the host began calling
  Instrument instrument([&](const std::atomic<bool>& stop) {
    while (!started) std::this_thread::yield();
    const auto hangupFrom = startedAt + std::chrono::milliseconds(300);
    while (Stream(t.line, noise, stop)) {
      if (Clock::now() >= hangupFrom && t.line.Queued() >= 256) {
        t.line.Hangup();
        hangupMs = std::chrono::duration_cast<Milliseconds>(Clock::now() - startedAt).count();
        return;
      }
    }
  });
  const std::string command = "call-for " + ModuleText(m.Handle()) + " 1000";
  startedAt = Clock::now();
  started = true;
  const Reply reply =
      t.host->Command(command, std::chrono::duration_cast<Milliseconds>(HangBound + std::chrono::seconds(2)));
  const auto answeredMs = std::chrono::duration_cast<Milliseconds>(Clock::now() - startedAt).count();
  instrument.Join();
  ASSERT_TRUE(reply.ok) << reply.line;

  EXPECT_TRUE(hangupMs >= 0 && hangupMs < 900) << "the line hung up " << hangupMs
                                              << " ms after the host began calling for 1000 ms";
  const long longest = std::stol(reply.Field("longest"));
  RecordProperty("calls", reply.Field("calls"));
  RecordProperty("longest_call_us", std::to_string(longest / 1000));
  RecordProperty("hangup_after_ms", std::to_string(hangupMs.load()));
  // The call under way returns at the latest when the one-byte read that
  // the hang-up caught has waited out its time-out.
  EXPECT_LT(Milliseconds(answeredMs - hangupMs), HangBound)
      << "the host answered " << answeredMs - hangupMs << " ms after the hang-up: " << reply.line;
  ExpectThermometerAnswers(m, ThermometerExampleModel(), "after the hang-up in the middle of a drain");
}

// 64 KiB of noise in one burst: more than the pty holds, so the DLL drains
// it while it arrives. Then a good frame, which by the rules is not the one
// decoded: the buffer keeps the first 20 characters read since the last
// decode, here noise, and the carriage return that ends the burst decodes
// those. The next frame on its own decodes normally.
TEST(LineFaults, NoiseBurstThenFramesDecodeByTheRules) {
  LoadedDeliverable t(DeliverableNamed("thermcom2"));
  DriverModule& m = *t.module;
  t.line.Send(OtherFrame);
  ASSERT_EQ(m.Call("ead", {Int(0)}), DoubleAnswer(30.0));
  const long residentBefore = ResidentKiB(t.host->Pid());
  ASSERT_GT(residentBefore, 0);
  // A little noise first, read in a call of its own: a full buffer whose
  // drain ends without a carriage return decodes nothing.
  t.line.Send(Noise(100, 3));
  EXPECT_EQ(m.Call("ead", {Int(1)}), DoubleAnswer(20.0)) << "decoded a full buffer without a carriage return";
  EXPECT_EQ(t.line.Queued(), 0u);

  const std::string burst = Noise(64 * 1024, 11) + Frame;
  std::atomic<bool> written{false};
  Instrument instrument([&](const std::atomic<bool>& stop) { written = Stream(t.line, burst, stop); });
  // Until the drain that reads the burst's carriage return, T2 stays as
  // decoded before; from that drain on it is the noise's.
  int calls = 0;
  bool decoded = false;
  while (!written || t.line.Queued() > 0) {
    const Answer t2 = m.Call("ead", {Int(1)});
    if (!decoded && t2 != DoubleAnswer(20.0)) {
      // Only reading the last byte written can have decoded: the writer is
      // done, or about to be, without any further drain.
      decoded = true;
      const auto deadline = Clock::now() + std::chrono::seconds(2);
      while (!written && Clock::now() < deadline) std::this_thread::sleep_for(std::chrono::milliseconds(1));
      EXPECT_TRUE(written) << "decoded before the burst's carriage return, after " << calls << " calls";
      EXPECT_EQ(t.line.Queued(), 0u) << "decoded before the burst's carriage return";
    }
    EXPECT_EQ(t2, DoubleAnswer(decoded ? 0.0 : 20.0)) << "call " << calls;
    ASSERT_LT(++calls, 100000) << "the burst is not being drained";
  }
  instrument.Join();
  const DeviceModel noiseDecoded = {{0.0, 0.0, 0.0, 0.0}, {"T1 \xB0" "C", "T2 \xB0" "C", "T1*10 \xB0" "C", "T2*10 \xB0" "C"}};
  ExpectThermometerAnswers(m, noiseDecoded, "after the burst and one frame");

  const long residentAfter = ResidentKiB(t.host->Pid());
  RecordProperty("calls", std::to_string(calls));
  RecordProperty("vmrss_kib", std::to_string(residentBefore) + "," + std::to_string(residentAfter));
  // A copy of the burst kept anywhere in the host process would add 64 KiB.
  EXPECT_LT(residentAfter - residentBefore, 64) << "VmRSS of the host went from " << residentBefore << " to "
                                                << residentAfter << " KiB over the burst";

  t.line.Send(Frame);
  ExpectThermometerAnswers(m, ThermometerExampleModel(), "the frame after");
}

// The port goes away entirely while the DLL holds it, as a USB adapter that
// is unplugged: the instrument's end is closed, the device node with it,
// and the COM link removed. Calls return at once with the last values, and
// unloading releases what the DLL held.
TEST(LineFaults, PortVanishesWhileLoaded) {
  auto host = StartHost();
  auto line = std::make_unique<PtyLine>();
  SharedPrefix().PointPort(1, line->Device());
  DriverModule lux(*host, "luxcom1.dll");
  line->Send(LightMeterExampleFrame());
  ASSERT_EQ(lux.Call("ead", {Int(0)}), DoubleAnswer(12.3));
  line->Send("LX 06 00");
  ASSERT_EQ(lux.Call("ead", {Int(0)}), DoubleAnswer(12.3));
  const std::string device = line->Device();
  ASSERT_GT(line->OpenElsewhere(), 0);

  line.reset();
  SharedPrefix().RemovePort(1);
  for (const char* name : {"ead", "ea", "nea", "nead", "stdead", "stdeas", "pead"}) {
    const auto start = Clock::now();
    const Answer answer = lux.Call(name, {Int(0)});
    EXPECT_LT(Clock::now() - start, HangBound) << name << " hung after the port vanished";
    EXPECT_EQ(answer, Expected(DeliverableNamed("luxcom1"), LightMeterExampleModel(), name, {Int(0)}))
        << name << " after the port vanished";
  }
  // The DLL holds the vanished port until it is unloaded, and not after.
  auto held = [&] {
    int count = 0;
    for (pid_t pid : PrefixProcesses(SharedPrefix().Path())) count += DescriptorsTo(pid, device);
    return count;
  };
  EXPECT_GT(held(), 0) << device << " is not held by the DLL that opened it";
  lux.Free();
  EXPECT_EQ(held(), 0) << device << " is still open in a Wine process after the unload";
}

}  // namespace
}  // namespace wine_tests
