// Runs the Wine tests; the shared prefix's wineserver is stopped at the end
// so that a run leaves no Wine process behind.
#include <gtest/gtest.h>

#include <csignal>

#include "wine_session.h"

int main(int argc, char** argv) {
  std::signal(SIGPIPE, SIG_IGN);  // a host that died shows as a failed write, not as our death
  testing::InitGoogleTest(&argc, argv);
  const int result = RUN_ALL_TESTS();
  wine_tests::StopSharedPrefix();
  return result;
}
