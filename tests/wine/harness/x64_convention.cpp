#include "x64_convention.h"

#include <cinttypes>
#include <cstdio>
#include <stdexcept>

namespace wine_tests {

X64Call LayOutX64(const Signature& signature, const std::vector<Arg>& args) {
  CheckArguments(signature, args);
  if (args.size() > 4) throw std::invalid_argument(DescribeCall(signature.name, args) + ": more than four parameters");
  X64Call call;
  for (size_t i = 0; i < 4; ++i) {
    call.integer[i] = UnusedIntegerRegister;
    call.xmm[i] = UnusedXmmRegister;
  }
  for (size_t i = 0; i < args.size(); ++i) {
    const Arg& arg = args[i];
    switch (arg.kind) {
      case Kind::Int: call.integer[i] = UpperJunk | static_cast<uint32_t>(arg.bits); break;
      case Kind::Pointer: call.integer[i] = arg.bits; break;
      case Kind::Single: call.xmm[i] = UpperJunk | static_cast<uint32_t>(arg.bits); break;
      default: call.xmm[i] = arg.bits; break;
    }
  }
  return call;
}

std::string X64CallArguments(const X64Call& call) {
  static const char* const integerNames[4] = {"rcx", "rdx", "r8", "r9"};
  std::string arguments;
  char text[48];
  for (int i = 0; i < 4; ++i) {
    std::snprintf(text, sizeof text, "%s%s=%" PRIX64, i == 0 ? "" : " ", integerNames[i], call.integer[i]);
    arguments += text;
  }
  for (int i = 0; i < 4; ++i) {
    std::snprintf(text, sizeof text, " xmm%d=%" PRIX64, i, call.xmm[i]);
    arguments += text;
  }
  return arguments;
}

}  // namespace wine_tests
