// Reception and the device's decoder, driven through the exports: arbitrary
// bytes arrive on the scripted fake line in arbitrary chunks, interleaved
// with every analog-input export at any index, the other exports, and line
// faults (the status query failing from now on, or after a few more calls,
// so in the middle of a drain; the clock about to wrap). After every call:
// - FrameBuffer, LastChar and the line's queue are what the reception rules
//   give for the bytes that arrived (a small reference below), so
//   FrameBuffer never holds more than 20 characters;
// - a call that does not poll (an index other than 0 on the light meter, any
//   export that is not an analog input) leaves all of them alone;
// - values are never NaN, -777 for an index that names no channel, +0 until
//   a frame is decoded; every variant agrees with ead for the same channel
//   (ea its rounding, stdeas its single, the double-index ones the channel
//   that their index rounds to);
// - names are NUL-terminated within the 21-byte buffer, no longer than the
//   device allows, made only of the channel table and the unit labels, with
//   no label before the first decode and one after it.
//
// Input: a script of operations; see RunScript.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <deque>
#include <string>

#include "device_rules.h"
#include "driver_exports.h"
#include "fake_line.h"
#include "frame_reception.h"
#include "fuzz_check.h"
#include "ucommw32.h"

namespace {

constexpr size_t NameBufferSize = 21;  // every name buffer: 20 characters and the NUL

// Reception as the rules state it, kept beside the real one.
struct Reference {
  std::deque<unsigned char> queue;  // bytes waiting on the line
  unsigned char buffer[FrameCapacity];
  size_t length;
  unsigned char last;
  int queriesLeft;  // status queries that still succeed; -1: all do
  bool decoded;     // a frame has reached the decoder
} Expected;

bool ExpectedQuery() {
  if (Expected.queriesLeft == 0) return false;
  if (Expected.queriesLeft > 0) --Expected.queriesLeft;
  return true;
}

// One drain: two status queries and a read per byte; a failed query in the
// wait for a byte gives TimeoutChar, a failed one in the loop test ends it.
void ExpectedPoll() {
  while (ExpectedQuery() && Expected.queue.size() % 65536 != 0) {
    unsigned char c = TimeoutChar;
    if (ExpectedQuery()) {
      c = Expected.queue.front();
      Expected.queue.pop_front();
    }
    Expected.last = c;
    if (Expected.length < FrameCapacity) Expected.buffer[Expected.length++] = c;
  }
  if (Expected.last == FrameTerminator && Expected.length >= ShortestDecodedFrame) {
    Expected.length = 0;
    Expected.decoded = true;
  }
}

void CheckReception() {
  FUZZ_CHECK(FrameBuffer.length <= FrameCapacity);
  FUZZ_CHECK(FrameBuffer.length == Expected.length);
  FUZZ_CHECK(std::memcmp(FrameBuffer.chars, Expected.buffer, Expected.length) == 0);
  FUZZ_CHECK(LastChar == Expected.last);
  FUZZ_CHECK(fake_line::Queued() == Expected.queue.size());
}

// Every export goes through here: the reference follows the call, then
// reception is compared.
template <class Call>
auto Checked(bool polls, Call call) {
  auto answer = call();
  if (polls) ExpectedPoll();
  CheckReception();
  return answer;
}

bool Same(double a, double b) { return std::memcmp(&a, &b, sizeof a) == 0; }
bool Same(float a, float b) { return std::memcmp(&a, &b, sizeof a) == 0; }

// The channel that a double index names: rounded half to even, saturated.
int32_t ChannelOf(double x) { return ReferenceRound(x); }

double CheckedValue(double value, int32_t n) {
  FUZZ_CHECK(std::isfinite(value));
  if (!IsChannel(n)) FUZZ_CHECK(Same(value, -777.0));
  else if (!Expected.decoded) FUZZ_CHECK(Same(value, 0.0));
  return value;
}

double Ead(int32_t n) { return CheckedValue(Checked(PollsLine(n), [&] { return ead(n); }), n); }

// Names are copied out before the next call may overwrite their buffer.
struct Name {
  char text[NameBufferSize];
};

Name CheckedName(const char* text, int32_t n) {
  FUZZ_CHECK(text != nullptr);
  size_t length = 0;
  while (length < NameBufferSize && text[length] != '\0') ++length;
  FUZZ_CHECK(length < NameBufferSize);
  FUZZ_CHECK(length <= NameLengthMax);
  FUZZ_CHECK(NameAllowed(text, length, n, Expected.decoded));
  Name name;
  std::memcpy(name.text, text, length + 1);
  return name;
}

// A name, and the channel with the same unit asked right after it: the two
// labels agree.
void CheckNameWithPartner(const Name& name, int32_t n) {
  const int32_t partner = SameUnitChannel(n);
  const Name other = CheckedName(Checked(PollsLine(partner), [&] { return nea(partner); }), partner);
  FUZZ_CHECK(std::strcmp(LabelOf(name.text), LabelOf(other.text)) == 0);
}

// The input, read front to back; 0 once it is used up.
struct Script {
  const uint8_t* data;
  size_t size;
  size_t at = 0;

  bool More() const { return at < size; }
  uint8_t Byte() { return at < size ? data[at++] : 0; }
  template <class T>
  T Raw() {
    unsigned char bytes[sizeof(T)] = {};
    for (auto& b : bytes) b = Byte();
    T value;
    std::memcpy(&value, bytes, sizeof value);
    return value;
  }
  int32_t Index() {
    static const int32_t Indexes[] = {0,  1,  2,         3,         4,             5,             -1,   -2,
                                      -3, 15, INT32_MIN, INT32_MAX, INT32_MIN + 1, INT32_MAX - 1, -777};
    constexpr size_t Count = sizeof Indexes / sizeof Indexes[0];
    const uint8_t b = Byte() % (Count + 1);
    return b < Count ? Indexes[b] : Raw<int32_t>();
  }
  double DoubleIndex() {
    static const double Indexes[] = {0.0,           -0.0,          0.5,         1.5,
                                     2.5,           3.5,           4.5,         -0.5,
                                     -1.5,          0.49999999999999994, 3.4999999999999996, 1.0,
                                     2.0,           3.0,           NAN,         -NAN,
                                     INFINITY,      -INFINITY,     1e300,       -1e300,
                                     2147483647.5,  -2147483648.5, 2147483648.0, -2147483649.0,
                                     4.9e-324,      -4.9e-324,     -777.0,      1e-300};
    constexpr size_t Count = sizeof Indexes / sizeof Indexes[0];
    const uint8_t b = Byte() % (Count + 1);
    return b < Count ? Indexes[b] : Raw<double>();
  }
};

void Arrive(Script& script) {
  const size_t wanted = script.Byte();
  std::string bytes;
  for (size_t i = 0; i < wanted && script.More(); ++i) bytes.push_back(static_cast<char>(script.Byte()));
  fake_line::Arrive(bytes);
  Expected.queue.insert(Expected.queue.end(), bytes.begin(), bytes.end());
}

void LineFault(Script& script) {
  switch (script.Byte() % 4) {
    case 0:  // the line recovers
      fake_line::FailQueriesAfter(-1);
      fake_line::FailQueries(false);
      Expected.queriesLeft = -1;
      break;
    case 1:  // every status query fails from now on
      fake_line::FailQueries(true);
      Expected.queriesLeft = 0;
      break;
    case 2: {  // fails after a few more, so in the middle of a drain
      const int successes = script.Byte() % 64;
      fake_line::FailQueries(false);
      fake_line::FailQueriesAfter(successes);
      Expected.queriesLeft = successes;
      break;
    }
    default:  // the millisecond clock anywhere, wrap included
      fake_line::SetClock(script.Raw<uint32_t>());
      break;
  }
}

// The analog inputs, every variant.
void AnalogInput(Script& script) {
  const uint8_t which = script.Byte() % 14;
  if (which >= 5 && which <= 6) {  // double index, register convention
    const double x = script.DoubleIndex();
    const int32_t n = ChannelOf(x);
    if (which == 5) {
      const double value = CheckedValue(Checked(PollsLine(n), [&] { return eadouble(x); }), n);
      FUZZ_CHECK(Same(value, Ead(n)));
    } else {
      CheckNameWithPartner(CheckedName(Checked(PollsLine(n), [&] { return neadouble(x); }), n), n);
    }
    return;
  }
  if (which >= 12) {  // double index, stdcall
    const double x = script.DoubleIndex();
    const int32_t n = ChannelOf(x);
    if (which == 12) {
      const double value = CheckedValue(Checked(PollsLine(n), [&] { return stdeadouble(x); }), n);
      FUZZ_CHECK(Same(value, Ead(n)));
    } else {
      CheckNameWithPartner(CheckedName(Checked(PollsLine(n), [&] { return stdneadouble(x); }), n), n);
    }
    return;
  }
  const int32_t n = script.Index();
  const bool polls = PollsLine(n);
  switch (which) {
    case 0:
    case 7: {
      const int32_t rounded = Checked(polls, [&] { return which == 0 ? ea(n) : stdea(n); });
      const double value = Ead(n);
      FUZZ_CHECK(rounded == (IsChannel(n) ? ReferenceRound(value) : -777));
      break;
    }
    case 1:
    case 3:
    case 8:
    case 10: {
      const char* text = Checked(polls, [&] {
        return which == 1 ? nea(n) : which == 3 ? nead(n) : which == 8 ? stdnea(n) : stdnead(n);
      });
      CheckNameWithPartner(CheckedName(text, n), n);
      break;
    }
    case 2:
    case 9: {
      const double value = CheckedValue(Checked(polls, [&] { return which == 2 ? ead(n) : stdead(n); }), n);
      FUZZ_CHECK(Same(value, Ead(n)));
      break;
    }
    case 4: {
      const double* cell = Checked(polls, [&] { return pead(n); });
      FUZZ_CHECK(cell != nullptr);
      const double value = CheckedValue(*cell, n);
      FUZZ_CHECK(Same(value, Ead(n)));
      break;
    }
    default: {  // 11: single precision
      const float single = Checked(polls, [&] { return stdeas(n); });
      FUZZ_CHECK(Same(single, static_cast<float>(Ead(n))));
      break;
    }
  }
}

void CheckNoChannel(int32_t answer) { FUZZ_CHECK(answer == -777); }
void CheckNoChannel(double answer) { FUZZ_CHECK(Same(answer, -777.0)); }
void CheckNoChannel(float answer) { FUZZ_CHECK(Same(answer, -777.0f)); }
void CheckNoChannel(const char* answer) { FUZZ_CHECK(answer != nullptr && answer[0] == '\0'); }

// Outputs, read-backs, the b family and the two texts: constant answers,
// and the line is not touched.
void OtherExport(Script& script) {
  const uint8_t which = script.Byte() % 41;
  const int32_t n = script.Index();
  const double x = script.DoubleIndex();
  const double v = script.Raw<double>();
  const int32_t i = script.Raw<int32_t>();
  auto check = [](auto call) { CheckNoChannel(Checked(false, call)); };
  switch (which) {
    case 0: check([&] { return sa(n, i); }); break;
    case 1: check([&] { return nsa(); }); break;
    case 2: check([&] { return sad(n, v); }); break;
    case 3: check([&] { return nsad(n); }); break;
    case 4: check([&] { return rsa(n); }); break;
    case 5: check([&] { return rsad(n); }); break;
    case 6: check([&] { return eb(n); }); break;
    case 7: check([&] { return neb(n); }); break;
    case 8: check([&] { return sb(n, i); }); break;
    case 9: check([&] { return nsb(n); }); break;
    case 10: check([&] { return rsb(n); }); break;
    case 11: check([&] { return sadouble(x, v); }); break;
    case 12: check([&] { return nsadouble(x); }); break;
    case 13: check([&] { return rsadouble(x); }); break;
    case 14: check([&] { return ebdouble(x); }); break;
    case 15: check([&] { return nebdouble(x); }); break;
    case 16: check([&] { return sbdouble(x, v); }); break;
    case 17: check([&] { return nsbdouble(x); }); break;
    case 18: check([&] { return rsbdouble(x); }); break;
    case 19: check([&] { return stdsa(n, i); }); break;
    case 20: check([&] { return stdnsa(); }); break;
    case 21: check([&] { return stdsad(n, v); }); break;
    case 22: check([&] { return stdnsad(n); }); break;
    case 23: check([&] { return stdeb(n); }); break;
    case 24: check([&] { return stdneb(n); }); break;
    case 25: check([&] { return stdsb(n, i); }); break;
    case 26: check([&] { return stdnsb(n); }); break;
    case 27: check([&] { return stdrsad(n); }); break;
    case 28: check([&] { return stdrsb(n); }); break;
    case 29: check([&] { return stdsas(n, static_cast<float>(v)); }); break;
    case 30: check([&] { return stdrsas(n); }); break;
    case 31: check([&] { return stdsadouble(x, v); }); break;
    case 32: check([&] { return stdnsadouble(x); }); break;
    case 33: check([&] { return stdrsadouble(x); }); break;
    case 34: check([&] { return stdebdouble(x); }); break;
    case 35: check([&] { return stdnebdouble(x); }); break;
    case 36: check([&] { return stdsbdouble(x, v); }); break;
    case 37: check([&] { return stdnsbdouble(x); }); break;
    case 38: check([&] { return stdrsbdouble(x); }); break;
    case 39: {
      const double* cell = Checked(false, [&] { return psad(n, i % 2 == 0 ? &v : nullptr); });
      FUZZ_CHECK(cell != nullptr);
      CheckNoChannel(*cell);
      break;
    }
    default: {
      const char* texts[] = {titre(), detail(), stdtitre(), stddetail()};
      CheckReception();
      for (const char* text : texts) FUZZ_CHECK(text != nullptr && std::strlen(text) > 0);
      FUZZ_CHECK(std::strcmp(texts[0], texts[2]) == 0 && std::strcmp(texts[1], texts[3]) == 0);
      break;
    }
  }
}

void StartAsLoaded() {
  fake_line::StartAsLoaded();
  ResetDeviceState();
  Expected.queue.clear();
  Expected.length = 0;
  Expected.last = 0;
  Expected.queriesLeft = -1;
  Expected.decoded = false;
}

// Operations, by their first byte modulo 8: 0-2 bytes arrive (a count, then
// the bytes), 3-5 an analog input (which, then its index), 6 a line fault,
// 7 another export.
void RunScript(Script& script) {
  while (script.More()) {
    const uint8_t op = script.Byte() % 8;
    if (op <= 2) Arrive(script);
    else if (op <= 5) AnalogInput(script);
    else if (op == 6) LineFault(script);
    else OtherExport(script);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  StartAsLoaded();
  Script script{data, size};
  RunScript(script);
  return 0;
}
