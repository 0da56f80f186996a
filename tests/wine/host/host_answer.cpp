#include "host_answer.h"

#include <cstdarg>
#include <cstdio>

void Answer(const char* format, ...) {
  va_list args;
  va_start(args, format);
  std::vprintf(format, args);
  va_end(args);
  std::fputc('\n', stdout);
  std::fflush(stdout);
}
