// The harness's own picture of the 32-bit conventions, pinned to the
// documented byte counts and stack layouts; the Wine tests then hold every
// DLL export to it on each call.
#include <gtest/gtest.h>

#include "driver_interface.h"
#include "i386_convention.h"

namespace wine_tests {
namespace {

TEST(I386Convention, StackBytesTheCalleeRemoves) {
  const struct {
    const char* name;
    int bytes;
  } rows[] = {{"ea", 0},     {"sa", 0},        {"sad", 8},     {"psad", 0},       {"nsa", 0},
              {"eadouble", 8}, {"sadouble", 16}, {"stdsadouble", 16}, {"stdsbdouble", 16}, {"stdea", 4},
              {"stdnsa", 0}, {"stdnsad", 4},   {"stdsa", 8},   {"stdsas", 8},     {"stdsad", 12},
              {"stdtitre", 0}, {"stdeadouble", 8}};
  for (const auto& row : rows) {
    const Signature& s = FindExport(row.name);
    std::vector<Arg> args;
    for (Kind k : s.params) args.push_back({k, 0});
    EXPECT_EQ(LayOutI386(s, args).stackBytes, row.bytes) << row.name;
  }
}

// x = 1.0 (3FF00000 00000000), v = 2.0 (40000000 00000000): the register
// convention pushes x first, so v lies nearest the return address; stdcall
// pushes v first, so x does. These four answer -777.0 whatever x and v, so
// under Wine their layout shows only in the 16 bytes they remove; that x is
// read from the right slot shows in eadouble and stdeadouble.
TEST(I386Convention, MirrorLayoutsOfTheTwoDoubleParameterExports) {
  const std::vector<uint32_t> xFirst = {0x3FF00000, 0, 0x40000000, 0};
  const std::vector<uint32_t> vFirst = {0x40000000, 0, 0x3FF00000, 0};
  for (const char* name : {"sadouble", "sbdouble"}) {
    EXPECT_EQ(LayOutI386(FindExport(name), {Dbl(1.0), Dbl(2.0)}).pushes, xFirst) << name;
  }
  for (const char* name : {"stdsadouble", "stdsbdouble"}) {
    EXPECT_EQ(LayOutI386(FindExport(name), {Dbl(1.0), Dbl(2.0)}).pushes, vFirst) << name;
  }
}

TEST(I386Convention, IntegersAndPointersTravelInEaxEdxEcx) {
  const I386Call sad = LayOutI386(FindExport("sad"), {Int(3), Dbl(2.0)});
  EXPECT_EQ(sad.registers[0], 3u);
  EXPECT_EQ(sad.pushes, (std::vector<uint32_t>{0x40000000, 0}));
  const I386Call psad = LayOutI386(FindExport("psad"), {Int(-1), Ptr(0x1234)});
  EXPECT_EQ(psad.registers[0], 0xFFFFFFFFu);
  EXPECT_EQ(psad.registers[1], 0x1234u);
  EXPECT_TRUE(psad.pushes.empty());
  const I386Call stdsad = LayOutI386(FindExport("stdsad"), {Int(3), Dbl(2.0)});
  EXPECT_EQ(stdsad.pushes, (std::vector<uint32_t>{0x40000000, 0, 3}));
}

}  // namespace
}  // namespace wine_tests
