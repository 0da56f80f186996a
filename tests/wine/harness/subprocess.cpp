#include "subprocess.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <stdexcept>

extern char** environ;

namespace wine_tests {
namespace {

using Clock = std::chrono::steady_clock;

std::vector<std::string> MergedEnvironment(const std::vector<std::string>& changes) {
  std::vector<std::string> merged;
  auto nameOf = [](const std::string& entry) { return entry.substr(0, entry.find('=')); };
  for (char** e = environ; *e != nullptr; ++e) {
    const std::string entry = *e;
    bool replaced = false;
    for (const auto& change : changes) replaced = replaced || nameOf(change) == nameOf(entry);
    if (!replaced) merged.push_back(entry);
  }
  for (const auto& change : changes) {
    if (change.find('=') != std::string::npos) merged.push_back(change);
  }
  return merged;
}

std::vector<char*> Pointers(std::vector<std::string>& strings) {
  std::vector<char*> pointers;
  for (auto& s : strings) pointers.push_back(s.data());
  pointers.push_back(nullptr);
  return pointers;
}

int RemainingMs(Clock::time_point deadline) {
  const auto left = std::chrono::duration_cast<Milliseconds>(deadline - Clock::now()).count();
  return left > 0 ? static_cast<int>(left) : 0;
}

}  // namespace

Subprocess::Subprocess(const std::vector<std::string>& argv, const std::vector<std::string>& environment,
                       const std::string& workDir) {
  int in[2], out[2];
  if (pipe2(in, O_CLOEXEC) != 0 || pipe2(out, O_CLOEXEC) != 0) {
    throw std::runtime_error(std::string("pipe: ") + std::strerror(errno));
  }
  std::vector<std::string> args = argv;
  std::vector<std::string> env = MergedEnvironment(environment);
  std::vector<char*> argp = Pointers(args);
  std::vector<char*> envp = Pointers(env);

  pid_ = fork();
  if (pid_ < 0) throw std::runtime_error(std::string("fork: ") + std::strerror(errno));
  if (pid_ == 0) {
    dup2(in[0], STDIN_FILENO);
    dup2(out[1], STDOUT_FILENO);
    signal(SIGPIPE, SIG_DFL);
    if (!workDir.empty() && chdir(workDir.c_str()) != 0) _exit(126);
    execvpe(argp[0], argp.data(), envp.data());
    _exit(127);
  }
  close(in[0]);
  close(out[1]);
  input_ = in[1];
  output_ = out[0];
}

Subprocess::~Subprocess() {
  CloseInput();
  Wait(Milliseconds(5000));
  if (output_ >= 0) close(output_);
}

bool Subprocess::Write(const std::string& text) {
  size_t done = 0;
  while (done < text.size()) {
    const ssize_t n = write(input_, text.data() + done, text.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    done += static_cast<size_t>(n);
  }
  return true;
}

bool Subprocess::ReadLine(std::string* line, Milliseconds timeout) {
  const auto deadline = Clock::now() + timeout;
  for (;;) {
    const size_t end = pending_.find('\n');
    if (end != std::string::npos) {
      *line = pending_.substr(0, end);
      if (!line->empty() && line->back() == '\r') line->pop_back();
      pending_.erase(0, end + 1);
      return true;
    }
    pollfd p = {output_, POLLIN, 0};
    const int ready = poll(&p, 1, RemainingMs(deadline));
    if (ready < 0 && errno == EINTR) continue;
    if (ready <= 0) return false;
    char buffer[4096];
    const ssize_t n = read(output_, buffer, sizeof buffer);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    pending_.append(buffer, static_cast<size_t>(n));
  }
}

std::string Subprocess::ReadRest(Milliseconds timeout) {
  const auto deadline = Clock::now() + timeout;
  std::string all;
  all.swap(pending_);
  for (;;) {
    pollfd p = {output_, POLLIN, 0};
    const int ready = poll(&p, 1, RemainingMs(deadline));
    if (ready < 0 && errno == EINTR) continue;
    if (ready <= 0) return all;
    char buffer[4096];
    const ssize_t n = read(output_, buffer, sizeof buffer);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return all;
    all.append(buffer, static_cast<size_t>(n));
  }
}

void Subprocess::CloseInput() {
  if (input_ >= 0) close(input_);
  input_ = -1;
}

bool Subprocess::TryWait(int* status) {
  if (!reaped_) {
    const pid_t done = waitpid(pid_, &status_, WNOHANG);
    if (done == 0) return false;
    reaped_ = true;
    if (done < 0) status_ = -1;
  }
  *status = status_;
  return true;
}

int Subprocess::Wait(Milliseconds timeout) {
  if (reaped_) return status_;
  const auto deadline = Clock::now() + timeout;
  for (;;) {
    int status = 0;
    const pid_t done = waitpid(pid_, &status, WNOHANG);
    if (done == pid_) {
      reaped_ = true;
      status_ = status;
      return status_;
    }
    if (done < 0 && errno != EINTR) {
      reaped_ = true;
      return status_;
    }
    if (Clock::now() >= deadline) {
      kill(pid_, SIGKILL);
      waitpid(pid_, &status, 0);
      reaped_ = true;
      return status_ = -1;
    }
    usleep(2000);
  }
}

CommandResult RunCommand(const std::vector<std::string>& argv, const std::vector<std::string>& environment,
                         Milliseconds timeout) {
  // Output is read until the command exits, not until its output closes:
  // a daemon it starts (wineserver) may keep the pipe open for good.
  Subprocess child(argv, environment, "");
  child.CloseInput();
  const auto deadline = Clock::now() + timeout;
  std::string output;
  for (;;) {
    std::string line;
    while (child.ReadLine(&line, Milliseconds(20))) output += line + "\n";
    int status = 0;
    if (child.TryWait(&status)) {
      output += child.ReadRest(Milliseconds(0));
      return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, output};
    }
    if (Clock::now() >= deadline) {
      child.Wait(Milliseconds(0));
      return {-1, output + "(killed after " + std::to_string(timeout.count()) + " ms)\n"};
    }
    usleep(5000);  // the output may have ended before the command
  }
}

std::string JoinCommand(const std::vector<std::string>& argv) {
  std::string joined;
  for (const auto& a : argv) joined += (joined.empty() ? "" : " ") + a;
  return joined;
}

}  // namespace wine_tests
