// The 58 exports of each deliverable, called through the test host under
// Wine after a frame has been decoded: answers, conventions (checked on
// every call by DriverModule), index rounding, floating-point independence
// and where results are stored.
#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <memory>
#include <tuple>

#include "expected_answers.h"
#include "loaded_deliverable.h"

namespace wine_tests {
namespace {

// The host's floating-point control during a test. x87 exceptions unmasked
// (0x1332, with 64-bit precision) and other rounding modes must change no
// answer and raise nothing.
const FloatControl AsStarted = {"as_started", 0, 0};
const FloatControl FloatControls[] = {
    AsStarted,
    {"x87_1332", 0x1332, 0x1F80},
    {"upward_sse_exceptions_unmasked", 0x0B32, 0x5900},
    {"toward_zero_flush_to_zero", 0x0F7F, 0xFFC0},
};

// A deliverable loaded in a host of its own with the example frame decoded;
// kept for the whole run, since no test here changes its state.
struct Primed {
  std::unique_ptr<LoadedDeliverable> loaded;
  DeviceModel model;
  uint64_t pointer;  // a double 6.5 in the host, psad's p
};

std::map<std::string, std::unique_ptr<Primed>> Sessions;

class EndSessions : public testing::Environment {
  void TearDown() override { Sessions.clear(); }
};
testing::Environment* const endSessions = testing::AddGlobalTestEnvironment(new EndSessions);

uint64_t Bits(double value) {
  uint64_t bits;
  std::memcpy(&bits, &value, sizeof bits);
  return bits;
}

Primed& SessionFor(const Deliverable& d, const FloatControl& control) {
  auto& session = Sessions[d.name + "/" + control.name];
  if (!session) {
    auto primed = std::make_unique<Primed>();
    primed->loaded = std::make_unique<LoadedDeliverable>(d, control.controlWord != 0 ? &control : nullptr);
    const bool thermometer = d.device == Device::Thermometer;
    primed->loaded->line.Send(thermometer ? ThermometerExampleFrame() : LightMeterExampleFrame());
    primed->model = thermometer ? ThermometerExampleModel() : LightMeterExampleModel();
    EXPECT_EQ(primed->loaded->module->Call("ead", {Int(0)}), DoubleAnswer(primed->model.values[0]))
        << d.file << ": the example frame was not decoded";
    primed->pointer = primed->loaded->module->StoreDouble(Bits(6.5));
    session = std::move(primed);
  }
  return *session;
}

class ExportsUnderFloatControl : public testing::TestWithParam<std::tuple<Deliverable, FloatControl>> {
 protected:
  const Deliverable& D() const { return std::get<0>(GetParam()); }
  Primed& S() { return SessionFor(D(), std::get<1>(GetParam())); }
};

TEST_P(ExportsUnderFloatControl, EveryExportAnswersByItsConvention) {
  Primed& s = S();
  DriverModule& module = *s.loaded->module;
  for (const auto& e : DriverExports()) {
    for (int32_t n : {0, 1, 3, -1}) {
      const auto args = ProbeArguments(e, n, s.pointer);
      EXPECT_EQ(module.Call(e.name, args), Expected(D(), s.model, e.name, args))
          << D().file << " " << DescribeCall(e.name, args);
    }
    const auto args = ProbeArguments(e, 1, s.pointer);
    EXPECT_EQ(module.CallByOrdinal(e.name, args), Expected(D(), s.model, e.name, args))
        << D().file << " " << DescribeCall(e.name, args) << " by ordinal " << e.ordinal;
  }
}

// Each double index answers exactly as its nearest integer, halves going to
// the even one, through every double-index export.
TEST_P(ExportsUnderFloatControl, DoubleIndexRoundsHalfToEven) {
  struct Row {
    double x;
    int32_t n;
  };
  const Row rows[] = {{0.5, 0},  {1.5, 2},  {2.5, 2},   {-0.5, 0},  {-1.5, -2}, {3.7, 4},
                      {3.5, 4},  {-0.0, 0}, {2.4999999999999996, 2}, {0.49999999999999994, 0},
                      {1.4999999999999998, 1}, {5e-324, 0}};
  Primed& s = S();
  for (const auto& e : DriverExports()) {
    if (e.params.empty() || e.params[0] != Kind::Double) continue;
    for (const Row& row : rows) {
      std::vector<Arg> args = {Dbl(row.x)}, exact = {Dbl(row.n)};
      if (e.params.size() == 2) {
        args.push_back(Dbl(2.75));
        exact.push_back(Dbl(2.75));
      }
      EXPECT_EQ(s.loaded->module->Call(e.name, args), Expected(D(), s.model, e.name, exact))
          << D().file << " " << DescribeCall(e.name, args) << " should answer as for index " << row.n;
    }
  }
}

// Indexes that are not numbers or lie outside the 32-bit range name no
// channel, whether rounding them would trap or wrap; values of any kind
// leave the answer alone. Nothing faults.
TEST_P(ExportsUnderFloatControl, NonFiniteAndHugeArgumentsAnswerNoChannel) {
  const uint64_t odd[] = {0x7FF8000000000000,  // quiet NaN
                          0xFFF8000000000000,  // negative quiet NaN
                          0x7FF0000000000001,  // signalling NaN
                          0x7FF0000000000000,  // +inf
                          0xFFF0000000000000,  // -inf
                          Bits(1e300),         Bits(-1e300),       Bits(2147483648.5), Bits(-2147483649.5),
                          Bits(2147483647.5),  Bits(4294967296.0), Bits(4294967297.0), Bits(-4294967296.0)};
  Primed& s = S();
  DriverModule& module = *s.loaded->module;
  for (const auto& e : DriverExports()) {
    if (e.params.empty() || e.params[0] != Kind::Double) continue;
    for (uint64_t bits : odd) {
      std::vector<Arg> args = {DblBits(bits)};
      if (e.params.size() == 2) args.push_back(Dbl(1.0));
      EXPECT_EQ(module.Call(e.name, args), Expected(D(), s.model, e.name, args))
          << D().file << " " << DescribeCall(e.name, args);
      if (e.params.size() == 2) {
        args = {Dbl(0.0), DblBits(bits)};
        EXPECT_EQ(module.Call(e.name, args), Expected(D(), s.model, e.name, args))
            << D().file << " " << DescribeCall(e.name, args);
      }
    }
  }
  for (uint32_t single : {0x7FC00000u, 0x7F800001u, 0x7F800000u, 0xFF800000u, 0x00000001u, 0x7F7FFFFFu}) {
    EXPECT_EQ(module.Call("stdsas", {Int(0), SglBits(single)}), SingleAnswer(-777.0f))
        << D().file << " stdsas with single bits " << std::hex << single;
  }
  for (uint64_t bits : odd) {
    const uint64_t p = module.StoreDouble(bits);
    EXPECT_EQ(module.Call("psad", {Int(0), Ptr(p)}), CellAnswer(-777.0)) << D().file << " psad with *p bits " << std::hex << bits;
  }
}

INSTANTIATE_TEST_SUITE_P(
    All, ExportsUnderFloatControl, testing::Combine(testing::ValuesIn(Deliverables()), testing::ValuesIn(FloatControls)),
    [](const auto& info) { return std::get<0>(info.param).name + "_" + std::get<1>(info.param).name; });

class ResultStorage : public testing::TestWithParam<Deliverable> {
 protected:
  Primed& S() { return SessionFor(GetParam(), AsStarted); }
};

TEST_P(ResultStorage, TitreAndDetailAreTheDeliverablesTextsAtFixedAddresses) {
  DriverModule& module = *S().loaded->module;
  const Answer titre = module.Call("titre"), detail = module.Call("detail");
  EXPECT_EQ(titre, TextAnswer(GetParam().titre)) << GetParam().file << " titre";
  EXPECT_EQ(detail, TextAnswer(GetParam().detail)) << GetParam().file << " detail";
  EXPECT_EQ(module.Call("stdtitre").address, titre.address) << GetParam().file << ": stdtitre and titre";
  EXPECT_EQ(module.Call("stddetail").address, detail.address) << GetParam().file << ": stddetail and detail";
  module.Call("ead", {Int(0)});
  EXPECT_EQ(module.Call("titre").address, titre.address) << GetParam().file << ": titre moved";
  // Still there, NUL included, after other calls.
  EXPECT_EQ(module.Read(titre.address, GetParam().titre.size() + 1), GetParam().titre + '\0');
  EXPECT_EQ(module.Read(detail.address, GetParam().detail.size() + 1), GetParam().detail + '\0');
}

// Each text-returning export answers one address whatever its arguments,
// and a variant answers the address of its base operation.
TEST_P(ResultStorage, TextVariantsAnswerTheirBaseOperationsBuffer) {
  const bool thermometer = GetParam().device == Device::Thermometer;
  // The light meters answer nead through nea, with nea's buffer.
  const std::vector<std::vector<std::string>> groups = {
      {"nsa", "stdnsa"},
      {"nsad", "stdnsad", "nsadouble", "stdnsadouble"},
      {"neb", "stdneb", "nebdouble", "stdnebdouble"},
      {"nsb", "stdnsb", "nsbdouble", "stdnsbdouble"},
      {"titre", "stdtitre"},
      {"detail", "stddetail"},
      thermometer ? std::vector<std::string>{"nea", "stdnea"}
                  : std::vector<std::string>{"nea", "stdnea", "nead", "stdnead", "neadouble", "stdneadouble"},
      thermometer ? std::vector<std::string>{"nead", "stdnead", "neadouble", "stdneadouble"}
                  : std::vector<std::string>{},
  };
  DriverModule& module = *S().loaded->module;
  std::vector<uint64_t> groupAddresses;
  for (const auto& group : groups) {
    if (group.empty()) continue;
    const uint64_t address = module.Call(group.front(), ProbeArguments(FindExport(group.front()), 0, 0)).address;
    groupAddresses.push_back(address);
    for (const auto& name : group) {
      for (int32_t n : {0, 1, 7, -1}) {
        const auto args = ProbeArguments(FindExport(name), n, 0);
        EXPECT_EQ(module.Call(name, args).address, address)
            << GetParam().file << " " << DescribeCall(name, args) << ": expected the address " << group.front()
            << " answers";
      }
    }
  }
  EXPECT_NE(groupAddresses.front(), 0u);
  if (thermometer) {
    EXPECT_NE(groupAddresses[6], groupAddresses[7]) << "thermcom2: nea and nead share a buffer";
  }
}

TEST_P(ResultStorage, PointerCellsHoldTheAnswerAndLeavePAlone) {
  Primed& s = S();
  DriverModule& module = *s.loaded->module;
  const uint64_t peadCell = module.Call("pead", {Int(0)}).address;
  for (int32_t n : {0, 1, 2, 3, -1, 4}) {
    const Answer cell = module.Call("pead", {Int(n)});
    EXPECT_EQ(cell, Expected(GetParam(), s.model, "pead", {Int(n)})) << GetParam().file << " pead(" << n << ")";
    EXPECT_EQ(cell.address, peadCell) << GetParam().file << " pead(" << n << ") moved its cell";
  }
  const Answer psad = module.Call("psad", {Int(0), Ptr(s.pointer)});
  EXPECT_EQ(psad, CellAnswer(-777.0)) << GetParam().file << " psad";
  EXPECT_NE(psad.address, peadCell) << GetParam().file << ": psad and pead share a cell";
  EXPECT_EQ(module.Read(s.pointer, 8), module.Read(module.StoreDouble(Bits(6.5)), 8))
      << GetParam().file << ": psad changed the double at p";
  // The answer does not depend on *p, so a null p is not read.
  const Answer null = module.Call("psad", {Int(1), Ptr(0)});
  EXPECT_EQ(null, CellAnswer(-777.0)) << GetParam().file << " psad(1, null)";
  EXPECT_EQ(null.address, psad.address) << GetParam().file << " psad moved its cell";
}

TEST_P(ResultStorage, NamesAndOrdinalsLeadToTheSameEntry) {
  DriverModule& module = *S().loaded->module;
  for (const auto& e : DriverExports()) {
    const uint64_t byName = module.Address(e.name);
    EXPECT_NE(byName, 0u) << GetParam().file << ": no export named " << e.name;
    EXPECT_EQ(module.Address("#" + std::to_string(e.ordinal)), byName)
        << GetParam().file << ": ordinal " << e.ordinal << " and name " << e.name;
  }
  EXPECT_EQ(module.Address("#59"), 0u) << GetParam().file << ": an export at ordinal 59";
}

INSTANTIATE_TEST_SUITE_P(Deliverables, ResultStorage, testing::ValuesIn(Deliverables()),
                         [](const auto& info) { return info.param.name; });

TEST(LightMeterTexts, DifferOnlyInTheirPortDigit) {
  DriverModule& one = *SessionFor(DeliverableNamed("luxcom1"), AsStarted).loaded->module;
  DriverModule& two = *SessionFor(DeliverableNamed("luxcom2"), AsStarted).loaded->module;
  for (const char* name : {"titre", "detail"}) {
    const std::string a = one.Call(name).text, b = two.Call(name).text;
    ASSERT_EQ(a.size(), b.size()) << name;
    std::string differences;
    for (size_t i = 0; i < a.size(); ++i) {
      if (a[i] != b[i]) differences += std::string(1, a[i]) + "/" + b[i] + " ";
    }
    EXPECT_EQ(differences, "1/2 ") << name << ": luxcom1 " << Quoted(a) << ", luxcom2 " << Quoted(b);
  }
}

}  // namespace
}  // namespace wine_tests
