// termios behind the serial line unit (native builds).
//
// "ComN:" designates /dev/ttyS(N-1), as Wine maps it by default; any other
// name is used as a device path. The settings string is not parsed: every
// deliverable asks for 9600 8N1, which is what this open applies.
#include <fcntl.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <time.h>
#include <unistd.h>

#include <cctype>
#include <cstdio>

#include "serial_platform.h"
#include "ucommw32.h"

namespace {

// Writes the device path for name into path; false when it does not fit.
bool DevicePath(const char* name, char* path, size_t size) {
  const bool comPrefix = std::tolower(static_cast<unsigned char>(name[0])) == 'c' &&
                         std::tolower(static_cast<unsigned char>(name[1])) == 'o' &&
                         std::tolower(static_cast<unsigned char>(name[2])) == 'm';
  if (comPrefix) {
    unsigned number = 0;
    size_t i = 3;
    for (; std::isdigit(static_cast<unsigned char>(name[i])) && number < 1000; ++i) number = number * 10 + (name[i] - '0');
    const bool colonOrEnd = name[i] == '\0' || (name[i] == ':' && name[i + 1] == '\0');
    if (i > 3 && number > 0 && colonOrEnd) {
      const int n = std::snprintf(path, size, "/dev/ttyS%u", number - 1);
      return n > 0 && static_cast<size_t>(n) < size;
    }
  }
  const int n = std::snprintf(path, size, "%s", name);
  return n >= 0 && static_cast<size_t>(n) < size;
}

void ApplyLineSettings(int fd) {
  termios line{};
  if (tcgetattr(fd, &line) != 0) return;
  cfmakeraw(&line);
  cfsetispeed(&line, B9600);
  cfsetospeed(&line, B9600);
  line.c_cflag &= ~static_cast<tcflag_t>(CSIZE | PARENB | CSTOPB | CRTSCTS);
  line.c_cflag |= CS8 | CLOCAL | CREAD;
  // cfmakeraw leaves INPCK, which would turn a byte received with a framing
  // error into NUL; line errors must leave the bytes as they came.
  line.c_iflag &= ~static_cast<tcflag_t>(IXON | IXOFF | IXANY | INPCK);
  line.c_cc[VMIN] = 0;
  line.c_cc[VTIME] = 0;
  tcsetattr(fd, TCSANOW, &line);
}

}  // namespace

intptr_t PlatformOpen(const char* name, const char* /*settings*/, uint16_t /*timeoutMs*/) {
  char path[96];
  if (!DevicePath(name, path, sizeof path)) return NoHandle;
  const int fd = open(path, O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return NoHandle;
  // flock holds against every other open of the device, root's included;
  // TIOCEXCL adds the terminal's own exclusive mode for programs without it.
  if (!isatty(fd) || flock(fd, LOCK_EX | LOCK_NB) != 0) {
    close(fd);
    return NoHandle;
  }
  ioctl(fd, TIOCEXCL);
  ApplyLineSettings(fd);
  return fd;
}

bool PlatformInputQueue(intptr_t handle, uint32_t* count) {
  int waiting = 0;
  if (ioctl(static_cast<int>(handle), FIONREAD, &waiting) != 0 || waiting < 0) return false;
  *count = static_cast<uint32_t>(waiting);
  return true;
}

bool PlatformReadOne(intptr_t handle, unsigned char* byte) {
  return read(static_cast<int>(handle), byte, 1) == 1;
}

uint32_t PlatformTicks() {
  timespec now{};
  clock_gettime(CLOCK_MONOTONIC, &now);
  const uint64_t ms = static_cast<uint64_t>(now.tv_sec) * 1000u + static_cast<uint64_t>(now.tv_nsec) / 1000000u;
  return static_cast<uint32_t>(ms);
}

void PlatformClose(intptr_t handle) {
  ioctl(static_cast<int>(handle), TIOCNXCL);
  close(static_cast<int>(handle));
}
