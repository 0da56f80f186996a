#pragma once
// A loopback plug on the instrument's end of a pty line: whatever the
// Windows side writes on the port comes straight back into the port's input
// queue. With it the test host feeds frames to a DLL loaded in the same
// process, by writing them on its own handle to the port, without a round
// trip to this program per frame.
#include <atomic>
#include <thread>

#include "pty_line.h"

namespace wine_tests {

class LoopbackPlug {
 public:
  explicit LoopbackPlug(PtyLine& line);
  ~LoopbackPlug();  // pulls the plug: nothing is echoed afterwards
  LoopbackPlug(const LoopbackPlug&) = delete;
  LoopbackPlug& operator=(const LoopbackPlug&) = delete;

 private:
  void Echo();

  PtyLine& line_;
  std::atomic<bool> plugged_{true};
  std::thread echo_;
};

}  // namespace wine_tests
