// Runs the Wine tests on the win32 build, or with --win64 on the win64
// build; the shared prefix's wineserver is stopped at the end so that a run
// leaves no Wine process behind.
#include <gtest/gtest.h>

#include <csignal>
#include <cstdio>
#include <cstring>

#include "wine_session.h"

int main(int argc, char** argv) {
  std::signal(SIGPIPE, SIG_IGN);  // a host that died shows as a failed write, not as our death
  testing::InitGoogleTest(&argc, argv);
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--win64") == 0) {
      wine_tests::SelectTarget(wine_tests::WindowsTarget::Win64);
    } else {
      std::fprintf(stderr, "%s: unknown argument %s (expected --win64 or GoogleTest's flags)\n", argv[0], argv[i]);
      return 2;
    }
  }
  const int result = RUN_ALL_TESTS();
  wine_tests::StopSharedPrefix();
  return result;
}
