#include "loaded_deliverable.h"

#include "wine_session.h"

namespace wine_tests {

LoadedDeliverable::LoadedDeliverable(const Deliverable& d, const FloatControl* control)
    : deliverable(d), host(StartHost()) {
  if (control != nullptr) host->SetFpu(control->controlWord, control->mxcsr);
  SharedPrefix().PointPort(d.com, line.Device());
  module = std::make_unique<DriverModule>(*host, d.file);
}

}  // namespace wine_tests
