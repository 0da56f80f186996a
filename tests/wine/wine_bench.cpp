// The Wine benchmarks: what a request costs in the real DLLs under Wine on a
// pty, against the bare platform calls it must make, timed inside the test
// host (host_loops.cpp), where a measured call and its reference run
// microseconds apart in one process. Also the DLLs' sizes, the time
// of a load with and without a port, and a count of the platform calls one
// request makes (Wine's relay trace). Prints one block of results; run by
// scripts/bench.
#include <sys/stat.h>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <map>
#include <regex>
#include <string>
#include <vector>

#include "expected_answers.h"
#include "host_process.h"
#include "loopback_plug.h"
#include "pty_line.h"
#include "subprocess.h"
#include "wine_prefix.h"
#include "wine_session.h"

namespace wine_tests {
namespace {

constexpr int IdlePairs = 4000;
constexpr int IdleBatch = 16;  // one idle call lasts a few ticks of the 10 MHz counter
constexpr int FramePairs = 2000;
constexpr int Loads = 300;
// 16 characters of 10 bits (start, 8 data, stop) at 9600 bits per second.
constexpr double FrameLineMicroseconds = 16 * 10 * 1e6 / 9600;

std::string ModuleText(uint64_t handle) {
  char text[24];
  std::snprintf(text, sizeof text, "%llX", static_cast<unsigned long long>(handle));
  return text;
}

double Microseconds(const Reply& reply, const std::string& key) { return std::stod(reply.Field(key)) / 1000.0; }

std::string Fixed(double value, int decimals) {
  char text[32];
  std::snprintf(text, sizeof text, "%.*f", decimals, value);
  return text;
}

std::string FrameOf(const Deliverable& d) {
  return d.device == Device::Thermometer ? ThermometerExampleFrame() : LightMeterExampleFrame();
}

// ead against its reference for one deliverable, on a pty with a loopback.
void TimeRequests(const Deliverable& d) {
  auto host = StartHost();
  PtyLine line;
  SharedPrefix().PointPort(d.com, line.Device());
  const std::string module = ModuleText(host->Ok("load " + d.file).Hex("module"));
  host->Ok("port " + std::to_string(d.com));
  LoopbackPlug plug(line);

  const Reply idle = host->Command("time-idle " + module + " " + std::to_string(IdlePairs) + " " +
                                       std::to_string(IdleBatch),
                                   Milliseconds(300000));
  const Reply frame = host->Command(
      "time-frame " + module + " " + std::to_string(FramePairs) + " " + HexBytes(FrameOf(d)), Milliseconds(300000));
  if (!idle.ok || !frame.ok) throw std::runtime_error(d.name + ": " + idle.line + " / " + frame.line);
  if (frame.Decimal("bad") != 0) throw std::runtime_error(d.name + ": a drain did not read the whole frame: " + frame.line);

  std::cout << "== wine: " << d.name << " (" << d.file << " on COM" << d.com << ", a pty)\n"
            << "ead(0), nothing waiting:           " << Fixed(Microseconds(idle, "measured"), 2)
            << " us; one bare ClearCommError " << Fixed(Microseconds(idle, "reference"), 2)
            << " us; median paired ratio " << idle.Field("ratio") << " (p10 " << idle.Field("p10") << ", p90 "
            << idle.Field("p90") << "; " << IdlePairs << " pairs of " << IdleBatch
            << "-call batches; target 1.2)\n"
            << "ead(0), one 16-byte frame waiting: " << Fixed(Microseconds(frame, "measured"), 2)
            << " us; the bare 49-call drain " << Fixed(Microseconds(frame, "reference"), 2)
            << " us; median paired ratio " << frame.Field("ratio") << " (p10 " << frame.Field("p10") << ", p90 "
            << frame.Field("p90") << "; " << FramePairs << " pairs; target 1.1)\n"
            << "share of the frame's " << Fixed(FrameLineMicroseconds / 1000, 1)
            << " ms on a 9600-baud line: the request " << Fixed(100 * Microseconds(frame, "measured") / FrameLineMicroseconds, 3)
            << " %, the bare drain " << Fixed(100 * Microseconds(frame, "reference") / FrameLineMicroseconds, 3)
            << " %\n";
}

// LoadLibraryA and FreeLibrary, with the port on a pty and with no port.
void TimeLoads() {
  std::cout << "== wine: load and unload (median of " << Loads << ", LoadLibraryA / FreeLibrary)\n";
  for (const auto& d : Deliverables()) {
    std::string with, without;
    {
      auto host = StartHost();
      PtyLine line;
      SharedPrefix().PointPort(d.com, line.Device());
      const Reply r = host->Command("time-load " + d.file + " " + std::to_string(Loads), Milliseconds(300000));
      if (!r.ok) throw std::runtime_error(r.line);
      with = Fixed(Microseconds(r, "load"), 0) + " us / " + Fixed(Microseconds(r, "free"), 0) + " us";
    }
    {
      auto host = StartHost();
      SharedPrefix().RemovePort(d.com);
      const Reply r = host->Command("time-load " + d.file + " " + std::to_string(Loads), Milliseconds(300000));
      if (!r.ok) throw std::runtime_error(r.line);
      without = Fixed(Microseconds(r, "load"), 0) + " us / " + Fixed(Microseconds(r, "free"), 0) + " us";
    }
    std::cout << d.file << ": with its port " << with << "; without a port " << without << "\n";
  }
}

void DllSizes() {
  std::cout << "== wine: DLL sizes (" << DriversDir() << ")\n";
  for (const auto& d : Deliverables()) {
    struct stat s {};
    if (stat((DriversDir() + "/" + d.file).c_str(), &s) != 0) throw std::runtime_error("no " + d.file);
    std::cout << d.file << ": " << s.st_size << " bytes\n";
  }
}

// The image size from a PE file's optional header.
uint32_t SizeOfImage(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::vector<char> header(4096);
  in.read(header.data(), static_cast<std::streamsize>(header.size()));
  auto word = [&](size_t at) {
    uint32_t v = 0;
    for (int i = 3; i >= 0; --i) v = v << 8 | static_cast<unsigned char>(header.at(at + i));
    return v;
  };
  const uint32_t pe = word(0x3C);
  return word(pe + 24 + 56);
}

// Platform calls made from inside the DLL's image, counted by function, in
// the part of a relay trace after offset.
std::map<std::string, int> CallsFromImage(const std::string& trace, size_t offset, uint64_t base, uint32_t size) {
  static const std::regex call(R"(Call [A-Za-z0-9_]+\.([A-Za-z0-9_]+)\(.*\) ret=([0-9a-fA-F]+))");
  std::map<std::string, int> calls;
  std::ifstream in(trace, std::ios::binary);
  in.seekg(static_cast<std::streamoff>(offset));
  for (std::string line; std::getline(in, line);) {
    std::smatch m;
    if (!std::regex_search(line, m, call)) continue;
    const uint64_t ret = std::stoull(m[2].str(), nullptr, 16);
    if (ret >= base && ret < base + size) ++calls[m[1].str()];
  }
  return calls;
}

size_t FileSize(const std::string& path) {
  struct stat s {};
  return stat(path.c_str(), &s) == 0 ? static_cast<size_t>(s.st_size) : 0;
}

std::string Describe(const std::map<std::string, int>& calls) {
  std::string text;
  int total = 0;
  for (const auto& [name, count] : calls) {
    text += (text.empty() ? "" : ", ") + name + " " + std::to_string(count);
    total += count;
  }
  return std::to_string(total) + " (" + text + ")";
}

// One ead with nothing waiting and one with a frame waiting, under
// WINEDEBUG=+relay: the platform calls the DLL makes for each.
void CountPlatformCalls(const Deliverable& d) {
  PtyLine line;
  SharedPrefix().PointPort(d.com, line.Device());
  const std::string trace = SharedPrefix().StateDir() + "/relay-" + d.name + ".log";
  std::vector<std::string> environment;
  for (const std::string& e : SharedPrefix().Environment()) {
    if (e.rfind("WINEDEBUG=", 0) != 0) environment.push_back(e);
  }
  environment.push_back("WINEDEBUG=+relay");
  Subprocess host({"sh", "-c", "exec wine \"$0\" 2>\"$1\"", HostExe(), trace}, environment, DriversDir());
  auto command = [&](const std::string& text) {
    std::string reply;
    if (!host.Write(text + "\n") || !host.ReadLine(&reply, Milliseconds(120000)) || reply.rfind("ok", 0) != 0) {
      throw std::runtime_error("relay-traced host: '" + text + "' answered '" + reply + "'");
    }
    return ParseReply(reply);
  };
  std::string ready;
  if (!host.ReadLine(&ready, Milliseconds(120000))) throw std::runtime_error("relay-traced host did not start");

  const uint64_t base = command("load " + d.file).Hex("module");
  const uint32_t size = SizeOfImage(DriversDir() + "/" + d.file);
  const std::string module = ModuleText(base);
  const auto load = CallsFromImage(trace, 0, base, size);
  command("port " + std::to_string(d.com));
  LoopbackPlug plug(line);
  size_t offset = FileSize(trace);
  command("time-idle " + module + " 1");
  const auto idle = CallsFromImage(trace, offset, base, size);
  offset = FileSize(trace);
  command("time-frame " + module + " 1 " + HexBytes(FrameOf(d)));
  const auto frame = CallsFromImage(trace, offset, base, size);
  offset = FileSize(trace);
  command("free " + module);
  const auto unload = CallsFromImage(trace, offset, base, size);
  host.Write("quit\n");
  host.CloseInput();
  host.Wait(Milliseconds(30000));
  std::remove(trace.c_str());

  std::cout << "== wine: platform calls made by the DLL (WINEDEBUG=+relay, " << d.file << ")\n"
            << "load (start-up):                   " << Describe(load) << "\n"
            << "ead(0), nothing waiting:           " << Describe(idle) << "\n"
            << "ead(0), one 16-byte frame waiting: " << Describe(frame) << "\n"
            << "unload (finalisation):             " << Describe(unload) << "\n";
}

}  // namespace
}  // namespace wine_tests

int main() {
  using namespace wine_tests;
  std::signal(SIGPIPE, SIG_IGN);
  try {
    std::cout << "Wine: " << RunCommand({"wine", "--version"}, {}, Milliseconds(30000)).output
              << "builds: " << DriversDir() << ", " << HostExe() << "\n";
    for (const char* name : {"thermcom2", "luxcom1"}) TimeRequests(DeliverableNamed(name));
    CountPlatformCalls(DeliverableNamed("thermcom2"));
    TimeLoads();
    DllSizes();
  } catch (const std::exception& e) {
    std::cerr << "wine_bench: " << e.what() << "\n";
    StopSharedPrefix();
    return 1;
  }
  StopSharedPrefix();
  return 0;
}
