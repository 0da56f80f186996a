// Windows test host: loads driver DLLs by file name and calls their exports
// on command, one command line on standard input, one answer line on
// standard output. Numbers are hexadecimal unless said otherwise; floating
// values travel as raw bits, so the host itself does no floating-point
// arithmetic and the x87 control word and MXCSR stay exactly as set.
//
//   load NAME                     -> ok module=M cw=C mxcsr=X
//   free M                        -> ok cw=C mxcsr=X
//   address M EXPORT              -> ok address=A          EXPORT: name or #ordinal (decimal)
//   call M EXPORT [eax=W] [edx=W] [ecx=W] [push=W,W,...] [text] [deref=N]
//       -> ok eax=W edx=W popped=N saved=ok|REGS depth=N [st0=E] cw=C sw=S mxcsr=X
//             [text=HEX] [bytes=HEX]
//      push words are pushed in the order given; popped is what the callee
//      removed (decimal); saved lists the registers among EBX, ESI, EDI, EBP
//      that it did not preserve; depth is the x87 stack depth it left; st0 is
//      ST(0) as 20 hex digits (sign and exponent first); text reads the
//      NUL-terminated text at EAX, deref N bytes there (decimal).
//   fpu [cw=C] [mxcsr=X]          -> ok cw=C mxcsr=X
//   read A N                      -> ok bytes=HEX           N decimal
//   store HEX                     -> ok address=A           bytes kept for the host's life
//   quit
// A refused command answers "error ..."; a fault anywhere answers
// "fault code=... address=..." and ends the host.
#include <windows.h>

#include <fcntl.h>
#include <io.h>

#include <cstdarg>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "call_thunk.h"

namespace {

constexpr size_t LineCapacity = 1 << 16;
constexpr size_t MaxArguments = 64;
constexpr size_t MaxStackWords = 64;
constexpr size_t MaxRead = 4096;
constexpr size_t ArenaSize = 1 << 16;

char Line[LineCapacity];
alignas(16) unsigned char Arena[ArenaSize];
size_t ArenaUsed;

void Answer(const char* format, ...) {
  va_list args;
  va_start(args, format);
  std::vprintf(format, args);
  va_end(args);
  std::fputc('\n', stdout);
  std::fflush(stdout);
}

// Appends to an answer being built.
struct Text {
  char chars[2 * MaxRead + 1024];
  size_t length = 0;
  void Add(const char* format, ...) {
    va_list args;
    va_start(args, format);
    const int n = std::vsnprintf(chars + length, sizeof chars - length, format, args);
    va_end(args);
    if (n > 0) length += static_cast<size_t>(n) < sizeof chars - length ? n : sizeof chars - length - 1;
  }
  void AddHex(const unsigned char* bytes, size_t count) {
    for (size_t i = 0; i < count; ++i) Add("%02X", bytes[i]);
  }
};

uint16_t ControlWord() {
  uint16_t cw;
  __asm__ volatile("fnstcw %0" : "=m"(cw));
  return cw;
}
uint32_t Mxcsr() {
  uint32_t value;
  __asm__ volatile("stmxcsr %0" : "=m"(value));
  return value;
}
const char* FpuState() {
  static char state[64];
  std::snprintf(state, sizeof state, "cw=%04X mxcsr=%08X", ControlWord(), static_cast<unsigned>(Mxcsr()));
  return state;
}

bool ParseHex(const char* text, uint32_t* value) {
  if (*text == '\0') return false;
  char* end;
  const unsigned long parsed = std::strtoul(text, &end, 16);
  *value = static_cast<uint32_t>(parsed);
  return *end == '\0';
}
// Addresses are as wide as the host's pointers.
bool ParseAddress(const char* text, uintptr_t* value) {
  if (*text == '\0') return false;
  char* end;
  *value = static_cast<uintptr_t>(std::strtoull(text, &end, 16));
  return *end == '\0';
}
const char* AddressText(const void* address) {
  static char texts[4][24];
  static int next;
  char* text = texts[next++ % 4];
  std::snprintf(text, sizeof texts[0], "%0*llX", static_cast<int>(2 * sizeof(void*)),
                static_cast<unsigned long long>(reinterpret_cast<uintptr_t>(address)));
  return text;
}

bool ParseDecimal(const char* text, uint32_t* value) {
  if (*text == '\0') return false;
  char* end;
  *value = static_cast<uint32_t>(std::strtoul(text, &end, 10));
  return *end == '\0';
}

// Whether count bytes at address can be read without a fault.
bool Readable(uintptr_t address, size_t count) {
  while (count > 0) {
    MEMORY_BASIC_INFORMATION info;
    if (VirtualQuery(reinterpret_cast<const void*>(address), &info, sizeof info) == 0) return false;
    const DWORD noRead = PAGE_NOACCESS | PAGE_GUARD;
    if (info.State != MEM_COMMIT || (info.Protect & noRead) != 0) return false;
    const uintptr_t end = reinterpret_cast<uintptr_t>(info.BaseAddress) + info.RegionSize;
    const size_t here = end - address < count ? end - address : count;
    address += here;
    count -= here;
  }
  return true;
}

// The NUL-terminated text at address as hex bytes; false when unreadable
// or longer than MaxRead.
bool AddTextAt(Text& out, uintptr_t address) {
  constexpr uintptr_t PageSize = 4096;
  for (size_t i = 0; i < MaxRead; ++i) {
    if ((i == 0 || (address + i) % PageSize == 0) && !Readable(address + i, 1)) return false;
    const unsigned char c = *reinterpret_cast<const unsigned char*>(address + i);
    if (c == '\0') return true;
    out.AddHex(&c, 1);
  }
  return false;
}

HMODULE ModuleArgument(const char* text) {
  uintptr_t value;
  return ParseAddress(text, &value) ? reinterpret_cast<HMODULE>(value) : nullptr;
}

FARPROC ExportArgument(HMODULE module, const char* text) {
  if (text[0] == '#') {
    uint32_t ordinal;
    if (!ParseDecimal(text + 1, &ordinal) || ordinal == 0 || ordinal > 0xFFFF) return nullptr;
    return GetProcAddress(module, MAKEINTRESOURCEA(ordinal));
  }
  return GetProcAddress(module, text);
}

void Load(char** args, size_t count) {
  if (count != 2) return Answer("error usage: load NAME");
  HMODULE module = LoadLibraryA(args[1]);
  if (module == nullptr) return Answer("error load %s failed code=%lu", args[1], GetLastError());
  Answer("ok module=%s %s", AddressText(module), FpuState());
}

void Free(char** args, size_t count) {
  HMODULE module = count == 2 ? ModuleArgument(args[1]) : nullptr;
  if (module == nullptr) return Answer("error usage: free MODULE");
  if (!FreeLibrary(module)) return Answer("error free failed code=%lu", GetLastError());
  Answer("ok %s", FpuState());
}

void Address(char** args, size_t count) {
  HMODULE module = count == 3 ? ModuleArgument(args[1]) : nullptr;
  if (module == nullptr) return Answer("error usage: address MODULE EXPORT");
  FARPROC target = ExportArgument(module, args[2]);
  if (target == nullptr) return Answer("error no export %s", args[2]);
  Answer("ok address=%s", AddressText(reinterpret_cast<const void*>(target)));
}

void Call(char** args, size_t count) {
  static uint32_t calls;
  HMODULE module = count >= 3 ? ModuleArgument(args[1]) : nullptr;
  if (module == nullptr) return Answer("error usage: call MODULE EXPORT [eax=W] [edx=W] [ecx=W] [push=W,...] [text] [deref=N]");
  FARPROC target = ExportArgument(module, args[2]);
  if (target == nullptr) return Answer("error no export %s", args[2]);

  ThunkCall call = {};
  call.target = reinterpret_cast<const void*>(target);
  uint32_t words[MaxStackWords];
  bool wantText = false;
  uint32_t deref = 0;
  for (size_t i = 3; i < count; ++i) {
    char* arg = args[i];
    if (std::strncmp(arg, "eax=", 4) == 0 && ParseHex(arg + 4, &call.eax)) continue;
    if (std::strncmp(arg, "edx=", 4) == 0 && ParseHex(arg + 4, &call.edx)) continue;
    if (std::strncmp(arg, "ecx=", 4) == 0 && ParseHex(arg + 4, &call.ecx)) continue;
    if (std::strcmp(arg, "text") == 0) {
      wantText = true;
      continue;
    }
    if (std::strncmp(arg, "deref=", 6) == 0 && ParseDecimal(arg + 6, &deref) && deref <= MaxRead) continue;
    if (std::strncmp(arg, "push=", 5) == 0) {
      for (char* word = std::strtok(arg + 5, ","); word != nullptr; word = std::strtok(nullptr, ",")) {
        if (call.stackWords == MaxStackWords || !ParseHex(word, &words[call.stackWords])) {
          return Answer("error bad push word %s", word);
        }
        ++call.stackWords;
      }
      continue;
    }
    return Answer("error bad call argument %s", arg);
  }
  call.stack = words;
  // Values the callee must give back untouched, different on every call.
  const uint32_t seed = 0x9E3779B9u * ++calls;
  for (uint32_t r = 0; r < 4; ++r) call.sentinel[r] = seed ^ (0x11111111u * (r + 1));

  RunThunkCall(&call);

  Text out;
  out.Add("ok eax=%08X edx=%08X popped=%d saved=", static_cast<unsigned>(call.eaxOut),
          static_cast<unsigned>(call.edxOut), static_cast<int>(call.popped));
  static const char* const names[4] = {"ebx", "esi", "edi", "ebp"};
  bool allKept = true;
  for (int r = 0; r < 4; ++r) {
    if (call.kept[r] == call.sentinel[r]) continue;
    out.Add("%s%s", allKept ? "" : ",", names[r]);
    allKept = false;
  }
  if (allKept) out.Add("ok");

  uint16_t cw, sw, tags;
  std::memcpy(&cw, call.fpuEnv + 0, 2);
  std::memcpy(&sw, call.fpuEnv + 4, 2);
  std::memcpy(&tags, call.fpuEnv + 8, 2);
  int depth = 0;
  for (int r = 0; r < 8; ++r) depth += ((tags >> (2 * r)) & 3) != 3;
  out.Add(" depth=%d", depth);
  if (call.st0Valid) {
    out.Add(" st0=");
    for (int i = 9; i >= 0; --i) out.Add("%02X", call.st0[i]);
  }
  out.Add(" cw=%04X sw=%04X mxcsr=%08X", cw, sw, static_cast<unsigned>(call.mxcsrOut));
  if (wantText) {
    out.Add(" text=");
    const size_t before = out.length;
    if (!AddTextAt(out, call.eaxOut)) {
      out.length = before;
      out.Add("unreadable");
    }
  }
  if (deref > 0) {
    out.Add(" bytes=");
    if (Readable(call.eaxOut, deref)) {
      out.AddHex(reinterpret_cast<const unsigned char*>(static_cast<uintptr_t>(call.eaxOut)), deref);
    } else {
      out.Add("unreadable");
    }
  }
  Answer("%s", out.chars);
}

void Fpu(char** args, size_t count) {
  uint32_t cw = ControlWord(), mxcsr = Mxcsr();
  for (size_t i = 1; i < count; ++i) {
    if (std::strncmp(args[i], "cw=", 3) == 0 && ParseHex(args[i] + 3, &cw) && cw <= 0xFFFF) continue;
    if (std::strncmp(args[i], "mxcsr=", 6) == 0 && ParseHex(args[i] + 6, &mxcsr)) continue;
    return Answer("error usage: fpu [cw=C] [mxcsr=X]");
  }
  const uint16_t word = static_cast<uint16_t>(cw);
  // Clear the flags first: unmasking a pending exception would trap.
  __asm__ volatile("fnclex\n\tfldcw %0\n\tldmxcsr %1" : : "m"(word), "m"(mxcsr));
  Answer("ok %s", FpuState());
}

void Read(char** args, size_t count) {
  uintptr_t address;
  uint32_t length;
  if (count != 3 || !ParseAddress(args[1], &address) || !ParseDecimal(args[2], &length) || length > MaxRead) {
    return Answer("error usage: read ADDRESS N");
  }
  if (!Readable(address, length)) return Answer("error unreadable %s", args[1]);
  Text out;
  out.Add("ok bytes=");
  out.AddHex(reinterpret_cast<const unsigned char*>(address), length);
  Answer("%s", out.chars);
}

void Store(char** args, size_t count) {
  const char* hex = count == 2 ? args[1] : "";
  const size_t length = std::strlen(hex);
  if (length == 0 || length % 2 != 0) return Answer("error usage: store HEX");
  const size_t start = (ArenaUsed + 15) & ~size_t{15};
  if (start + length / 2 > ArenaSize) return Answer("error store: arena full");
  for (size_t i = 0; i < length / 2; ++i) {
    const char pair[3] = {hex[2 * i], hex[2 * i + 1], '\0'};
    uint32_t byte;
    if (!ParseHex(pair, &byte)) return Answer("error store: bad hex");
    Arena[start + i] = static_cast<unsigned char>(byte);
  }
  ArenaUsed = start + length / 2;
  Answer("ok address=%s", AddressText(Arena + start));
}

LONG WINAPI ReportFault(EXCEPTION_POINTERS* info) {
  std::printf("fault code=%08lX address=%s\n", info->ExceptionRecord->ExceptionCode,
              AddressText(info->ExceptionRecord->ExceptionAddress));
  std::fflush(stdout);
  ExitProcess(3);
}

}  // namespace

int main() {
  SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX | SEM_NOOPENFILEERRORBOX);
  SetUnhandledExceptionFilter(ReportFault);
  _setmode(_fileno(stdin), _O_BINARY);
  _setmode(_fileno(stdout), _O_BINARY);
  Answer("ready %s", FpuState());

  while (std::fgets(Line, sizeof Line, stdin) != nullptr) {
    char* args[MaxArguments];
    size_t count = 0;
    for (char* token = std::strtok(Line, " \t\r\n"); token != nullptr && count < MaxArguments;
         token = std::strtok(nullptr, " \t\r\n")) {
      args[count++] = token;
    }
    if (count == 0) continue;
    const char* command = args[0];
    if (std::strcmp(command, "quit") == 0) break;
    if (std::strcmp(command, "load") == 0) Load(args, count);
    else if (std::strcmp(command, "free") == 0) Free(args, count);
    else if (std::strcmp(command, "address") == 0) Address(args, count);
    else if (std::strcmp(command, "call") == 0) Call(args, count);
    else if (std::strcmp(command, "fpu") == 0) Fpu(args, count);
    else if (std::strcmp(command, "read") == 0) Read(args, count);
    else if (std::strcmp(command, "store") == 0) Store(args, count);
    else Answer("error unknown command %s", command);
  }
  return 0;
}
