#include "pty_line.h"

#include <dirent.h>
#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <stdexcept>
#include <thread>

namespace wine_tests {

PtyLine::PtyLine() {
  char name[128];
  if (openpty(&master_, &slave_, name, nullptr, nullptr) != 0) {
    throw std::runtime_error(std::string("openpty: ") + std::strerror(errno));
  }
  fcntl(master_, F_SETFD, FD_CLOEXEC);
  fcntl(slave_, F_SETFD, FD_CLOEXEC);
  fcntl(master_, F_SETFL, fcntl(master_, F_GETFL) | O_NONBLOCK);
  device_ = name;

  termios settings{};
  tcgetattr(slave_, &settings);
  cfmakeraw(&settings);
  settings.c_cflag = (settings.c_cflag & ~CSIZE) | CS7 | PARENB;
  cfsetispeed(&settings, B1200);
  cfsetospeed(&settings, B1200);
  tcsetattr(slave_, TCSANOW, &settings);
}

PtyLine::~PtyLine() {
  close(slave_);
  Hangup();
}

void PtyLine::Hangup() {
  if (master_ >= 0) close(master_);
  master_ = -1;
}

void PtyLine::Send(const std::string& bytes) {
  const size_t target = Queued() + bytes.size();
  Write(bytes);
  WaitQueued(target);
}

void PtyLine::Write(const std::string& bytes) {
  size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t n = write(master_, bytes.data() + done, bytes.size() - done);
    if (n < 0 && (errno == EINTR || errno == EAGAIN)) {
      pollfd p = {master_, POLLOUT, 0};
      poll(&p, 1, 100);
      continue;
    }
    if (n < 0) throw std::runtime_error("writing to the pty master of " + device_ + ": " + std::strerror(errno));
    done += static_cast<size_t>(n);
  }
}

void PtyLine::WaitQueued(size_t count) {
  // The pty hands bytes over to the slave's queue asynchronously.
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
  while (Queued() < count) {
    if (std::chrono::steady_clock::now() > deadline) {
      throw std::runtime_error(device_ + ": expected " + std::to_string(count) + " bytes queued, got " +
                               std::to_string(Queued()));
    }
    std::this_thread::sleep_for(std::chrono::microseconds(200));
  }
}

size_t PtyLine::Queued() const {
  int count = 0;
  if (ioctl(slave_, FIONREAD, &count) != 0) return 0;
  return static_cast<size_t>(count);
}

std::string PtyLine::TakeWrittenByHost() {
  std::string written;
  char buffer[256];
  for (;;) {
    const ssize_t n = read(master_, buffer, sizeof buffer);
    if (n <= 0) return written;
    written.append(buffer, static_cast<size_t>(n));
  }
}

bool PtyLine::WaitWrittenByHost(int timeoutMs) {
  if (master_ < 0) return false;
  pollfd p = {master_, POLLIN, 0};
  return poll(&p, 1, timeoutMs) > 0 && (p.revents & POLLIN) != 0;
}

int PtyLine::OpenElsewhere() const {
  const std::string self = std::to_string(getpid());
  int count = 0;
  DIR* proc = opendir("/proc");
  if (proc == nullptr) return -1;
  while (dirent* process = readdir(proc)) {
    const std::string pid = process->d_name;
    if (pid.find_first_not_of("0123456789") != std::string::npos || pid == self) continue;
    const std::string fdDir = "/proc/" + pid + "/fd";
    DIR* fds = opendir(fdDir.c_str());
    if (fds == nullptr) continue;  // gone, or not ours to look at
    while (dirent* fd = readdir(fds)) {
      char target[256];
      const std::string link = fdDir + "/" + fd->d_name;
      const ssize_t n = readlink(link.c_str(), target, sizeof target - 1);
      if (n > 0 && device_.compare(0, std::string::npos, target, static_cast<size_t>(n)) == 0) ++count;
    }
    closedir(fds);
  }
  closedir(proc);
  return count;
}

termios PtyLine::Settings() const {
  termios settings{};
  tcgetattr(slave_, &settings);
  return settings;
}

}  // namespace wine_tests
