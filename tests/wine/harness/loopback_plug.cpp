#include "loopback_plug.h"

#include <string>

namespace wine_tests {

LoopbackPlug::LoopbackPlug(PtyLine& line) : line_(line), echo_([this] { Echo(); }) {}

LoopbackPlug::~LoopbackPlug() {
  plugged_ = false;
  echo_.join();
}

// Blocks in poll between bursts, so the plug costs no processor time while
// the host runs its timed loops.
void LoopbackPlug::Echo() {
  while (plugged_) {
    if (!line_.WaitWrittenByHost(20)) continue;
    const std::string bytes = line_.TakeWrittenByHost();
    if (!bytes.empty()) line_.Write(bytes);
  }
}

}  // namespace wine_tests
