// The simulator and the probe run as a user runs them: their usage, their
// refusals, the simulator's frames on a real pseudo-terminal, and the
// probe's errors and answers on the native driver twins.
#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <fstream>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "frame_encoding.h"

namespace {

namespace fe = frame_encoding;

struct Result {
  int exitCode = -1;
  std::string out;
  std::string err;
};

std::string ReadFile(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  std::ostringstream text;
  text << file.rdbuf();
  return text.str();
}

class TempDir {
 public:
  TempDir() {
    char pattern[] = "/tmp/tool_tests.XXXXXX";
    path_ = mkdtemp(pattern);
  }
  ~TempDir() { std::system(("rm -rf '" + path_ + "'").c_str()); }
  std::string operator/(const std::string& name) const { return path_ + "/" + name; }

 private:
  std::string path_;
};

// Runs program with args, standard output and error to files.
Result RunCommand(const std::string& program, const std::vector<std::string>& args) {
  TempDir dir;
  const std::string outPath = dir / "out", errPath = dir / "err";
  const pid_t pid = fork();
  if (pid == 0) {
    const int out = open(outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    const int err = open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    dup2(out, 1);
    dup2(err, 2);
    std::vector<char*> argv{const_cast<char*>(program.c_str())};
    for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    execv(program.c_str(), argv.data());
    _exit(127);
  }
  int status = 0;
  waitpid(pid, &status, 0);
  Result r;
  r.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  r.out = ReadFile(outPath);
  r.err = ReadFile(errPath);
  return r;
}

std::string Describe(const std::vector<std::string>& args) {
  std::string text;
  for (const std::string& a : args) text += " '" + a + "'";
  return text;
}

bool OneLine(const std::string& text) { return !text.empty() && text.find('\n') == text.size() - 1; }

// Reads from fd until `frames` carriage returns have arrived or 5 s passed.
std::string ReadFrames(int fd, int frames) {
  std::string bytes;
  const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(5);
  while (std::count(bytes.begin(), bytes.end(), '\r') < frames && std::chrono::steady_clock::now() < end) {
    pollfd p{fd, POLLIN, 0};
    if (poll(&p, 1, 100) == 1 && (p.revents & POLLIN)) {
      char buffer[256];
      const ssize_t n = read(fd, buffer, sizeof buffer);
      if (n > 0) bytes.append(buffer, static_cast<size_t>(n));
    }
  }
  return bytes;
}

// A simulator started in the background, its standard output on a pipe.
struct Simulator {
  pid_t pid = -1;
  int out = -1;
  explicit Simulator(const std::vector<std::string>& args) {
    int pipeFds[2];
    if (pipe(pipeFds) != 0) return;
    pid = fork();
    if (pid == 0) {
      dup2(pipeFds[1], 1);
      close(pipeFds[0]);
      std::vector<char*> argv{const_cast<char*>(INSTRUMENT_SIM)};
      for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
      argv.push_back(nullptr);
      execv(INSTRUMENT_SIM, argv.data());
      _exit(127);
    }
    close(pipeFds[1]);
    out = pipeFds[0];
  }
  // The first line it prints: the path of the end to connect.
  std::string ConnectPath() {
    std::string line;
    char c;
    while (read(out, &c, 1) == 1 && c != '\n') line += c;
    return line;
  }
  int Stop(int signal) {
    kill(pid, signal);
    int status = 0;
    waitpid(pid, &status, 0);
    pid = -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  }
  ~Simulator() {
    if (pid > 0) Stop(SIGKILL);
    if (out >= 0) close(out);
  }
};

void MakeRaw(int fd) {
  termios t{};
  tcgetattr(fd, &t);
  cfmakeraw(&t);
  tcsetattr(fd, TCSANOW, &t);
}

TEST(CommandLine, HelpPrintsUsage) {
  for (const std::string& program : {std::string(INSTRUMENT_SIM), std::string(PROBE)}) {
    const Result r = RunCommand(program, {"--help"});
    EXPECT_EQ(r.exitCode, 0) << program;
    EXPECT_NE(r.out.find("usage: "), std::string::npos) << program << " printed: " << r.out;
    EXPECT_EQ(r.err, "");
  }
}

TEST(CommandLine, BadArgumentsExitNonZeroWithOneLine) {
  struct Case {
    const char* program;
    std::vector<std::string> args;
  };
  const Case cases[] = {
      {INSTRUMENT_SIM, {}},
      {INSTRUMENT_SIM, {"kettle"}},
      {INSTRUMENT_SIM, {"thermometer", "--rate", "0"}},
      {INSTRUMENT_SIM, {"thermometer", "--rate", "61"}},
      {INSTRUMENT_SIM, {"thermometer", "--t1", "sine:1:2"}},
      {INSTRUMENT_SIM, {"thermometer", "--t1-unit", "K"}},
      {INSTRUMENT_SIM, {"thermometer", "--lux", "5"}},
      {INSTRUMENT_SIM, {"lightmeter", "--unit", "candela"}},
      {INSTRUMENT_SIM, {"lightmeter", "--split", "0"}},
      {INSTRUMENT_SIM, {"lightmeter", "--count"}},
      {INSTRUMENT_SIM, {"lightmeter", "--bogus"}},
      {INSTRUMENT_SIM, {"lightmeter", "--device", "/nonexistent/tty"}},
      {PROBE, {}},
      {PROBE, {"peek", "x.so"}},
      {PROBE, {"info"}},
      {PROBE, {"info", "x.so", "--csv"}},
      {PROBE, {"watch", "x.so", "--interval", "0"}},
      {PROBE, {"watch", "x.so", "--count", "-1"}},
      {PROBE, {"watch", "x.so", "--bogus"}},
  };
  for (const Case& c : cases) {
    const Result r = RunCommand(c.program, c.args);
    const std::string name = std::string(c.program).substr(std::string(c.program).rfind('/') + 1);
    EXPECT_EQ(r.exitCode, 2) << name << Describe(c.args);
    EXPECT_TRUE(OneLine(r.err)) << name << Describe(c.args) << " said: " << r.err;
    EXPECT_EQ(r.err.rfind(name + ": ", 0), 0u) << r.err;
    EXPECT_EQ(r.out, "") << name << Describe(c.args);
  }
}

TEST(Simulator, SendsTheEncodedFramesOnItsPseudoTerminal) {
  Simulator sim({"thermometer", "--rate", "20", "--t1", "-12.3", "--t2", "const:98.6", "--t2-unit", "F", "--t1-whole"});
  const std::string slave = sim.ConnectPath();
  ASSERT_EQ(slave.rfind("/dev/pts/", 0), 0u) << slave;
  const int fd = open(slave.c_str(), O_RDWR | O_NOCTTY);
  ASSERT_GE(fd, 0) << slave;
  MakeRaw(fd);
  const std::string bytes = ReadFrames(fd, 3);
  close(fd);
  EXPECT_EQ(sim.Stop(SIGINT), 0);

  const std::string frame = fe::EncodeThermometerFrame(
      fe::QuantizeTemperature(-12.3, false, fe::TemperatureUnit::Celsius).temperature,
      fe::QuantizeTemperature(98.6, true, fe::TemperatureUnit::Fahrenheit).temperature);
  EXPECT_EQ(frame, "412011009860012\r");
  // Whole frames only: what was sent before the reader opened is not queued.
  ASSERT_GE(bytes.size(), 3 * frame.size());
  EXPECT_EQ(bytes.substr(0, 3 * frame.size()), frame + frame + frame);
}

TEST(Simulator, WritesToAGivenDeviceAndLeavesWhenTerminated) {
  int master = -1, slave = -1;
  char name[64];
  ASSERT_EQ(openpty(&master, &slave, name, nullptr, nullptr), 0);
  MakeRaw(master);
  TempDir dir;
  const std::string link = dir / "com1";
  Simulator sim({"lightmeter", "--device", name, "--link", link, "--rate", "20", "--lux", "1234", "--unit", "fc"});
  EXPECT_EQ(sim.ConnectPath(), name);
  char target[64] = "";
  ASSERT_GT(readlink(link.c_str(), target, sizeof target - 1), 0);
  EXPECT_STREQ(target, name);
  const std::string bytes = ReadFrames(master, 2);
  EXPECT_EQ(sim.Stop(SIGTERM), 0);
  struct stat status {};
  EXPECT_NE(lstat(link.c_str(), &status), 0) << "the link is left behind";
  close(slave);
  close(master);

  const std::string frame = fe::EncodeLightFrame(1234, fe::LightUnit::FootCandles);
  EXPECT_EQ(frame.substr(3, 2), "16");
  EXPECT_EQ(frame.substr(11), "1234\r");
  ASSERT_GE(bytes.size(), 2 * frame.size());
  EXPECT_EQ(bytes.substr(0, 2 * frame.size()), frame + frame);
}

TEST(Probe, RefusesWhatIsNotADriverAndSaysWhy) {
  TempDir dir;
  const std::string text = dir / "notes.so";
  std::ofstream(text) << "not a library\n";
  struct Case {
    std::string file;
    std::string message;
  };
  const Case cases[] = {
      {dir / "thermcom9.so", "probe: " + (dir / "thermcom9.so") + ": no such file\n"},
      {text, "probe: " + text + ": cannot be loaded: "},
      {PARTIAL_DRIVER, std::string("probe: ") + PARTIAL_DRIVER +
                           ": not a driver of this interface: 55 of the 58 exports missing: nea, ead, nead, sa, "},
  };
  for (const Case& c : cases) {
    const Result r = RunCommand(PROBE, {"info", c.file});
    EXPECT_EQ(r.exitCode, 1) << c.file;
    EXPECT_EQ(r.err.substr(0, c.message.size()), c.message);
    EXPECT_TRUE(OneLine(r.err)) << r.err;
    EXPECT_EQ(r.out, "");
  }
  // Every missing name is given, and none that is there.
  const Result partial = RunCommand(PROBE, {"watch", PARTIAL_DRIVER});
  EXPECT_NE(partial.err.find(", stdeas, stdsas, stdrsas, stdeadouble,"), std::string::npos) << partial.err;
  EXPECT_NE(partial.err.find(", stdrsbdouble\n"), std::string::npos) << partial.err;
  for (const char* present : {" titre,", " detail,", " ea,"}) EXPECT_EQ(partial.err.find(present), std::string::npos);
}

TEST(Probe, InfoGivesTheTextsInUtf8AndTheChannels) {
  struct Case {
    const char* driver;
    std::string expected;
  };
  const Case cases[] = {
      {THERMCOM2_SO,
       "title:         Thermomètre TM906 en Com2:\n"
       "description:   DLL pour thermomètre TM906 en com2:, par Vandrelle, le 25 janvier 2003\n"
       "analog inputs:\n"
       "   0  \"T1 \"             0\n"
       "   1  \"T2 \"             0\n"
       "   2  \"T1*10 \"          0\n"
       "   3  \"T2*10 \"          0\n"},
      {LUXCOM2_SO,
       "title:         luxmètre LX105, com2:\n"
       "description:   DLL pour luxmètre  LX105 en com2:, par Vandrelle, le 22 janvier 2003\n"
       "analog inputs:\n"
       "   0  (no name yet)     0\n"},
  };
  for (const Case& c : cases) {
    // No instrument is connected natively: no waiting for a frame.
    const Result r = RunCommand(PROBE, {"info", c.driver, "--wait", "0"});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out, "driver:        " + std::string(c.driver) + "\n" + c.expected);
  }
}

TEST(Probe, WatchWritesCsvWithATimestampColumn) {
  TempDir dir;
  const std::string csv = dir / "readings.csv";
  const Result r = RunCommand(PROBE, {"watch", THERMCOM2_SO, LUXCOM2_SO, "--csv", "--count", "3", "--interval", "0.05",
                               "--wait", "0", "--output", csv});
  EXPECT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(r.out, "");
  const std::regex expected(
      "timestamp,thermcom2.so:T1 ,thermcom2.so:T2 ,thermcom2.so:T1\\*10 ,thermcom2.so:T2\\*10 ,luxcom2.so:ch0\n"
      "(\\d{4}-\\d\\d-\\d\\dT\\d\\d:\\d\\d:\\d\\d\\.\\d{3}Z,0,0,0,0,0\n){3}");
  EXPECT_TRUE(std::regex_match(ReadFile(csv), expected)) << ReadFile(csv);
}

}  // namespace
