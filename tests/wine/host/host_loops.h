#pragma once
// Commands of the test host that run whole loops inside the host process:
// load/unload cycles and the timed loops of the benchmarks. One command
// runs thousands of iterations, so neither the pipe to the driving program
// nor Wine's start-up is in what they count or time.
#include <cstddef>

// Runs args[0] when it is one of these commands and answers it on standard
// output; false when it is not one of them.
bool RunLoopCommand(char** args, size_t count);
