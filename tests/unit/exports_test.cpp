// The 58 exports, called natively with the thermometer behind them: what each
// variant makes of its base operation, and which operations touch the line.
#include <gtest/gtest.h>

#include <cfenv>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <functional>
#include <limits>
#include <string>
#include <vector>

#include "deliverable.h"
#include "driver_exports.h"
#include "fake_line.h"
#include "frame_reception.h"
#include "test_text.h"
#include "thermometer.h"
#include "ucommw32.h"

namespace {

const std::string WorkedExample = "x21020101230456\r";  // 45.6 °F, -123 °C
const std::string Degrees = "\xB0";
constexpr double NaN = std::numeric_limits<double>::quiet_NaN();
constexpr double Infinity = std::numeric_limits<double>::infinity();

uint64_t Bits(double x) {
  uint64_t bits;
  std::memcpy(&bits, &x, sizeof bits);
  return bits;
}
uint32_t Bits(float x) {
  uint32_t bits;
  std::memcpy(&bits, &x, sizeof bits);
  return bits;
}

struct Operation {
  const char* name;
  std::function<void()> call;
};

class Exports : public ::testing::Test {
 protected:
  void SetUp() override {
    fake_line::StartAsLoaded();
    T1 = T2 = 0.0;
    T1UnitLabel = T2UnitLabel = "";
    fake_line::Arrive(WorkedExample);
    ead(0);
  }
};

TEST_F(Exports, DoubleIndexesRoundHalfToEven) {
  const struct {
    double x;
    int32_t n;
  } cases[] = {
      {0.0, 0},  {0.5, 0},  {1.5, 2},   {2.5, 2},   {-0.5, 0},      {-1.5, -2},        {3.7, 4},
      {3.4, 3},  {1.0, 1},  {-0.0, 0},  {0.49999999999999994, 0},   {1e10, INT32_MAX}, {-1e10, INT32_MIN},
      {Infinity, INT32_MAX}, {NaN, INT32_MIN},
  };
  for (const auto& c : cases) {
    const double expected = ead(c.n);
    const char* name = nead(c.n);
    const std::string expectedName = name;
    EXPECT_EQ(Bits(eadouble(c.x)), Bits(expected)) << "x = " << c.x;
    EXPECT_EQ(Bits(stdeadouble(c.x)), Bits(expected)) << "x = " << c.x;
    EXPECT_EQ(neadouble(c.x), name) << "x = " << c.x << ": nead's buffer";
    EXPECT_EQ(Show(neadouble(c.x)), Show(expectedName)) << "x = " << c.x;
    EXPECT_EQ(stdneadouble(c.x), name) << "x = " << c.x;
    EXPECT_EQ(Show(stdneadouble(c.x)), Show(expectedName)) << "x = " << c.x;
  }
  EXPECT_EQ(eadouble(1.5), 456.0);
  EXPECT_EQ(eadouble(-1.5), -777.0);
  EXPECT_EQ(eadouble(3.7), -777.0);
  EXPECT_EQ(Show(neadouble(2.5)), Show("T1*10 " + Degrees + "F"));
}

TEST_F(Exports, OutputsReadBacksAndTheBFamilyAnswerNoChannel) {
  const int32_t indexes[] = {0, 1, 3, -1, INT32_MAX, INT32_MIN};
  const int32_t values[] = {0, 7, -777};
  for (int32_t n : indexes) {
    for (int32_t v : values) {
      EXPECT_EQ(sa(n, v), -777);
      EXPECT_EQ(sb(n, v), -777);
      EXPECT_EQ(stdsa(n, v), -777);
      EXPECT_EQ(stdsb(n, v), -777);
      EXPECT_EQ(sad(n, v), -777.0);
      EXPECT_EQ(stdsad(n, v), -777.0);
      EXPECT_EQ(Bits(stdsas(n, static_cast<float>(v))), Bits(-777.0f));
    }
    EXPECT_EQ(rsa(n), -777);
    EXPECT_EQ(eb(n), -777);
    EXPECT_EQ(rsb(n), -777);
    EXPECT_EQ(stdeb(n), -777);
    EXPECT_EQ(stdrsb(n), -777);
    EXPECT_EQ(rsad(n), -777.0);
    EXPECT_EQ(stdrsad(n), -777.0);
    EXPECT_EQ(Bits(stdrsas(n)), Bits(-777.0f));
  }
  const double xs[] = {0.0, 0.5, -3.7, 1e300, NaN, -Infinity};
  for (double x : xs) {
    for (double v : xs) {
      EXPECT_EQ(sadouble(x, v), -777.0);
      EXPECT_EQ(stdsadouble(x, v), -777.0);
      EXPECT_EQ(sbdouble(x, v), -777.0);
      EXPECT_EQ(stdsbdouble(x, v), -777.0);
    }
    EXPECT_EQ(rsadouble(x), -777.0);
    EXPECT_EQ(stdrsadouble(x), -777.0);
    EXPECT_EQ(ebdouble(x), -777.0);
    EXPECT_EQ(stdebdouble(x), -777.0);
    EXPECT_EQ(rsbdouble(x), -777.0);
    EXPECT_EQ(stdrsbdouble(x), -777.0);
  }
}

TEST_F(Exports, EmptyNamesAreOneStableNulByte) {
  const struct {
    const char* name;
    std::function<const char*(int32_t)> call;
  } operations[] = {
      {"nsa", [](int32_t) { return nsa(); }},
      {"stdnsa", [](int32_t) { return stdnsa(); }},
      {"nsad", nsad},
      {"stdnsad", stdnsad},
      {"neb", neb},
      {"stdneb", stdneb},
      {"nsb", nsb},
      {"stdnsb", stdnsb},
      {"nsadouble", [](int32_t n) { return nsadouble(n + 0.25); }},
      {"stdnsadouble", [](int32_t n) { return stdnsadouble(n + 0.25); }},
      {"nebdouble", [](int32_t n) { return nebdouble(n + 0.7); }},
      {"stdnebdouble", [](int32_t n) { return stdnebdouble(n + 0.7); }},
      {"nsbdouble", [](int32_t n) { return nsbdouble(n); }},
      {"stdnsbdouble", [](int32_t n) { return stdnsbdouble(n); }},
  };
  for (const auto& op : operations) {
    const char* first = op.call(0);
    ASSERT_NE(first, nullptr) << op.name;
    EXPECT_EQ(*first, '\0') << op.name;
    for (int32_t n : {1, 3, -1, INT32_MAX}) EXPECT_EQ(op.call(n), first) << op.name << " for " << n;
  }
}

TEST_F(Exports, TitleAndDetailAreTheRowsTexts) {
  EXPECT_EQ(titre(), DeliverableTitle);
  EXPECT_EQ(stdtitre(), DeliverableTitle);
  EXPECT_EQ(detail(), DeliverableDetail);
  EXPECT_EQ(stddetail(), DeliverableDetail);
  EXPECT_EQ(Show(titre()), Show("Thermom\xE8" "tre de test"));
}

TEST_F(Exports, PeadAnswersThroughItsCell) {
  const double* cell = pead(0);
  ASSERT_NE(cell, nullptr);
  EXPECT_EQ(*cell, 45.6);
  EXPECT_EQ(pead(1), cell);
  EXPECT_EQ(*cell, -123.0);
  EXPECT_EQ(pead(4), cell);
  EXPECT_EQ(*cell, -777.0);

  fake_line::Arrive("x00000000010002\r");
  EXPECT_EQ(pead(0), cell);
  EXPECT_EQ(*cell, 2.0) << "pead reads the line as ead does";
}

TEST_F(Exports, PsadLeavesItsArgumentAndAnswersNoChannelInItsCell) {
  double v = 3.25;
  const double* cell = psad(0, &v);
  ASSERT_NE(cell, nullptr);
  EXPECT_NE(cell, &v);
  EXPECT_NE(cell, pead(0));
  EXPECT_EQ(*cell, -777.0);
  EXPECT_EQ(Bits(v), Bits(3.25));
  EXPECT_EQ(psad(-1, nullptr), cell);
  EXPECT_EQ(*cell, -777.0);
}

TEST_F(Exports, StdeasNarrowsEadToTheNearestSingle) {
  EXPECT_EQ(Bits(stdeas(0)), Bits(0x1.6cccccp5f));  // 45.6
  EXPECT_EQ(Bits(stdeas(3)), Bits(-1230.0f));
  EXPECT_EQ(Bits(stdeas(4)), Bits(-777.0f));
  EXPECT_EQ(Bits(stdeas(-1)), Bits(-777.0f));
}

// A frame decoded inside any of the four analog inputs under the caller's
// rounding mode gives the same state as under the default mode, and the
// caller's mode survives the call.
TEST_F(Exports, AnswersDoNotDependOnTheCallersRoundingMode) {
  const Operation decoders[] = {
      {"ea", [] { ea(0); }},   {"ead", [] { ead(0); }},      {"nea", [] { nea(0); }},
      {"nead", [] { nead(0); }}, {"stdeas", [] { stdeas(0); }},
  };
  for (int mode : {FE_UPWARD, FE_DOWNWARD, FE_TOWARDZERO}) {
    for (const Operation& op : decoders) {
      SetUp();
      fake_line::Arrive(WorkedExample);
      ASSERT_EQ(std::fesetround(mode), 0);
      op.call();
      const float single = stdeas(0);
      const int32_t rounded = ea(0);
      EXPECT_EQ(std::fegetround(), mode);
      std::fesetround(FE_TONEAREST);
      EXPECT_EQ(Bits(T1), Bits(45.6)) << op.name << " under mode " << mode;
      EXPECT_EQ(Bits(single), Bits(0x1.6cccccp5f)) << op.name << " under mode " << mode;
      EXPECT_EQ(rounded, 46) << op.name << " under mode " << mode;
    }
  }
}

TEST_F(Exports, StdTwinsAnswerAsTheirBases) {
  for (int32_t n : {-1, 0, 1, 2, 3, 4}) {
    EXPECT_EQ(stdea(n), ea(n)) << n;
    EXPECT_EQ(Bits(stdead(n)), Bits(ead(n))) << n;
    const char* neaText = nea(n);
    const std::string neaName = neaText;
    EXPECT_EQ(stdnea(n), neaText) << n << ": nea's buffer";
    EXPECT_EQ(Show(stdnea(n)), Show(neaName)) << n;
    const char* neadText = nead(n);
    const std::string neadName = neadText;
    EXPECT_EQ(stdnead(n), neadText) << n << ": nead's buffer";
    EXPECT_EQ(Show(stdnead(n)), Show(neadName)) << n;
  }
}

TEST_F(Exports, TheAnalogInputsAndTheirVariantsReadTheLine) {
  const Operation operations[] = {
      {"ea", [] { ea(0); }},
      {"ea out of range", [] { ea(9); }},
      {"ead", [] { ead(1); }},
      {"nea", [] { nea(2); }},
      {"nead", [] { nead(-1); }},
      {"stdea", [] { stdea(0); }},
      {"stdead", [] { stdead(0); }},
      {"stdnea", [] { stdnea(0); }},
      {"stdnead", [] { stdnead(0); }},
      {"eadouble", [] { eadouble(0.4); }},
      {"neadouble", [] { neadouble(0.4); }},
      {"stdeadouble", [] { stdeadouble(0.4); }},
      {"stdneadouble", [] { stdneadouble(0.4); }},
      {"stdeas", [] { stdeas(0); }},
      {"pead", [] { pead(0); }},
  };
  for (const Operation& op : operations) {
    SetUp();
    fake_line::Arrive("x00000000010002\r");
    op.call();
    EXPECT_EQ(fake_line::Queued(), 0u) << op.name;
    EXPECT_EQ(T1, 2.0) << op.name << " decodes the frame";
  }
}

TEST_F(Exports, EveryOtherOperationLeavesTheLineAlone) {
  const double v = 1.0;
  const Operation operations[] = {
      {"sa", [] { sa(0, 1); }},           {"nsa", [] { nsa(); }},
      {"sad", [] { sad(0, 1.0); }},       {"nsad", [] { nsad(0); }},
      {"rsa", [] { rsa(0); }},            {"rsad", [] { rsad(0); }},
      {"eb", [] { eb(0); }},              {"neb", [] { neb(0); }},
      {"sb", [] { sb(0, 1); }},           {"nsb", [] { nsb(0); }},
      {"rsb", [] { rsb(0); }},            {"titre", [] { titre(); }},
      {"detail", [] { detail(); }},       {"psad", [&] { psad(0, &v); }},
      {"sadouble", [] { sadouble(0, 1); }},   {"nsadouble", [] { nsadouble(0); }},
      {"rsadouble", [] { rsadouble(0); }},    {"ebdouble", [] { ebdouble(0); }},
      {"nebdouble", [] { nebdouble(0); }},    {"sbdouble", [] { sbdouble(0, 1); }},
      {"nsbdouble", [] { nsbdouble(0); }},    {"rsbdouble", [] { rsbdouble(0); }},
      {"stdsa", [] { stdsa(0, 1); }},         {"stdnsa", [] { stdnsa(); }},
      {"stdsad", [] { stdsad(0, 1); }},       {"stdnsad", [] { stdnsad(0); }},
      {"stdeb", [] { stdeb(0); }},            {"stdneb", [] { stdneb(0); }},
      {"stdsb", [] { stdsb(0, 1); }},         {"stdnsb", [] { stdnsb(0); }},
      {"stdrsad", [] { stdrsad(0); }},        {"stdrsb", [] { stdrsb(0); }},
      {"stdtitre", [] { stdtitre(); }},       {"stddetail", [] { stddetail(); }},
      {"stdsas", [] { stdsas(0, 1.0f); }},    {"stdrsas", [] { stdrsas(0); }},
      {"stdsadouble", [] { stdsadouble(0, 1); }},   {"stdnsadouble", [] { stdnsadouble(0); }},
      {"stdrsadouble", [] { stdrsadouble(0); }},    {"stdebdouble", [] { stdebdouble(0); }},
      {"stdnebdouble", [] { stdnebdouble(0); }},    {"stdsbdouble", [] { stdsbdouble(0, 1); }},
      {"stdnsbdouble", [] { stdnsbdouble(0); }},    {"stdrsbdouble", [] { stdrsbdouble(0); }},
  };
  fake_line::Arrive(WorkedExample);
  const int queries = fake_line::Queries;
  for (const Operation& op : operations) {
    op.call();
    EXPECT_EQ(fake_line::Queries, queries) << op.name;
    EXPECT_EQ(fake_line::Queued(), WorkedExample.size()) << op.name;
  }
}

}  // namespace
