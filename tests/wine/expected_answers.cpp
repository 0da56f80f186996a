#include "expected_answers.h"

#include <cfenv>
#include <cmath>
#include <cstring>
#include <stdexcept>

namespace wine_tests {
namespace {

constexpr int32_t NoChannel = -777;
constexpr double NoChannelValue = -777.0;
// An index that names no channel: what a double index that is not a finite
// number in the 32-bit range stands for.
constexpr int32_t NoIndex = INT32_MIN;

int32_t RoundToIndex(double x) {
  if (!std::isfinite(x)) return NoIndex;
  const double rounded = std::nearbyint(x);  // the test runs in round-to-nearest-even
  if (rounded < INT32_MIN || rounded > INT32_MAX) return NoIndex;
  return static_cast<int32_t>(rounded);
}

bool HasChannel(const DeviceModel& model, int32_t n) {
  return n >= 0 && static_cast<size_t>(n) < model.values.size();
}

Answer Base(const Deliverable& d, const DeviceModel& model, const std::string& base, int32_t n) {
  if (base == "ea") return IntAnswer(HasChannel(model, n) ? static_cast<int32_t>(std::nearbyint(model.values[n])) : NoChannel);
  if (base == "ead") return DoubleAnswer(HasChannel(model, n) ? model.values[n] : NoChannelValue);
  if (base == "nea" || base == "nead") return TextAnswer(HasChannel(model, n) ? model.names[n] : "");
  if (base == "sa" || base == "rsa" || base == "eb" || base == "sb" || base == "rsb") return IntAnswer(NoChannel);
  if (base == "sad" || base == "rsad") return DoubleAnswer(NoChannelValue);
  if (base == "nsa" || base == "nsad" || base == "neb" || base == "nsb") return TextAnswer("");
  if (base == "titre") return TextAnswer(d.titre);
  if (base == "detail") return TextAnswer(d.detail);
  throw std::invalid_argument("no base operation " + base);
}

}  // namespace

const std::vector<Deliverable>& Deliverables() {
  static const std::vector<Deliverable> deliverables = {
      {"thermcom2", "thermcom2.dll", 2, Device::Thermometer, "Thermom\xE8tre TM906 en Com2:",
       "DLL pour thermom\xE8tre TM906 en com2:, par Vandrelle, le 25 janvier 2003"},
      {"luxcom1", "luxcom1.dll", 1, Device::LightMeter, "luxm\xE8tre LX105, com1:",
       "DLL pour luxm\xE8tre  LX105 en com1:, par Vandrelle, le 22 janvier 2003"},
      {"luxcom2", "luxcom2.dll", 2, Device::LightMeter, "luxm\xE8tre LX105, com2:",
       "DLL pour luxm\xE8tre  LX105 en com2:, par Vandrelle, le 22 janvier 2003"},
  };
  return deliverables;
}

const Deliverable& DeliverableNamed(const std::string& name) {
  for (const auto& d : Deliverables()) {
    if (d.name == name) return d;
  }
  throw std::invalid_argument("no deliverable " + name);
}

DeviceModel InitialModel(Device device) {
  if (device == Device::Thermometer) return {{0.0, 0.0, 0.0, 0.0}, {"T1 ", "T2 ", "T1*10 ", "T2*10 "}};
  return {{0.0}, {""}};
}

std::string ThermometerExampleFrame() { return "x21020101230456\r"; }
DeviceModel ThermometerExampleModel() {
  return {{45.6, -123.0, 456.0, -1230.0}, {"T1 \xB0" "F", "T2 \xB0" "C", "T1*10 \xB0" "F", "T2*10 \xB0" "C"}};
}

std::string LightMeterExampleFrame() { return "LX 16 0000 12.3\r"; }
DeviceModel LightMeterExampleModel() { return {{12.3}, {"(Ft-cd)"}}; }

Answer Expected(const Deliverable& d, const DeviceModel& model, const std::string& exportName,
                const std::vector<Arg>& args) {
  std::string name = exportName.rfind("std", 0) == 0 ? exportName.substr(3) : exportName;
  int32_t n = 0;
  if (!args.empty()) {
    double x;
    std::memcpy(&x, &args[0].bits, sizeof x);
    n = args[0].kind == Kind::Double ? RoundToIndex(x) : static_cast<int32_t>(args[0].bits);
  }
  // Single-precision operations: the nearest single to the double answer.
  if (name == "eas" || name == "sas" || name == "rsas") {
    const std::string base = name == "eas" ? "ead" : name == "sas" ? "sad" : "rsad";
    return SingleAnswer(static_cast<float>(Base(d, model, base, n).AsDouble()));
  }
  if (name == "pead") return CellAnswer(Base(d, model, "ead", n).AsDouble());
  if (name == "psad") return CellAnswer(Base(d, model, "sad", n).AsDouble());
  const std::string suffix = "double";
  if (name.size() > suffix.size() && name.compare(name.size() - suffix.size(), suffix.size(), suffix) == 0) {
    const std::string stem = name.substr(0, name.size() - suffix.size());
    // The analog family goes to its double operations; the b family's
    // integer answers become doubles.
    if (stem.find('a') != std::string::npos) return Base(d, model, stem + "d", n);
    const Answer answer = Base(d, model, stem, n);
    return answer.kind == Kind::Int ? DoubleAnswer(answer.integer) : answer;
  }
  return Base(d, model, name, n);
}

std::vector<Arg> ProbeArguments(const Signature& signature, int32_t n, uint64_t pointer) {
  std::vector<Arg> args;
  for (size_t i = 0; i < signature.params.size(); ++i) {
    switch (signature.params[i]) {
      case Kind::Int: args.push_back(Int(i == 0 ? n : 5)); break;
      // An index a quarter away from n still names n; a value is any double.
      case Kind::Double: args.push_back(Dbl(i == 0 ? n + 0.25 : 2.75)); break;
      case Kind::Single: args.push_back(Sgl(1.5f)); break;
      case Kind::Pointer: args.push_back(Ptr(pointer)); break;
      default: break;
    }
  }
  return args;
}

}  // namespace wine_tests
