#include "windows_1252.h"

#include <gtest/gtest.h>

namespace {

TEST(Windows1252, ConvertsToUtf8) {
  struct Case {
    const char* bytes;
    const char* utf8;
  };
  const Case cases[] = {
      {"Thermom\xE8tre TM906 en Com2:", "Thermom\u00E8tre TM906 en Com2:"},
      {"T1 \xB0" "F", "T1 \u00B0F"},
      {"(lux)", "(lux)"},
      {"", ""},
      // 0x80-0x9F through the table, the rest as Latin-1.
      {"\x80\x8A\x93\x94\x96\x99\x9F\xA0\xFF", "\u20AC\u0160\u201C\u201D\u2013\u2122\u0178\u00A0\u00FF"},
      // The five bytes the code page leaves unassigned.
      {"\x81\x8D\x8F\x90\x9D", "\uFFFD\uFFFD\uFFFD\uFFFD\uFFFD"},
  };
  for (const Case& c : cases) EXPECT_EQ(Windows1252ToUtf8(c.bytes), c.utf8) << c.bytes;
}

}  // namespace
