// Taking a field by position and width, and the number rule FieldValue.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <regex>
#include <string>

#include "frame_reception.h"
#include "test_text.h"

using namespace std::string_literals;

namespace {

double Value(const std::string& field) {
  return FieldValue({reinterpret_cast<const unsigned char*>(field.data()), field.size()});
}

// Bit patterns, so that -0.0 differs from 0.0 and a value one ulp off fails.
uint64_t Bits(double x) {
  uint64_t bits;
  std::memcpy(&bits, &x, sizeof bits);
  return bits;
}

struct NumberCase {
  std::string field;
  double value;
};

TEST(FieldValue, ReadsEachFieldAsTheNumberRuleSays) {
  const NumberCase cases[] = {
      // Well formed: the written number, sign and exponent applied.
      {"0235", 235},
      {" 235", 235},
      {"23.5", 23.5},
      {"-012", -12},
      {"1E3", 1000},
      {"+7", 7},
      {"  -5", -5},
      {".5", 0.5},
      {"5.", 5},
      {"1e3", 1000},
      {"1E+2", 100},
      {"-1E2", -100},
      {"1.E2", 100},
      {".1E9", 1e8},
      {"12E5", 1.2e6},
      {"1E-2", 0.01},  // correctly rounded, not 1 / 10 / 10
      {"0.07", 0.07},
      {"9E99", 9e99},
      {"1E-9", 1e-9},
      {"-0", -0.0},
      {"-0.0", -0.0},
      {"+0", 0.0},
      {"0E99", 0.0},
      // Nothing to read: 0.
      {"", 0},
      {"    ", 0},
      {"+", 0},
      {"-", 0},
      {"  - ", 0},
      // Malformed: the digits read before the offending character, run
      // together, with neither sign, point nor exponent applied.
      {"235 ", 235},
      {"-12 ", 12},
      {"2.5 ", 25},
      {"12\r", 12},
      {"12 3", 12},
      {"AB12", 0},
      {"- 5", 0},    // a blank after the sign: no digit read
      {"+ 12", 0},
      {"\t12", 0},   // only the blank is skipped
      {"1.2.", 12},  // a second point
      {"1..2", 1},
      {"12-3", 12},  // a sign in the middle
      {"1.5x", 15},
      {"-12x", 12},
      {"1E", 1},     // exponent letter without a digit
      {"1E+", 1},
      {"1E-x", 1},
      {"1.5E", 15},
      {"1E2x", 12},  // exponent digits count among the digits read
      {"1 E3", 1},
      // A NUL ends the field as its end does; what follows is not read.
      {"\0"s "123", 0},
      {"-1\0x"s, -1},
      {"12\0"s "3", 12},
      {"2.5\0"s, 2.5},
  };
  for (const NumberCase& c : cases) {
    const double got = Value(c.field);
    EXPECT_EQ(Bits(got), Bits(c.value)) << "field " << Show(c.field) << ": expected " << std::hexfloat << c.value
                                        << ", got " << got;
  }
}

TEST(FieldValue, ReadsNoFurtherThanFourCharacters) {
  const std::string text = "12345";
  EXPECT_EQ(FieldValue({reinterpret_cast<const unsigned char*>(text.data()), text.size()}), 1234);
}

// Calls check with every field of 1 to 4 characters over alphabet, up to
// the first failure.
template <typename Check>
void ForEachField(const std::string& alphabet, Check check) {
  std::string field;
  for (int length = 1; length <= 4; ++length) {
    field.assign(length, ' ');
    const int combinations = static_cast<int>(std::pow(alphabet.size(), length));
    for (int k = 0; k < combinations; ++k) {
      for (int i = 0, rest = k; i < length; ++i, rest /= static_cast<int>(alphabet.size()))
        field[i] = alphabet[rest % alphabet.size()];
      check(field);
      if (::testing::Test::HasFailure()) return;
    }
  }
}

// Every well-formed field over digits, blanks, signs, points and exponent
// letters, checked against the C library's correctly rounded conversion.
TEST(FieldValue, WellFormedFieldsGiveTheCorrectlyRoundedNumber) {
  const std::string alphabet = " +-.0123456789Ee";
  const std::regex wellFormed(" *[+-]?([0-9]*)(\\.([0-9]*))?([eE][+-]?[0-9]+)?");
  int checked = 0;
  ForEachField(alphabet, [&](const std::string& field) {
    std::smatch m;
    if (!std::regex_match(field, m, wellFormed) || m.length(1) + m.length(3) == 0) return;
    const double expected = std::strtod(field.c_str(), nullptr);
    const double got = Value(field);
    ASSERT_EQ(Bits(got), Bits(expected)) << "field " << Show(field) << ": expected " << std::hexfloat << expected
                                         << ", got " << got;
    ++checked;
  });
  EXPECT_GT(checked, 20000);  // the enumeration did reach the fields
}

// Every malformed field over a small alphabet: the value is the number
// formed by the digits before the first character at which the field stops
// being the start of a well-formed number.
TEST(FieldValue, MalformedFieldsGiveTheDigitsReadRunTogether) {
  const std::string alphabet = "09 -.Ex\r";
  const std::regex wellFormed(" *[+-]?[0-9]*(\\.[0-9]*)?([eE][+-]?[0-9]+)?");
  const std::regex startOfNumber(" *[+-]?[0-9]*(\\.[0-9]*)?([eE][+-]?[0-9]*)?");
  ForEachField(alphabet, [&](const std::string& field) {
    if (std::regex_match(field, wellFormed)) return;
    size_t read = field.size();
    while (!std::regex_match(field.substr(0, read), startOfNumber)) --read;
    double expected = 0;
    for (size_t i = 0; i < read; ++i)
      if (field[i] >= '0' && field[i] <= '9') expected = expected * 10 + (field[i] - '0');
    const double got = Value(field);
    ASSERT_EQ(Bits(got), Bits(expected)) << "field " << Show(field) << ": expected " << expected << ", got " << got;
  });
}

struct FieldCase {
  size_t textLength;  // a prefix of Text
  size_t position;
  size_t width;
  std::string field;
};

TEST(TakeField, TakesTheCharactersThatExistAtItsPositions) {
  const std::string text = "abcdefghijklmnopqrst";
  const FieldCase cases[] = {
      {15, 12, 4, "lmno"},  // a full frame's last field
      {16, 12, 4, "lmno"},
      {20, 12, 4, "lmno"},
      {14, 12, 4, "lmn"},   // one short: cut where the text ends
      {12, 12, 4, "l"},
      {11, 12, 4, ""},      // ends before the field
      {6, 12, 4, ""},
      {6, 4, 2, "de"},
      {6, 6, 1, "f"},
      {6, 7, 1, ""},
      {20, 1, 1, "a"},
      {20, 17, 4, "qrst"},
      {20, 18, 4, "rst"},
      {20, 21, 4, ""},
      {20, 0, 4, ""},       // positions count from 1
      {20, 3, 9, "cdef"},   // no field is wider than 4
      {20, 3, 0, ""},
  };
  for (const FieldCase& c : cases) {
    const auto* chars = reinterpret_cast<const unsigned char*>(text.data());
    const Field f = TakeField(chars, c.textLength, c.position, c.width);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(f.chars), f.length), c.field)
        << "text of " << c.textLength << ", position " << c.position << ", width " << c.width;
  }
}

TEST(CharAt, GivesTheByteOrNoCharacterPastTheEnd) {
  const std::string text = "a\0\xB0\r"s;
  const auto* chars = reinterpret_cast<const unsigned char*>(text.data());
  EXPECT_EQ(CharAt(chars, text.size(), 1), 'a');
  EXPECT_EQ(CharAt(chars, text.size(), 2), 0);     // NUL is a character like any other
  EXPECT_EQ(CharAt(chars, text.size(), 3), 0xB0);  // not sign-extended
  EXPECT_EQ(CharAt(chars, text.size(), 4), '\r');
  EXPECT_EQ(CharAt(chars, text.size(), 5), -1);    // equals no code character
  EXPECT_EQ(CharAt(chars, text.size(), 0), -1);
  EXPECT_EQ(CharAt(chars, 0, 1), -1);
}

}  // namespace
