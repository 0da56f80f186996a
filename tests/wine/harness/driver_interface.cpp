#include "driver_interface.h"

#include <cinttypes>
#include <cstdio>
#include <cstring>
#include <stdexcept>

namespace wine_tests {
namespace {

constexpr Kind I = Kind::Int, D = Kind::Double, S = Kind::Single, P = Kind::Pointer, T = Kind::Text,
               C = Kind::Cell;

uint64_t BitsOf(double value) {
  uint64_t bits;
  std::memcpy(&bits, &value, sizeof bits);
  return bits;
}
uint32_t BitsOf(float value) {
  uint32_t bits;
  std::memcpy(&bits, &value, sizeof bits);
  return bits;
}

}  // namespace

const std::vector<Signature>& DriverExports() {
  static const std::vector<Signature> exports = {
      // Base operations and pointer operations, register convention.
      {"ea", 58, {I}, I},
      {"nea", 57, {I}, T},
      {"ead", 56, {I}, D},
      {"nead", 55, {I}, T},
      {"sa", 54, {I, I}, I},
      {"nsa", 53, {}, T},
      {"sad", 52, {I, D}, D},
      {"nsad", 51, {I}, T},
      {"rsa", 50, {I}, I},
      {"rsad", 49, {I}, D},
      {"eb", 48, {I}, I},
      {"neb", 47, {I}, T},
      {"sb", 46, {I, I}, I},
      {"nsb", 45, {I}, T},
      {"rsb", 44, {I}, I},
      {"titre", 43, {}, T},
      {"detail", 42, {}, T},
      {"pead", 41, {I}, C},
      {"psad", 40, {I, P}, C},
      // Double-index variants, register convention.
      {"eadouble", 39, {D}, D},
      {"neadouble", 38, {D}, T},
      {"sadouble", 37, {D, D}, D},
      {"nsadouble", 36, {D}, T},
      {"rsadouble", 35, {D}, D},
      {"ebdouble", 34, {D}, D},
      {"nebdouble", 33, {D}, T},
      {"sbdouble", 32, {D, D}, D},
      {"nsbdouble", 31, {D}, T},
      {"rsbdouble", 30, {D}, D},
      // Stdcall twins and single-precision operations.
      {"stdea", 29, {I}, I},
      {"stdnea", 28, {I}, T},
      {"stdead", 27, {I}, D},
      {"stdnead", 26, {I}, T},
      {"stdsa", 25, {I, I}, I},
      {"stdnsa", 24, {}, T},
      {"stdsad", 23, {I, D}, D},
      {"stdnsad", 22, {I}, T},
      {"stdeb", 21, {I}, I},
      {"stdneb", 20, {I}, T},
      {"stdsb", 19, {I, I}, I},
      {"stdnsb", 18, {I}, T},
      {"stdrsad", 17, {I}, D},
      {"stdrsb", 16, {I}, I},
      {"stdtitre", 15, {}, T},
      {"stddetail", 14, {}, T},
      {"stdeas", 13, {I}, S},
      {"stdsas", 12, {I, S}, S},
      {"stdrsas", 11, {I}, S},
      // Stdcall double-index variants.
      {"stdeadouble", 10, {D}, D},
      {"stdneadouble", 9, {D}, T},
      {"stdsadouble", 8, {D, D}, D},
      {"stdnsadouble", 7, {D}, T},
      {"stdrsadouble", 6, {D}, D},
      {"stdebdouble", 5, {D}, D},
      {"stdnebdouble", 4, {D}, T},
      {"stdsbdouble", 3, {D, D}, D},
      {"stdnsbdouble", 2, {D}, T},
      {"stdrsbdouble", 1, {D}, D},
  };
  return exports;
}

const Signature& FindExport(const std::string& name) {
  for (const auto& s : DriverExports()) {
    if (s.name == name) return s;
  }
  throw std::invalid_argument("no export named " + name + " in the driver interface");
}

Arg Int(int32_t value) { return {Kind::Int, static_cast<uint32_t>(value)}; }
Arg Dbl(double value) { return {Kind::Double, BitsOf(value)}; }
Arg Sgl(float value) { return {Kind::Single, BitsOf(value)}; }
Arg Ptr(uint64_t address) { return {Kind::Pointer, address}; }
Arg DblBits(uint64_t bits) { return {Kind::Double, bits}; }
Arg SglBits(uint32_t bits) { return {Kind::Single, bits}; }

void CheckArguments(const Signature& signature, const std::vector<Arg>& args) {
  if (args.size() != signature.params.size()) {
    throw std::invalid_argument(DescribeCall(signature.name, args) + ": wrong number of arguments");
  }
  for (size_t i = 0; i < args.size(); ++i) {
    if (args[i].kind != signature.params[i]) {
      throw std::invalid_argument(DescribeCall(signature.name, args) + ": argument " + std::to_string(i + 1) +
                                  " is of the wrong kind");
    }
  }
}

double Answer::AsDouble() const {
  double value;
  std::memcpy(&value, &bits, sizeof value);
  return value;
}

float Answer::AsSingle() const {
  const uint32_t low = static_cast<uint32_t>(bits);
  float value;
  std::memcpy(&value, &low, sizeof value);
  return value;
}

bool operator==(const Answer& a, const Answer& b) {
  if (a.kind != b.kind || a.readable != b.readable) return false;
  switch (a.kind) {
    case Kind::Int: return a.integer == b.integer;
    case Kind::Text: return a.text == b.text;
    default: return a.bits == b.bits;
  }
}

Answer IntAnswer(int32_t value) {
  Answer a;
  a.kind = Kind::Int;
  a.integer = value;
  return a;
}
Answer DoubleAnswer(double value) {
  Answer a;
  a.kind = Kind::Double;
  a.bits = BitsOf(value);
  return a;
}
Answer SingleAnswer(float value) {
  Answer a;
  a.kind = Kind::Single;
  a.bits = BitsOf(value);
  return a;
}
Answer TextAnswer(const std::string& bytes) {
  Answer a;
  a.kind = Kind::Text;
  a.text = bytes;
  return a;
}
Answer CellAnswer(double value) {
  Answer a = DoubleAnswer(value);
  a.kind = Kind::Cell;
  return a;
}

std::string Quoted(const std::string& bytes) {
  std::string quoted = "\"";
  char escape[8];
  for (unsigned char c : bytes) {
    if (c >= 0x20 && c < 0x7F && c != '"' && c != '\\') {
      quoted += static_cast<char>(c);
    } else {
      std::snprintf(escape, sizeof escape, "\\x%02X", c);
      quoted += escape;
    }
  }
  return quoted + "\"";
}

namespace {

std::string DoubleText(uint64_t bits) {
  double value;
  std::memcpy(&value, &bits, sizeof value);
  char text[64];
  std::snprintf(text, sizeof text, "%.17g (0x%016" PRIX64 ")", value, bits);
  return text;
}

std::string SingleText(uint32_t bits) {
  float value;
  std::memcpy(&value, &bits, sizeof value);
  char text[64];
  std::snprintf(text, sizeof text, "%.9gf (0x%08" PRIX32 ")", static_cast<double>(value), bits);
  return text;
}

}  // namespace

std::string Describe(const Arg& arg) {
  char text[32];
  switch (arg.kind) {
    case Kind::Int: return std::to_string(static_cast<int32_t>(arg.bits));
    case Kind::Double: return DoubleText(arg.bits);
    case Kind::Single: return SingleText(static_cast<uint32_t>(arg.bits));
    default:
      std::snprintf(text, sizeof text, "0x%08" PRIX64, arg.bits);
      return text;
  }
}

std::string Describe(const Answer& answer) {
  if (!answer.readable) return "an unreadable address";
  switch (answer.kind) {
    case Kind::Int: return "integer " + std::to_string(answer.integer);
    case Kind::Double: return "double " + DoubleText(answer.bits);
    case Kind::Single: return "single " + SingleText(static_cast<uint32_t>(answer.bits));
    case Kind::Text: return "text " + Quoted(answer.text);
    case Kind::Cell: return "cell holding " + DoubleText(answer.bits);
    default: return "pointer";
  }
}

std::string DescribeCall(const std::string& name, const std::vector<Arg>& args) {
  std::string text = name + "(";
  for (size_t i = 0; i < args.size(); ++i) text += (i ? ", " : "") + Describe(args[i]);
  return text + ")";
}

void PrintTo(const Answer& answer, std::ostream* out) { *out << Describe(answer); }

}  // namespace wine_tests
