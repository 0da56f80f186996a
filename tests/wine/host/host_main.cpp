// Windows test host: loads driver DLLs by file name and calls their exports
// on command, one command line on standard input, one answer line on
// standard output. Numbers are hexadecimal unless said otherwise; floating
// values travel as raw bits, so the host itself does no floating-point
// arithmetic and the x87 control word and MXCSR stay exactly as set.
//
//   (at start)                    -> ready arch=i386|x86-64 cw=C mxcsr=X
//   load NAME                     -> ok module=M cw=C mxcsr=X
//   free M                        -> ok cw=C mxcsr=X
//   address M EXPORT              -> ok address=A          EXPORT: name or #ordinal (decimal)
//   call M EXPORT [REGISTERS] [text] [deref=N]
//       -> ok RESULTS [text=HEX] [bytes=HEX]
//      REGISTERS and RESULTS are the architecture's (call_registers_*.cpp):
//      i386: eax=W edx=W ecx=W push=W,W,... -> eax=W edx=W popped=N ...
//      x86-64: rcx=Q ... xmm3=Q -> rax=Q xmm0=Q popped=N ...
//      text reads the NUL-terminated text at the integer result (EAX, RAX),
//      deref N bytes there (decimal).
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

#include "call_registers.h"
#include "host_loops.h"
#include "host_answer.h"

namespace {

constexpr size_t LineCapacity = 1 << 16;
constexpr size_t MaxArguments = 64;
constexpr size_t MaxRead = 4096;
constexpr size_t ArenaSize = 1 << 16;

char Line[LineCapacity];
alignas(16) unsigned char Arena[ArenaSize];
size_t ArenaUsed;

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
  if (module == nullptr) {
    return Answer("error usage: call MODULE EXPORT %s [text] [deref=N]", call_registers::Usage);
  }
  FARPROC target = ExportArgument(module, args[2]);
  if (target == nullptr) return Answer("error no export %s", args[2]);

  call_registers::Begin(reinterpret_cast<const void*>(target));
  bool wantText = false;
  uint32_t deref = 0;
  for (size_t i = 3; i < count; ++i) {
    char* arg = args[i];
    const call_registers::Taken taken = call_registers::Take(arg);
    if (taken == call_registers::Taken::Yes) continue;
    if (taken == call_registers::Taken::Malformed) return Answer("error bad register or stack argument %s", arg);
    if (std::strcmp(arg, "text") == 0) {
      wantText = true;
      continue;
    }
    if (std::strncmp(arg, "deref=", 6) == 0 && ParseDecimal(arg + 6, &deref) && deref <= MaxRead) continue;
    return Answer("error bad call argument %s", arg);
  }
  call_registers::Run(0x9E3779B9u * ++calls);

  Text out;
  char registers[512];
  call_registers::Report(registers, sizeof registers);
  out.Add("ok %s", registers);
  const uintptr_t result = call_registers::ResultAddress();
  if (wantText) {
    out.Add(" text=");
    const size_t before = out.length;
    if (!AddTextAt(out, result)) {
      out.length = before;
      out.Add("unreadable");
    }
  }
  if (deref > 0) {
    out.Add(" bytes=");
    if (Readable(result, deref)) {
      out.AddHex(reinterpret_cast<const unsigned char*>(result), deref);
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
  Answer("ready arch=%s %s", call_registers::Architecture, FpuState());

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
    else if (!RunLoopCommand(args, count)) Answer("error unknown command %s", command);
  }
  return 0;
}
