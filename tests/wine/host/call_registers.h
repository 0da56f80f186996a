#pragma once
// The architecture's side of the host's call command: which command
// arguments load which registers or stack words, the call itself through
// the architecture's thunk, and the report of what the callee left behind.
// One implementation per architecture: call_registers_i386.cpp,
// call_registers_x86_64.cpp. One call at a time.
#include <cstdarg>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace call_registers {

// How the host names its architecture in its ready line: "i386", "x86-64".
extern const char Architecture[];
// The register and stack arguments of the call command, for its usage text.
extern const char Usage[];

enum class Taken { Yes, No, Malformed };

// Starts a call of target; registers and stack words not given are zero.
void Begin(const void* target);
// Takes one argument of the call command when it names a register or the
// stack; No leaves it to the caller.
Taken Take(char* argument);
// Makes the call; seed makes the values the callee must preserve differ
// from call to call.
void Run(uint32_t seed);
// What the call left: result registers, stack, preserved registers and the
// floating-point state, as "key=value" fields.
void Report(char* out, size_t size);
// The integer result register, where a text or a value cell is answered.
uintptr_t ResultAddress();

// A hexadecimal number of at most max.
inline bool ParseHexValue(const char* text, uint64_t max, uint64_t* value) {
  if (*text == '\0') return false;
  char* end;
  *value = std::strtoull(text, &end, 16);
  return *end == '\0' && *value <= max;
}

// Appends formatted text to a fixed buffer, cut at its end.
class Appender {
 public:
  Appender(char* out, size_t size) : out_(out), size_(size) { out_[0] = '\0'; }
  void operator()(const char* format, ...) {
    va_list args;
    va_start(args, format);
    const int n = std::vsnprintf(out_ + length_, size_ - length_, format, args);
    va_end(args);
    if (n > 0) length_ += static_cast<size_t>(n) < size_ - length_ ? n : size_ - length_ - 1;
  }

 private:
  char* out_;
  size_t size_;
  size_t length_ = 0;
};

}  // namespace call_registers
