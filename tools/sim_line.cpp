#include "sim_line.h"

#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

namespace {

// Raw bytes at 9600 8N1: no translation of carriage returns, no echo, no
// flow control. On a pseudo-terminal the settings belong to the pair, so
// setting them on the master is what a reader of the slave sees.
bool SetRaw9600(int fd) {
  termios line{};
  if (tcgetattr(fd, &line) != 0) return false;
  cfmakeraw(&line);
  cfsetispeed(&line, B9600);
  cfsetospeed(&line, B9600);
  line.c_cflag &= ~static_cast<tcflag_t>(CSIZE | PARENB | CSTOPB | CRTSCTS);
  line.c_cflag |= CS8 | CLOCAL | CREAD;
  line.c_iflag &= ~static_cast<tcflag_t>(IXON | IXOFF | IXANY);
  return tcsetattr(fd, TCSANOW, &line) == 0;
}

std::string Reason(const char* what, const std::string& path) {
  return std::string(what) + (path.empty() ? "" : " " + path) + ": " + std::strerror(errno);
}

}  // namespace

bool OpenSimLine(const std::string& device, SimLine* line, std::string* error) {
  SimLine opened;
  if (device.empty()) {
    opened.pseudoTerminal = true;
    opened.fd = posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (opened.fd < 0 || grantpt(opened.fd) != 0 || unlockpt(opened.fd) != 0) {
      *error = Reason("cannot create a pseudo-terminal", "");
      if (opened.fd >= 0) close(opened.fd);
      return false;
    }
    const char* slave = ptsname(opened.fd);
    if (slave == nullptr) {
      *error = Reason("cannot name the pseudo-terminal", "");
      close(opened.fd);
      return false;
    }
    opened.connectPath = slave;
  } else {
    opened.fd = open(device.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (opened.fd < 0) {
      *error = Reason("cannot open", device);
      return false;
    }
    opened.connectPath = device;
  }
  if (!SetRaw9600(opened.fd)) {
    *error = Reason("cannot set raw 9600 8N1 on", opened.connectPath);
    close(opened.fd);
    return false;
  }
  *line = opened;
  return true;
}

bool ReaderPresent(const SimLine& line) {
  if (!line.pseudoTerminal) return true;
  // Whatever a reader wrote to its end is of no interest: drop it so the
  // master's queue never fills.
  char discard[256];
  while (read(line.fd, discard, sizeof discard) > 0) {
  }
  pollfd p{line.fd, POLLOUT, 0};
  return poll(&p, 1, 0) == 1 && (p.revents & POLLHUP) == 0;
}

bool WriteLine(const SimLine& line, const std::string& bytes) {
  size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t n = write(line.fd, bytes.data() + done, bytes.size() - done);
    if (n > 0) {
      done += static_cast<size_t>(n);
    } else if (n < 0 && errno == EINTR) {
      continue;
    } else {
      return false;
    }
  }
  return true;
}

void CloseSimLine(SimLine* line) {
  if (line->fd >= 0) close(line->fd);
  line->fd = -1;
}
