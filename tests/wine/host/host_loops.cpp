// Loop commands of the test host (numbers decimal, FRAME as hex bytes):
//
//   port N                          -> ok
//       opens COMn for the host itself and keeps the handle. What the host
//       writes on it goes out to the instrument's end of the line; with that
//       end looped back (the driving program echoes it) it comes back into
//       the input queue that a loaded DLL drains. Wine does not make serial
//       opens exclusive, so the DLL's own open of the port succeeds beside it.
//   cycles NAME COUNT [FRAME]       -> ok cycles=N read=K handles=B,A
//       COUNT times: LoadLibraryA NAME, then FreeLibrary. With FRAME each
//       loaded DLL must also read the line: FRAME with its characters 12 to
//       15 replaced by the cycle number (4 digits) is written on the port and
//       waited for, and ead(0) must answer that number; read counts the
//       cycles where it did. handles: the process's handle count before and
//       after the loop (-1 where it cannot be had).
//   call-for MODULE MS              -> ok calls=N longest=NS
//       calls ead(0) back to back for MS milliseconds, so that whatever
//       happens on the line meanwhile finds a call in progress; longest is
//       the longest of those calls.
//   time-idle MODULE PAIRS [BATCH]  -> ok pairs=N ratio=R p10=R p90=R measured=NS reference=NS tick=NS
//       ead(0) with nothing waiting, against one ClearCommError on the
//       host's port; each side of a pair is BATCH calls in a row (default
//       1), for calls that last only a few ticks of the counter.
//   time-frame MODULE PAIRS FRAME   -> the same fields and bad=K
//       ead(0) with FRAME waiting, against a bare drain of FRAME on the
//       host's port with the calls the DLL's drain makes (per byte two
//       ClearCommError and one ReadFile, then one ClearCommError). bad
//       counts pairs where either side did not drain the whole frame.
//   time-load NAME COUNT            -> ok load=NS free=NS tick=NS
//       LoadLibraryA and FreeLibrary of NAME, each timed.
//
// Timed pairs alternate which side goes first and each pair gives the ratio
// measured / reference; ratio and p10/p90 are the median and deciles of
// those ratios (three decimals), measured and reference the medians of each
// side, in nanoseconds at the resolution of QueryPerformanceCounter (tick).
// The arithmetic is on integers and ead's result is compared by its bits,
// so the host's floating-point state stays exactly as set.
#include "host_loops.h"
#include "host_answer.h"

#include <windows.h>

#include <algorithm>
#include <cstdarg>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

// ead as the host calls it: the register convention on 32-bit x86 (index in
// EAX, result in ST(0)), the one convention elsewhere.
#if defined(__i386__)
typedef double(__attribute__((regparm(3), stdcall)) * EadFunction)(int32_t);
#else
typedef double (*EadFunction)(int32_t);
#endif

constexpr size_t MaxFrame = 64;
constexpr size_t MaxPairs = 200000;
constexpr DWORD LoopbackWaitMs = 2000;
// The digits that cycles replaces: positions 12 to 15, the value field of
// both instruments' frames.
constexpr size_t CycleDigitsAt = 11;
constexpr size_t CycleDigits = 4;

HANDLE Port = INVALID_HANDLE_VALUE;

// The system's handle table as NtQuerySystemInformation gives it (class 16);
// Wine fills it, while GetProcessHandleCount answers 0 there.
struct HandleEntry {
  ULONG ownerPid;
  BYTE objectType;
  BYTE flags;
  USHORT value;
  PVOID object;
  ULONG access;
};
struct HandleTable {
  ULONG count;
  HandleEntry entries[1];
};
typedef LONG(WINAPI* QuerySystemInformation)(ULONG, void*, ULONG, ULONG*);

// Handles open in this process; -1 when the table cannot be had.
long OwnHandles() {
  constexpr ULONG SystemHandleInformation = 16;
  constexpr LONG InfoLengthMismatch = static_cast<LONG>(0xC0000004);
  static std::vector<unsigned char> buffer(1 << 16);
  const auto query = reinterpret_cast<QuerySystemInformation>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("ntdll.dll"), "NtQuerySystemInformation")));
  if (query == nullptr) return -1;
  LONG status;
  ULONG needed = 0;
  while ((status = query(SystemHandleInformation, buffer.data(), static_cast<ULONG>(buffer.size()), &needed)) ==
         InfoLengthMismatch) {
    buffer.resize(std::max<size_t>(buffer.size() * 2, needed + 4096));
  }
  if (status != 0) return -1;
  const auto* table = reinterpret_cast<const HandleTable*>(buffer.data());
  const DWORD self = GetCurrentProcessId();
  long count = 0;
  for (ULONG i = 0; i < table->count; ++i) count += table->entries[i].ownerPid == self;
  return count;
}

bool ParseCount(const char* text, uint32_t* value) {
  if (*text == '\0') return false;
  char* end;
  *value = static_cast<uint32_t>(std::strtoul(text, &end, 10));
  return *end == '\0';
}

bool ParseFrame(const char* hex, unsigned char* bytes, size_t* length) {
  const size_t digits = std::strlen(hex);
  if (digits == 0 || digits % 2 != 0 || digits / 2 > MaxFrame) return false;
  for (size_t i = 0; i < digits / 2; ++i) {
    const char pair[3] = {hex[2 * i], hex[2 * i + 1], '\0'};
    char* end;
    bytes[i] = static_cast<unsigned char>(std::strtoul(pair, &end, 16));
    if (*end != '\0') return false;
  }
  *length = digits / 2;
  return true;
}

HMODULE ModuleArgument(const char* text) {
  char* end;
  const uintptr_t value = static_cast<uintptr_t>(std::strtoull(text, &end, 16));
  return *end == '\0' ? reinterpret_cast<HMODULE>(value) : nullptr;
}

EadFunction Ead(HMODULE module) {
  // Through void*: FARPROC's own type is unrelated to the export's.
  return reinterpret_cast<EadFunction>(reinterpret_cast<void*>(GetProcAddress(module, "ead")));
}

uint64_t DoubleBits(double value) {
  uint64_t bits;
  std::memcpy(&bits, &value, sizeof bits);
  return bits;
}

int64_t Now() {
  LARGE_INTEGER t;
  QueryPerformanceCounter(&t);
  return t.QuadPart;
}

int64_t TicksPerSecond() {
  LARGE_INTEGER f;
  QueryPerformanceFrequency(&f);
  return f.QuadPart;
}

uint64_t Nanoseconds(int64_t ticks) {
  return static_cast<uint64_t>(ticks) * 1000000000u / static_cast<uint64_t>(TicksPerSecond());
}

uint32_t Queued() {
  DWORD errors;
  COMSTAT status;
  return ClearCommError(Port, &errors, &status) ? status.cbInQue : 0;
}

// Writes bytes on the host's port and waits until the loopback has put them
// into the input queue.
bool SendAround(const unsigned char* bytes, size_t length) {
  const uint32_t target = Queued() + static_cast<uint32_t>(length);
  DWORD written = 0;
  if (!WriteFile(Port, bytes, static_cast<DWORD>(length), &written, nullptr) || written != length) return false;
  const DWORD start = GetTickCount();
  while (Queued() < target) {
    if (GetTickCount() - start > LoopbackWaitMs) return false;
  }
  return true;
}

// The DLL's drain, made bare: per byte the loop's status query, the read's
// own status query and the one-byte read; then the status query that ends it.
size_t BareDrain(unsigned char* bytes, size_t capacity) {
  DWORD errors;
  COMSTAT status;
  size_t count = 0;
  while (ClearCommError(Port, &errors, &status) && status.cbInQue != 0) {
    ClearCommError(Port, &errors, &status);
    unsigned char c;
    DWORD read = 0;
    ReadFile(Port, &c, 1, &read, nullptr);
    if (read > 0 && count < capacity) bytes[count++] = c;
  }
  return count;
}

template <typename T>
T Quantile(std::vector<T> values, size_t numerator, size_t denominator) {
  if (values.empty()) return T{};
  const size_t at = (values.size() - 1) * numerator / denominator;
  std::nth_element(values.begin(), values.begin() + at, values.end());
  return values[at];
}

// Ratio measured / reference in thousandths.
uint64_t Permille(uint64_t measured, uint64_t reference) { return measured * 1000 / (reference > 0 ? reference : 1); }

struct Pairs {
  uint32_t batch = 1;  // calls per side of a pair; the times answered are per call
  std::vector<uint64_t> measured, reference, ratios;
  void Add(int64_t m, int64_t r) {
    measured.push_back(static_cast<uint64_t>(m));
    reference.push_back(static_cast<uint64_t>(r));
    ratios.push_back(Permille(static_cast<uint64_t>(m), static_cast<uint64_t>(r)));
  }
  void Answer(const char* extra) const {
    const uint64_t median = Quantile(ratios, 1, 2), p10 = Quantile(ratios, 1, 10), p90 = Quantile(ratios, 9, 10);
    ::Answer("ok pairs=%u ratio=%u.%03u p10=%u.%03u p90=%u.%03u measured=%llu reference=%llu tick=%llu%s",
             static_cast<unsigned>(ratios.size()), static_cast<unsigned>(median / 1000),
             static_cast<unsigned>(median % 1000), static_cast<unsigned>(p10 / 1000),
             static_cast<unsigned>(p10 % 1000), static_cast<unsigned>(p90 / 1000), static_cast<unsigned>(p90 % 1000),
             static_cast<unsigned long long>(Nanoseconds(Quantile(measured, 1, 2)) / batch),
             static_cast<unsigned long long>(Nanoseconds(Quantile(reference, 1, 2)) / batch),
             static_cast<unsigned long long>(Nanoseconds(1)), extra);
  }
};

void OpenOwnPort(char** args, size_t count) {
  uint32_t com;
  if (count != 2 || !ParseCount(args[1], &com) || com == 0 || com > 255) return Answer("error usage: port N");
  if (Port != INVALID_HANDLE_VALUE) CloseHandle(Port);
  char name[16];
  std::snprintf(name, sizeof name, "\\\\.\\COM%u", static_cast<unsigned>(com));
  Port = CreateFileA(name, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                     FILE_ATTRIBUTE_NORMAL, nullptr);
  if (Port == INVALID_HANDLE_VALUE) return Answer("error cannot open %s code=%lu", name, GetLastError());
  // The DLL's time-outs: a one-byte read with a byte waiting returns at once.
  COMMTIMEOUTS timeouts = {0, 0, 1000, 0, 1000};
  SetCommTimeouts(Port, &timeouts);
  Answer("ok");
}

void Cycles(char** args, size_t count) {
  uint32_t cycles;
  unsigned char frame[MaxFrame];
  size_t length = 0;
  if ((count != 3 && count != 4) || !ParseCount(args[2], &cycles) ||
      (count == 4 && (!ParseFrame(args[3], frame, &length) || length < CycleDigitsAt + CycleDigits))) {
    return Answer("error usage: cycles NAME COUNT [FRAME]");
  }
  const bool reading = count == 4;
  if (reading && Port == INVALID_HANDLE_VALUE) return Answer("error cycles with a frame needs a port");
  if (GetModuleHandleA(args[1]) != nullptr) return Answer("error %s is loaded already", args[1]);
  const long handlesBefore = OwnHandles();
  uint32_t read = 0;
  for (uint32_t i = 0; i < cycles; ++i) {
    HMODULE module = LoadLibraryA(args[1]);
    if (module == nullptr) return Answer("error cycle %u: load failed code=%lu", i, GetLastError());
    if (reading) {
      const EadFunction ead = Ead(module);
      if (ead == nullptr) return Answer("error %s exports no ead", args[1]);
      uint32_t number = i % 10000;
      for (size_t d = CycleDigits; d-- > 0; number /= 10) frame[CycleDigitsAt + d] = static_cast<unsigned char>('0' + number % 10);
      const double expected = static_cast<double>(i % 10000);  // exact; raises no flag
      if (SendAround(frame, length) && DoubleBits(ead(0)) == DoubleBits(expected) && Queued() == 0) ++read;
    }
    if (!FreeLibrary(module)) return Answer("error cycle %u: free failed code=%lu", i, GetLastError());
  }
  Answer("ok cycles=%u read=%u handles=%ld,%ld", cycles, read, handlesBefore, OwnHandles());
}

bool TimedArguments(char** args, size_t count, size_t wanted, EadFunction* ead, uint32_t* pairs) {
  if (count != wanted) return false;
  HMODULE module = ModuleArgument(args[1]);
  *ead = module != nullptr ? Ead(module) : nullptr;
  return *ead != nullptr && ParseCount(args[2], pairs) && *pairs > 0 && *pairs <= MaxPairs;
}

void CallFor(char** args, size_t count) {
  EadFunction ead;
  uint32_t ms;
  if (!TimedArguments(args, count, 3, &ead, &ms)) return Answer("error usage: call-for MODULE MS");
  volatile double sink = 0;
  uint32_t calls = 0;
  int64_t longest = 0;
  const int64_t end = Now() + TicksPerSecond() * ms / 1000;
  for (int64_t start = Now(); start < end; start = Now()) {
    sink = ead(0);
    longest = std::max(longest, Now() - start);
    ++calls;
  }
  (void)sink;
  Answer("ok calls=%u longest=%llu", calls, static_cast<unsigned long long>(Nanoseconds(longest)));
}

void TimeIdle(char** args, size_t count) {
  EadFunction ead;
  uint32_t pairs, batch = 1;
  if (!TimedArguments(args, count < 4 ? count : 3, 3, &ead, &pairs) ||
      (count == 4 && (!ParseCount(args[3], &batch) || batch == 0)) || count > 4) {
    return Answer("error usage: time-idle MODULE PAIRS [BATCH]");
  }
  if (Port == INVALID_HANDLE_VALUE) return Answer("error time-idle needs a port");
  if (Queued() != 0) return Answer("error time-idle: bytes are waiting");
  volatile double sink = 0;
  Pairs timed;
  timed.batch = batch;
  for (uint32_t i = 0; i < pairs; ++i) {
    int64_t measured = 0, reference = 0;
    for (int side = 0; side < 2; ++side) {
      const int64_t start = Now();
      if ((side == 0) == (i % 2 == 0)) {
        for (uint32_t k = 0; k < batch; ++k) sink = ead(0);
        measured = Now() - start;
      } else {
        DWORD errors;
        COMSTAT status;
        for (uint32_t k = 0; k < batch; ++k) ClearCommError(Port, &errors, &status);
        reference = Now() - start;
      }
    }
    timed.Add(measured, reference);
  }
  (void)sink;
  timed.Answer("");
}

void TimeFrame(char** args, size_t count) {
  EadFunction ead;
  uint32_t pairs;
  unsigned char frame[MaxFrame];
  size_t length;
  if (!TimedArguments(args, count, 4, &ead, &pairs) || !ParseFrame(args[3], frame, &length)) {
    return Answer("error usage: time-frame MODULE PAIRS FRAME");
  }
  if (Port == INVALID_HANDLE_VALUE) return Answer("error time-frame needs a port");
  if (Queued() != 0) return Answer("error time-frame: bytes are waiting");
  volatile double sink = 0;
  uint32_t bad = 0;
  Pairs timed;
  for (uint32_t i = 0; i < pairs; ++i) {
    int64_t measured = 0, reference = 0;
    for (int side = 0; side < 2; ++side) {
      if (!SendAround(frame, length)) return Answer("error pair %u: the frame did not come back on the loopback", i);
      if ((side == 0) == (i % 2 == 0)) {
        const int64_t start = Now();
        sink = ead(0);
        measured = Now() - start;
        if (Queued() != 0) ++bad;
      } else {
        unsigned char drained[MaxFrame];
        const int64_t start = Now();
        const size_t n = BareDrain(drained, sizeof drained);
        reference = Now() - start;
        if (n != length || std::memcmp(drained, frame, length) != 0) ++bad;
      }
    }
    timed.Add(measured, reference);
  }
  (void)sink;
  char extra[32];
  std::snprintf(extra, sizeof extra, " bad=%u", bad);
  timed.Answer(extra);
}

void TimeLoad(char** args, size_t count) {
  uint32_t loads;
  if (count != 3 || !ParseCount(args[2], &loads) || loads == 0 || loads > MaxPairs) {
    return Answer("error usage: time-load NAME COUNT");
  }
  if (GetModuleHandleA(args[1]) != nullptr) return Answer("error %s is loaded already", args[1]);
  std::vector<uint64_t> load, unload;
  for (uint32_t i = 0; i < loads; ++i) {
    const int64_t start = Now();
    HMODULE module = LoadLibraryA(args[1]);
    const int64_t loaded = Now();
    if (module == nullptr) return Answer("error load %s failed code=%lu", args[1], GetLastError());
    FreeLibrary(module);
    load.push_back(static_cast<uint64_t>(loaded - start));
    unload.push_back(static_cast<uint64_t>(Now() - loaded));
  }
  Answer("ok load=%llu free=%llu tick=%llu", static_cast<unsigned long long>(Nanoseconds(Quantile(load, 1, 2))),
         static_cast<unsigned long long>(Nanoseconds(Quantile(unload, 1, 2))),
         static_cast<unsigned long long>(Nanoseconds(1)));
}

}  // namespace

bool RunLoopCommand(char** args, size_t count) {
  const char* command = args[0];
  if (std::strcmp(command, "port") == 0) OpenOwnPort(args, count);
  else if (std::strcmp(command, "cycles") == 0) Cycles(args, count);
  else if (std::strcmp(command, "call-for") == 0) CallFor(args, count);
  else if (std::strcmp(command, "time-idle") == 0) TimeIdle(args, count);
  else if (std::strcmp(command, "time-frame") == 0) TimeFrame(args, count);
  else if (std::strcmp(command, "time-load") == 0) TimeLoad(args, count);
  else return false;
  return true;
}
