#include "driver_module.h"

#include <gtest/gtest.h>

#include <cfloat>
#include <cstdio>
#include <cstring>
#include <stdexcept>

#include "host_process.h"
#include "i386_convention.h"

namespace wine_tests {
namespace {

static_assert(LDBL_MANT_DIG == 64, "ST(0) is read as the x87 80-bit format of this machine's long double");

std::string Hex(uint32_t value, int digits) {
  char text[16];
  std::snprintf(text, sizeof text, "%0*X", digits, value);
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

}  // namespace

DriverModule::DriverModule(HostProcess& host, const std::string& file) : host_(host), file_(file) {
  const Reply reply = host_.Command("load " + file);
  if (!reply.ok) throw std::runtime_error("load " + file + ": expected ok, got: " + reply.line);
  handle_ = reply.Hex("module");
  EXPECT_EQ(reply.Hex("cw"), host_.ControlWord()) << file << ": LoadLibrary changed the host's x87 control word";
  EXPECT_EQ(reply.Hex("mxcsr"), host_.Mxcsr()) << file << ": LoadLibrary changed the host's MXCSR";
}

uint32_t DriverModule::LoadAgain() {
  const Reply reply = host_.Ok("load " + file_);
  EXPECT_EQ(reply.Hex("cw"), host_.ControlWord()) << file_ << ": LoadLibrary changed the host's x87 control word";
  return reply.Hex("module");
}

void DriverModule::Free() {
  const Reply reply = host_.Ok("free " + Hex(handle_, 8));
  EXPECT_EQ(reply.Hex("cw"), host_.ControlWord()) << file_ << ": FreeLibrary changed the host's x87 control word";
  EXPECT_EQ(reply.Hex("mxcsr"), host_.Mxcsr()) << file_ << ": FreeLibrary changed the host's MXCSR";
}

uint32_t DriverModule::Address(const std::string& nameOrOrdinal) {
  const Reply reply = host_.Command("address " + Hex(handle_, 8) + " " + nameOrOrdinal);
  return reply.ok ? reply.Hex("address") : 0;
}

std::string DriverModule::Read(uint32_t address, size_t count) {
  return host_.Ok("read " + Hex(address, 8) + " " + std::to_string(count)).Bytes("bytes");
}

uint32_t DriverModule::StoreDouble(uint64_t bits) {
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
  const I386Call layout = LayOutI386(signature, args);
  std::string command = "call " + Hex(handle_, 8) + " " + target + " " + I386CallArguments(layout);
  if (signature.result == Kind::Text) command += " text";
  if (signature.result == Kind::Cell) command += " deref=8";
  const Reply reply = host_.Command(command);
  const std::string call = file_ + " " + DescribeCall(signature.name, args) + (target[0] == '#' ? " by ordinal" : "");
  if (!reply.ok) throw std::runtime_error(call + ": expected the call to be made, got: " + reply.line);

  EXPECT_EQ(reply.Decimal("popped"), layout.stackBytes) << call << ": stack bytes removed by the callee";
  EXPECT_EQ(reply.Field("saved"), "ok") << call << ": registers not preserved";
  const int expectedDepth = signature.FloatResult() ? 1 : 0;
  EXPECT_EQ(reply.Decimal("depth"), expectedDepth) << call << ": x87 stack depth after the call";
  EXPECT_EQ(reply.Hex("cw"), host_.ControlWord()) << call << ": x87 control word after the call";
  EXPECT_EQ(reply.Hex("mxcsr"), host_.Mxcsr()) << call << ": MXCSR after the call";
  const uint32_t sw = reply.Hex("sw");
  const uint32_t unmaskedRaised = sw & ~host_.ControlWord() & 0x3F;
  EXPECT_EQ(unmaskedRaised, 0u) << call << ": x87 exception pending (status word " << Hex(sw, 4) << ")";
  EXPECT_EQ(sw & 0x40, 0u) << call << ": x87 stack fault (status word " << Hex(sw, 4) << ")";

  Answer answer;
  answer.kind = signature.result;
  switch (signature.result) {
    case Kind::Int:
      answer.integer = static_cast<int32_t>(reply.Hex("eax"));
      break;
    case Kind::Double:
    case Kind::Single: {
      if (!reply.Has("st0")) throw std::runtime_error(call + ": expected a result in ST(0), the x87 stack is empty");
      const long double st0 = Extended(reply.Field("st0"));
      if (signature.result == Kind::Double) {
        const double value = static_cast<double>(st0);
        EXPECT_TRUE(static_cast<long double>(value) == st0 || (IsNan(st0) && value != value))
            << call << ": ST(0) " << reply.Field("st0") << " is not exactly a double";
        answer.bits = DoubleAnswer(value).bits;
      } else {
        const float value = static_cast<float>(st0);
        EXPECT_TRUE(static_cast<long double>(value) == st0 || (IsNan(st0) && value != value))
            << call << ": ST(0) " << reply.Field("st0") << " is not exactly a single";
        answer.bits = SingleAnswer(value).bits;
      }
      break;
    }
    case Kind::Text:
      answer.address = reply.Hex("eax");
      answer.readable = reply.Field("text") != "unreadable";
      if (answer.readable) answer.text = reply.Bytes("text");
      break;
    case Kind::Cell: {
      answer.address = reply.Hex("eax");
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
