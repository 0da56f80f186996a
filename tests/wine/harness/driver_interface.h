#pragma once
// The driver interface as a caller sees it: the 58 exports with their
// ordinals, parameter and result kinds, and the values that cross it.
// Written independently of the DLLs' own export list so that each checks
// the other.
#include <cstdint>
#include <ostream>
#include <string>
#include <vector>

namespace wine_tests {

enum class Kind {
  Int,      // 32-bit signed integer
  Double,
  Single,
  Pointer,  // an address given (psad's p)
  Text,     // a returned NUL-terminated text
  Cell,     // a returned address of a double
};

struct Signature {
  std::string name;
  int ordinal;
  std::vector<Kind> params;
  Kind result;

  bool Stdcall() const { return name.rfind("std", 0) == 0; }
  bool FloatResult() const { return result == Kind::Double || result == Kind::Single; }
};

// The 58 exports in ordinal order, from 58 (ea) down to 1 (stdrsbdouble).
const std::vector<Signature>& DriverExports();
// Throws for a name that is not one of them.
const Signature& FindExport(const std::string& name);

// An argument: its kind and its bits (a single in the low 32).
struct Arg {
  Kind kind;
  uint64_t bits;
};
Arg Int(int32_t value);
Arg Dbl(double value);
Arg Sgl(float value);
Arg Ptr(uint64_t address);
Arg DblBits(uint64_t bits);
Arg SglBits(uint32_t bits);
// Throws unless args match the signature's parameters in number and kind.
void CheckArguments(const Signature& signature, const std::vector<Arg>& args);

// An answer, compared by value: integers, the exact bits of doubles and
// singles, the bytes of texts, the double in a cell. The address of a text
// or cell is kept beside the value.
struct Answer {
  Kind kind = Kind::Int;
  int32_t integer = 0;
  uint64_t bits = 0;
  std::string text;
  bool readable = true;  // the text or cell could be read
  uint64_t address = 0;

  double AsDouble() const;
  float AsSingle() const;
};
bool operator==(const Answer& a, const Answer& b);
inline bool operator!=(const Answer& a, const Answer& b) { return !(a == b); }

Answer IntAnswer(int32_t value);
Answer DoubleAnswer(double value);
Answer SingleAnswer(float value);
Answer TextAnswer(const std::string& bytes);
Answer CellAnswer(double value);

std::string Describe(const Arg& arg);
std::string Describe(const Answer& answer);
// "stdsad(1, 2.5)"
std::string DescribeCall(const std::string& name, const std::vector<Arg>& args);
// Bytes as a C string literal, escapes for all but printable ASCII.
std::string Quoted(const std::string& bytes);
void PrintTo(const Answer& answer, std::ostream* out);

}  // namespace wine_tests
