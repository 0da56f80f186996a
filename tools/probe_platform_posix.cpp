// The probe's system calls on Linux: dlopen for the native twins.
#include <dlfcn.h>
#include <signal.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <cstdio>

#include "probe_platform.h"

namespace {

volatile sig_atomic_t InterruptFlag = 0;
void OnInterrupt(int) { InterruptFlag = 1; }

void WriteAll(int fd, const std::string& bytes) {
  size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t n = write(fd, bytes.data() + done, bytes.size() - done);
    if (n <= 0) return;
    done += static_cast<size_t>(n);
  }
}

}  // namespace

bool FileExists(const std::string& path) {
  struct stat status {};
  return stat(path.c_str(), &status) == 0 && !S_ISDIR(status.st_mode);
}

void* OpenLibrary(const std::string& path, std::string* error) {
  // A name without a slash would be searched for on the library path.
  const std::string exact = path.find('/') == std::string::npos ? "./" + path : path;
  void* library = dlopen(exact.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (library == nullptr) {
    const char* reason = dlerror();
    *error = reason != nullptr ? reason : "unknown reason";
  }
  return library;
}

void* FindSymbol(void* library, const char* name) { return dlsym(library, name); }

void SleepSeconds(double seconds) {
  const double end = MonotonicSeconds() + seconds;
  for (double left = seconds; left > 0 && !InterruptFlag; left = end - MonotonicSeconds()) {
    const double slice = left < 0.05 ? left : 0.05;
    timespec pause{0, static_cast<long>(slice * 1e9)};
    nanosleep(&pause, nullptr);
  }
}

double MonotonicSeconds() {
  timespec now{};
  clock_gettime(CLOCK_MONOTONIC, &now);
  return now.tv_sec + now.tv_nsec / 1e9;
}

std::string UtcTimestamp() {
  timespec now{};
  clock_gettime(CLOCK_REALTIME, &now);
  tm parts{};
  gmtime_r(&now.tv_sec, &parts);
  char text[80];
  std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d:%02d.%03dZ", parts.tm_year + 1900, parts.tm_mon + 1,
                parts.tm_mday, parts.tm_hour, parts.tm_min, parts.tm_sec, static_cast<int>(now.tv_nsec / 1000000));
  return text;
}

std::string LocalTimeOfDay() {
  timespec now{};
  clock_gettime(CLOCK_REALTIME, &now);
  tm parts{};
  localtime_r(&now.tv_sec, &parts);
  char text[48];
  std::snprintf(text, sizeof text, "%02d:%02d:%02d.%d", parts.tm_hour, parts.tm_min, parts.tm_sec,
                static_cast<int>(now.tv_nsec / 100000000));
  return text;
}

void CatchInterrupts() {
  struct sigaction action {};
  action.sa_handler = OnInterrupt;
  sigemptyset(&action.sa_mask);
  sigaction(SIGINT, &action, nullptr);
  sigaction(SIGTERM, &action, nullptr);
}

bool Interrupted() { return InterruptFlag != 0; }

void WriteStandardOutput(const std::string& utf8) { WriteAll(STDOUT_FILENO, utf8); }
void WriteStandardError(const std::string& utf8) { WriteAll(STDERR_FILENO, utf8); }
