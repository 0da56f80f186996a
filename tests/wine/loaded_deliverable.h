#pragma once
// A test host with one deliverable loaded on a pseudo-terminal of its own:
// the COM link of the deliverable's port points at the pty while it loads.
#include <cstdint>
#include <memory>
#include <ostream>

#include "driver_module.h"
#include "expected_answers.h"
#include "host_process.h"
#include "pty_line.h"

namespace wine_tests {

// The host's floating-point control: x87 control word and MXCSR.
struct FloatControl {
  const char* name;
  uint16_t controlWord;
  uint32_t mxcsr;
};
inline void PrintTo(const FloatControl& c, std::ostream* out) { *out << c.name; }

struct LoadedDeliverable {
  const Deliverable& deliverable;
  PtyLine line;
  std::unique_ptr<HostProcess> host;
  std::unique_ptr<DriverModule> module;

  // Starts a host, sets its floating-point control when one is given, and
  // loads the deliverable with its port on the pty.
  explicit LoadedDeliverable(const Deliverable& d, const FloatControl* control = nullptr);
};

}  // namespace wine_tests
