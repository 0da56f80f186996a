#include "driver_module.h"

#include <gtest/gtest.h>

#include <cfloat>
#include <cinttypes>
#include <cstdio>
#include <cstring>
#include <stdexcept>

#include "host_process.h"
#include "i386_convention.h"
#include "x64_convention.h"

namespace wine_tests {
namespace {

static_assert(LDBL_MANT_DIG == 64, "ST(0) is read as the x87 80-bit format of this machine's long double");

std::string Hex(uint64_t value) {
  char text[24];
  std::snprintf(text, sizeof text, "%" PRIX64, value);
  return text;
}

// ST(0) as the host prints it: 20 hex digits, sign and exponent first.
long double Extended(const std::string& hex) {
  unsigned char bytes[16] = {};
  for (int i = 0; i < 10; ++i) bytes[9 - i] = static_cast<unsigned char>(std::stoul(hex.substr(2 * i, 2), nullptr, 16));
  long double value;
  std::memcpy(&value, bytes, sizeof value);
  return value;
}

bool IsNan(long double v) { return v != v; }

// A floating result from ST(0), which must hold exactly a double (or a
// single): the bits of that double (or single).
uint64_t St0Result(const Reply& reply, Kind kind, const std::string& call) {
  if (!reply.Has("st0")) throw std::runtime_error(call + ": expected a result in ST(0), the x87 stack is empty");
  const long double st0 = Extended(reply.Field("st0"));
  if (kind == Kind::Double) {
    const double value = static_cast<double>(st0);
    EXPECT_TRUE(static_cast<long double>(value) == st0 || (IsNan(st0) && value != value))
        << call << ": ST(0) " << reply.Field("st0") << " is not exactly a double";
    return DoubleAnswer(value).bits;
  }
  const float value = static_cast<float>(st0);
  EXPECT_TRUE(static_cast<long double>(value) == st0 || (IsNan(st0) && value != value))
      << call << ": ST(0) " << reply.Field("st0") << " is not exactly a single";
  return SingleAnswer(value).bits;
}

// A floating result from XMM0: a double in its low 64 bits, a single in its
// low 32.
uint64_t XmmResult(const Reply& reply, Kind kind) {
  const uint64_t low = reply.Hex("xmm0");
  return kind == Kind::Double ? low : low & 0xFFFFFFFF;
}

}  // namespace

DriverModule::DriverModule(HostProcess& host, const std::string& file) : host_(host), file_(file) {
  const Reply reply = host_.Command("load " + file);
  if (!reply.ok) throw std::runtime_error("load " + file + ": expected ok, got: " + reply.line);
  handle_ = reply.Hex("module");
  EXPECT_EQ(reply.Hex("cw"), host_.ControlWord()) << file << ": LoadLibrary changed the host's x87 control word";
  EXPECT_EQ(reply.Hex("mxcsr"), host_.Mxcsr()) << file << ": LoadLibrary changed the host's MXCSR";
}

uint64_t DriverModule::LoadAgain() {
  const Reply reply = host_.Ok("load " + file_);
  EXPECT_EQ(reply.Hex("cw"), host_.ControlWord()) << file_ << ": LoadLibrary changed the host's x87 control word";
  return reply.Hex("module");
}

void DriverModule::Free() {
  const Reply reply = host_.Ok("free " + Hex(handle_));
  EXPECT_EQ(reply.Hex("cw"), host_.ControlWord()) << file_ << ": FreeLibrary changed the host's x87 control word";
  EXPECT_EQ(reply.Hex("mxcsr"), host_.Mxcsr()) << file_ << ": FreeLibrary changed the host's MXCSR";
}

uint64_t DriverModule::Address(const std::string& nameOrOrdinal) {
  const Reply reply = host_.Command("address " + Hex(handle_) + " " + nameOrOrdinal);
  return reply.ok ? reply.Hex("address") : 0;
}

std::string DriverModule::Read(uint64_t address, size_t count) {
  return host_.Ok("read " + Hex(address) + " " + std::to_string(count)).Bytes("bytes");
}

uint64_t DriverModule::StoreDouble(uint64_t bits) {
  std::string bytes;
  for (int i = 0; i < 8; ++i) bytes += static_cast<char>(bits >> (8 * i));
  return host_.Ok("store " + HexBytes(bytes)).Hex("address");
}

Answer DriverModule::Call(const std::string& name, const std::vector<Arg>& args) {
  return Invoke(FindExport(name), name, args);
}

Answer DriverModule::CallByOrdinal(const std::string& name, const std::vector<Arg>& args) {
  const Signature& signature = FindExport(name);
  return Invoke(signature, "#" + std::to_string(signature.ordinal), args);
}

Answer DriverModule::Invoke(const Signature& signature, const std::string& target, const std::vector<Arg>& args) {
  const bool x64 = host_.Architecture() == HostArchitecture::X86_64;
  std::string registers;
  int stackBytes = 0;  // what the callee must remove: nothing on x86-64
  if (x64) {
    registers = X64CallArguments(LayOutX64(signature, args));
  } else {
    const I386Call layout = LayOutI386(signature, args);
    registers = I386CallArguments(layout);
    stackBytes = layout.stackBytes;
  }
  std::string command = "call " + Hex(handle_) + " " + target + " " + registers;
  if (signature.result == Kind::Text) command += " text";
  if (signature.result == Kind::Cell) command += " deref=8";
  const Reply reply = host_.Command(command);
  const std::string call = file_ + " " + DescribeCall(signature.name, args) + (target[0] == '#' ? " by ordinal" : "");
  if (!reply.ok) throw std::runtime_error(call + ": expected the call to be made, got: " + reply.line);

  EXPECT_EQ(reply.Decimal("popped"), stackBytes) << call << ": stack bytes removed by the callee";
  EXPECT_EQ(reply.Field("saved"), "ok") << call << ": registers not preserved";
  // Floating results come back on the x87 stack only on 32-bit x86.
  const int expectedDepth = !x64 && signature.FloatResult() ? 1 : 0;
  EXPECT_EQ(reply.Decimal("depth"), expectedDepth) << call << ": x87 stack depth after the call";
  EXPECT_EQ(reply.Hex("cw"), host_.ControlWord()) << call << ": x87 control word after the call";
  EXPECT_EQ(reply.Hex("mxcsr"), host_.Mxcsr()) << call << ": MXCSR after the call";
  const uint64_t sw = reply.Hex("sw");
  const uint64_t unmaskedRaised = sw & ~uint64_t{host_.ControlWord()} & 0x3F;
  EXPECT_EQ(unmaskedRaised, 0u) << call << ": x87 exception pending (status word " << Hex(sw) << ")";
  EXPECT_EQ(sw & 0x40, 0u) << call << ": x87 stack fault (status word " << Hex(sw) << ")";

  // Integers, texts and cells in EAX or RAX; an integer only in its low half.
  const uint64_t integer = reply.Hex(x64 ? "rax" : "eax");
  Answer answer;
  answer.kind = signature.result;
  switch (signature.result) {
    case Kind::Int:
      answer.integer = static_cast<int32_t>(static_cast<uint32_t>(integer));
      break;
    case Kind::Double:
    case Kind::Single:
      answer.bits = x64 ? XmmResult(reply, signature.result) : St0Result(reply, signature.result, call);
      break;
    case Kind::Text:
      answer.address = integer;
      answer.readable = reply.Field("text") != "unreadable";
      if (answer.readable) answer.text = reply.Bytes("text");
      break;
    case Kind::Cell: {
      answer.address = integer;
      answer.readable = reply.Field("bytes") != "unreadable";
      if (answer.readable) {
        const std::string bytes = reply.Bytes("bytes");
        for (int i = 7; i >= 0; --i) answer.bits = answer.bits << 8 | static_cast<unsigned char>(bytes[i]);
      }
      break;
    }
    default:
      break;
  }
  return answer;
}

}  // namespace wine_tests
