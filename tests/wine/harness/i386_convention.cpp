#include "i386_convention.h"

#include <cstdio>
#include <stdexcept>

namespace wine_tests {
namespace {

bool InRegister(Kind kind) { return kind == Kind::Int || kind == Kind::Pointer; }

// A double is pushed high word first, so that it lies in memory low word
// first; a single or an integer is one word.
void Push(std::vector<uint32_t>& pushes, const Arg& arg) {
  if (arg.kind == Kind::Double) pushes.push_back(static_cast<uint32_t>(arg.bits >> 32));
  pushes.push_back(static_cast<uint32_t>(arg.bits));
}

}  // namespace

I386Call LayOutI386(const Signature& signature, const std::vector<Arg>& args) {
  CheckArguments(signature, args);
  I386Call call;
  if (signature.Stdcall()) {
    for (size_t i = args.size(); i-- > 0;) Push(call.pushes, args[i]);
  } else {
    size_t nextRegister = 0;
    for (const Arg& arg : args) {
      if (InRegister(arg.kind) && nextRegister < 3) {
        call.registers[nextRegister++] = static_cast<uint32_t>(arg.bits);
      } else {
        Push(call.pushes, arg);
      }
    }
  }
  call.stackBytes = static_cast<int>(4 * call.pushes.size());
  return call;
}

std::string I386CallArguments(const I386Call& call) {
  char text[64];
  std::snprintf(text, sizeof text, "eax=%X edx=%X ecx=%X", call.registers[0], call.registers[1], call.registers[2]);
  std::string arguments = text;
  for (size_t i = 0; i < call.pushes.size(); ++i) {
    std::snprintf(text, sizeof text, "%s%X", i == 0 ? " push=" : ",", call.pushes[i]);
    arguments += text;
  }
  return arguments;
}

}  // namespace wine_tests
