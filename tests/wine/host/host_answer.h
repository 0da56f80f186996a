#pragma once
// One answer line of the test host on standard output, flushed at once so
// that the driving program can read it while the host waits for the next
// command.
void Answer(const char* format, ...) __attribute__((format(printf, 1, 2)));
