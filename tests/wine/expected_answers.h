#pragma once
// What the tests expect of each deliverable: its port and texts, and the
// answer of any export for any arguments, given the device's channels.
#include <cstdint>
#include <ostream>
#include <string>
#include <vector>

#include "driver_interface.h"

namespace wine_tests {

// The channels of a device as the analog inputs answer them: a value and a
// name per index (index i is channel i).
struct DeviceModel {
  std::vector<double> values;
  std::vector<std::string> names;
};

enum class Device { Thermometer, LightMeter };

struct Deliverable {
  std::string name;  // thermcom2
  std::string file;  // thermcom2.dll
  int com;           // 2 for Com2:
  Device device;
  std::string titre;   // Windows-1252 bytes
  std::string detail;
};

const std::vector<Deliverable>& Deliverables();
inline void PrintTo(const Deliverable& d, std::ostream* out) { *out << d.name; }
const Deliverable& DeliverableNamed(const std::string& name);

// Before any frame.
DeviceModel InitialModel(Device device);
// After the thermometer's frame "x21020101230456\r": T1 45.6 °F, T2 -123 °C.
std::string ThermometerExampleFrame();
DeviceModel ThermometerExampleModel();
// After a light-meter frame with unit code 16 and reading 12.3.
std::string LightMeterExampleFrame();
DeviceModel LightMeterExampleModel();

// What export name answers for args, by the interface's rules: variants
// answer through their base operation, double indexes round half to even,
// integer answers of the b family become doubles, singles are the nearest
// to the double answer.
Answer Expected(const Deliverable& deliverable, const DeviceModel& model, const std::string& name,
                const std::vector<Arg>& args);

// The arguments the interface tables use for one probe of an export:
// index (or index as a double) n, value 5 or 2.75 or 1.5, p as given.
std::vector<Arg> ProbeArguments(const Signature& signature, int32_t n, uint64_t pointer);

}  // namespace wine_tests
