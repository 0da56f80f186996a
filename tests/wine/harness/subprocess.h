#pragma once
// A child process with its standard input and output on pipes, for driving
// programs line by line; its standard error goes where ours goes.
#include <sys/types.h>

#include <chrono>
#include <string>
#include <vector>

namespace wine_tests {

using Milliseconds = std::chrono::milliseconds;

class Subprocess {
 public:
  // environment: NAME=VALUE entries added to (or replacing) ours; an entry
  // NAME without '=' removes NAME.
  Subprocess(const std::vector<std::string>& argv, const std::vector<std::string>& environment,
             const std::string& workDir);
  ~Subprocess();  // ends the child: closes its input, waits a moment, then kills it
  Subprocess(const Subprocess&) = delete;
  Subprocess& operator=(const Subprocess&) = delete;

  pid_t Pid() const { return pid_; }
  // False when the child no longer reads its input.
  bool Write(const std::string& text);
  // The next line of its output without the line end; false on time-out or
  // when the output has ended.
  bool ReadLine(std::string* line, Milliseconds timeout);
  // Everything it writes until it closes its output.
  std::string ReadRest(Milliseconds timeout);
  void CloseInput();
  // Whether it has ended, and then its exit status (as waitpid gives it).
  bool TryWait(int* status);
  // Its exit status (as waitpid gives it), killing it when it outlives the
  // time-out; -1 if it cannot be waited for.
  int Wait(Milliseconds timeout);

 private:
  pid_t pid_ = -1;
  int input_ = -1;
  int output_ = -1;
  std::string pending_;  // read but not yet returned
  bool reaped_ = false;
  int status_ = -1;
};

// Runs a command to completion. Gives its exit code (or -1 for a signal or a
// time-out) and what it printed on standard output.
struct CommandResult {
  int exitCode;
  std::string output;
};
CommandResult RunCommand(const std::vector<std::string>& argv, const std::vector<std::string>& environment,
                         Milliseconds timeout);

// "a b c" for messages.
std::string JoinCommand(const std::vector<std::string>& argv);

}  // namespace wine_tests
