// Loading and unloading the real DLLs under Wine: ports that cannot be had,
// a second load, unload and reload, and two deliverables side by side.
// Whether a port is open is seen from Linux, through the descriptors of
// the pty that Wine's processes hold. Two deliverables on one port in one
// process cannot be shown here: Wine does not make serial opens exclusive,
// so both would open it; the native build's tests show the exclusive open.
#include <gtest/gtest.h>

#include <fstream>
#include <functional>
#include <memory>

#include "expected_answers.h"
#include "loaded_deliverable.h"
#include "wine_session.h"

namespace wine_tests {
namespace {

const std::string ThermometerFrame = ThermometerExampleFrame();
const std::string LightFrame = LightMeterExampleFrame();

// A port that cannot be had: how the prefix's COM links are set at load.
struct UnavailablePort {
  const char* name;
  std::function<void(WinePrefix&, int com)> set;
};

const UnavailablePort UnavailablePorts[] = {
    {"no_link", [](WinePrefix& prefix, int com) { prefix.RemovePort(com); }},
    {"link_to_a_directory", [](WinePrefix& prefix, int com) { prefix.PointPort(com, prefix.StateDir()); }},
    {"link_to_a_plain_file",
     [](WinePrefix& prefix, int com) {
       const std::string file = prefix.StateDir() + "/not-a-serial-device";
       std::ofstream(file).flush();
       prefix.PointPort(com, file);
     }},
};

void PrintTo(const UnavailablePort& port, std::ostream* out) { *out << port.name; }

class WithoutPort : public testing::TestWithParam<UnavailablePort> {};

// Each deliverable loads all the same, keeps its initial inputs and answers
// every other export as always; the port is not opened later either.
TEST_P(WithoutPort, LoadsAndAnswersFromItsInitialState) {
  auto host = StartHost();
  for (int com = 1; com <= WinePrefix::Ports; ++com) GetParam().set(SharedPrefix(), com);
  std::vector<std::unique_ptr<DriverModule>> modules;
  for (const auto& d : Deliverables()) modules.push_back(std::make_unique<DriverModule>(*host, d.file));

  for (size_t i = 0; i < modules.size(); ++i) {
    const Deliverable& d = Deliverables()[i];
    const DeviceModel initial = InitialModel(d.device);
    for (const auto& e : DriverExports()) {
      for (int32_t n : {0, 1, 3, -1}) {
        const auto args = ProbeArguments(e, n, 0);  // psad with a null p
        EXPECT_EQ(modules[i]->Call(e.name, args), Expected(d, initial, e.name, args))
            << d.file << " " << DescribeCall(e.name, args) << " with " << GetParam().name;
      }
    }
  }

  // A line that appears after the load is left alone.
  PtyLine com1, com2;
  SharedPrefix().PointPort(1, com1.Device());
  SharedPrefix().PointPort(2, com2.Device());
  com1.Send(LightFrame);
  com2.Send(ThermometerFrame);
  for (size_t i = 0; i < modules.size(); ++i) {
    EXPECT_EQ(modules[i]->Call("ead", {Int(0)}), DoubleAnswer(0.0)) << Deliverables()[i].file;
  }
  EXPECT_EQ(com1.Queued(), LightFrame.size()) << "a DLL read COM1 after loading without it";
  EXPECT_EQ(com2.Queued(), ThermometerFrame.size()) << "a DLL read COM2 after loading without it";
  EXPECT_EQ(com1.OpenElsewhere() + com2.OpenElsewhere(), 0) << "a port was opened after the load";
}

INSTANTIATE_TEST_SUITE_P(Cases, WithoutPort, testing::ValuesIn(UnavailablePorts),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(Lifecycle, LoadingTwiceStartsOnce) {
  LoadedDeliverable t(DeliverableNamed("thermcom2"));
  const int opened = t.line.OpenElsewhere();
  ASSERT_GT(opened, 0) << "thermcom2 loaded but its pty " << t.line.Device() << " is not open in any Wine process";
  t.line.Send(ThermometerFrame);
  EXPECT_EQ(t.module->Call("ead", {Int(0)}), DoubleAnswer(45.6));

  EXPECT_EQ(t.module->LoadAgain(), t.module->Handle()) << "a second load gave another module";
  EXPECT_EQ(t.line.OpenElsewhere(), opened) << "the second load opened the port again";
  EXPECT_EQ(t.module->Call("ea", {Int(1)}), IntAnswer(-123)) << "the second load reset the state";

  t.module->Free();
  EXPECT_EQ(t.line.OpenElsewhere(), opened) << "the port closed while a load remained";
  EXPECT_EQ(t.module->Call("ead", {Int(0)}), DoubleAnswer(45.6));
  t.module->Free();
  EXPECT_EQ(t.line.OpenElsewhere(), 0) << "the port stayed open after the last unload";
}

TEST(Lifecycle, UnloadClosesThePortAndReloadOpensItAgain) {
  LoadedDeliverable t(DeliverableNamed("thermcom2"));
  const int opened = t.line.OpenElsewhere();
  ASSERT_GT(opened, 0) << "thermcom2 loaded but its pty " << t.line.Device() << " is not open in any Wine process";
  t.line.Send(ThermometerFrame);
  EXPECT_EQ(t.module->Call("ead", {Int(0)}), DoubleAnswer(45.6));

  t.module->Free();
  EXPECT_EQ(t.line.OpenElsewhere(), 0) << "the port stayed open after FreeLibrary";

  DriverModule again(*t.host, "thermcom2.dll");
  EXPECT_EQ(t.line.OpenElsewhere(), opened) << "the reload did not open the port";
  EXPECT_EQ(again.Call("ead", {Int(0)}), DoubleAnswer(0.0)) << "the reload kept the state of the first load";
  t.line.Send("x00000000200030\r");
  EXPECT_EQ(again.Call("ead", {Int(0)}), DoubleAnswer(30.0)) << "the reloaded DLL does not read the port";
  EXPECT_EQ(again.Call("ead", {Int(1)}), DoubleAnswer(20.0));
  EXPECT_EQ(again.Call("nea", {Int(1)}), TextAnswer("T2 \xB0" "C"));
  again.Free();
  EXPECT_EQ(t.line.OpenElsewhere(), 0);
}

TEST(Lifecycle, LuxCom1AndThermCom2SideBySide) {
  auto host = StartHost();
  PtyLine com1, com2;
  SharedPrefix().PointPort(1, com1.Device());
  SharedPrefix().PointPort(2, com2.Device());
  DriverModule lux(*host, "luxcom1.dll");
  DriverModule therm(*host, "thermcom2.dll");
  EXPECT_GT(com1.OpenElsewhere(), 0) << "luxcom1 did not open COM1";
  EXPECT_GT(com2.OpenElsewhere(), 0) << "thermcom2 did not open COM2";

  com1.Send(LightFrame);
  com2.Send(ThermometerFrame);
  EXPECT_EQ(therm.Call("ead", {Int(0)}), DoubleAnswer(45.6));
  EXPECT_EQ(com1.Queued(), LightFrame.size()) << "thermcom2 read COM1";
  EXPECT_EQ(lux.Call("ead", {Int(0)}), DoubleAnswer(12.3));
  EXPECT_EQ(lux.Call("nea", {Int(0)}), TextAnswer("(Ft-cd)"));

  com2.Send("x00000000200030\r");
  com1.Send("LX 06 0000 0777\r");
  EXPECT_EQ(lux.Call("ea", {Int(0)}), IntAnswer(777));
  EXPECT_EQ(com2.Queued(), 16u) << "luxcom1 read COM2";
  EXPECT_EQ(therm.Call("ea", {Int(1)}), IntAnswer(20));
  EXPECT_NE(lux.Call("titre").address, therm.Call("titre").address);
  lux.Free();
  therm.Free();
  EXPECT_EQ(com1.OpenElsewhere() + com2.OpenElsewhere(), 0);
}

}  // namespace
}  // namespace wine_tests
