// The harness's own picture of the x64 convention, pinned to the register
// each parameter of the interface travels in; the win64 run then holds every
// DLL export to it on each call.
#include <gtest/gtest.h>

#include "driver_interface.h"
#include "x64_convention.h"

namespace wine_tests {
namespace {

constexpr uint64_t NoInt = UnusedIntegerRegister, NoXmm = UnusedXmmRegister;
constexpr uint64_t One = 0x3FF0000000000000, Two = 0x4000000000000000;

// Parameter i goes to RCX, RDX, R8, R9 or XMM0 to XMM3 by its position alone,
// so the std twins and their base operations lay out alike: the index first,
// the value second. 32-bit integers and singles carry junk above them.
TEST(X64Convention, EachParameterTravelsInTheRegisterOfItsPosition) {
  const struct {
    const char* name;
    std::vector<Arg> args;
    X64Call expected;
  } rows[] = {
      {"ea", {Int(3)}, {{UpperJunk | 3, NoInt, NoInt, NoInt}, {NoXmm, NoXmm, NoXmm, NoXmm}}},
      {"stdea", {Int(-1)}, {{UpperJunk | 0xFFFFFFFF, NoInt, NoInt, NoInt}, {NoXmm, NoXmm, NoXmm, NoXmm}}},
      {"nsa", {}, {{NoInt, NoInt, NoInt, NoInt}, {NoXmm, NoXmm, NoXmm, NoXmm}}},
      {"sa", {Int(1), Int(5)}, {{UpperJunk | 1, UpperJunk | 5, NoInt, NoInt}, {NoXmm, NoXmm, NoXmm, NoXmm}}},
      {"sad", {Int(3), Dbl(2.0)}, {{UpperJunk | 3, NoInt, NoInt, NoInt}, {NoXmm, Two, NoXmm, NoXmm}}},
      {"stdsad", {Int(3), Dbl(2.0)}, {{UpperJunk | 3, NoInt, NoInt, NoInt}, {NoXmm, Two, NoXmm, NoXmm}}},
      {"stdsas", {Int(3), Sgl(1.5f)}, {{UpperJunk | 3, NoInt, NoInt, NoInt}, {NoXmm, UpperJunk | 0x3FC00000, NoXmm, NoXmm}}},
      {"psad", {Int(0), Ptr(0x123456789)}, {{UpperJunk, 0x123456789, NoInt, NoInt}, {NoXmm, NoXmm, NoXmm, NoXmm}}},
      {"eadouble", {Dbl(1.0)}, {{NoInt, NoInt, NoInt, NoInt}, {One, NoXmm, NoXmm, NoXmm}}},
      {"sadouble", {Dbl(1.0), Dbl(2.0)}, {{NoInt, NoInt, NoInt, NoInt}, {One, Two, NoXmm, NoXmm}}},
      {"stdsadouble", {Dbl(1.0), Dbl(2.0)}, {{NoInt, NoInt, NoInt, NoInt}, {One, Two, NoXmm, NoXmm}}},
      {"sbdouble", {Dbl(1.0), Dbl(2.0)}, {{NoInt, NoInt, NoInt, NoInt}, {One, Two, NoXmm, NoXmm}}},
      {"stdsbdouble", {Dbl(1.0), Dbl(2.0)}, {{NoInt, NoInt, NoInt, NoInt}, {One, Two, NoXmm, NoXmm}}},
  };
  for (const auto& row : rows) {
    const X64Call call = LayOutX64(FindExport(row.name), row.args);
    for (int i = 0; i < 4; ++i) {
      EXPECT_EQ(call.integer[i], row.expected.integer[i]) << row.name << ": integer register " << i;
      EXPECT_EQ(call.xmm[i], row.expected.xmm[i]) << row.name << ": XMM" << i;
    }
  }
}

TEST(X64Convention, CommandNamesEveryArgumentRegister) {
  EXPECT_EQ(X64CallArguments(LayOutX64(FindExport("psad"), {Int(2), Ptr(0x140001000)})),
            "rcx=A5A5A5A500000002 rdx=140001000 r8=5A5A5A5A5A5A5A5A r9=5A5A5A5A5A5A5A5A "
            "xmm0=4053400000000000 xmm1=4053400000000000 xmm2=4053400000000000 xmm3=4053400000000000");
  EXPECT_THROW(LayOutX64(FindExport("sad"), {Dbl(2.0), Int(3)}), std::invalid_argument);
}

}  // namespace
}  // namespace wine_tests
