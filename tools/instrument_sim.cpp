// instrument_sim: plays a TM906 thermometer or an LX105 light meter on a
// serial line, sending frames on its own at the instrument's pace.
#include <signal.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "frame_encoding.h"
#include "frame_stream.h"
#include "sim_line.h"
#include "waveform.h"

namespace {

namespace fe = frame_encoding;

const char Usage[] =
    "usage: instrument_sim thermometer|lightmeter [options]\n"
    "\n"
    "Sends the instrument's frames (15 characters and a carriage return) on its own\n"
    "at a steady pace. Without --device it creates a pseudo-terminal and prints the\n"
    "path of the end to connect (e.g. /dev/pts/3) on standard output.\n"
    "\n"
    "line:\n"
    "  --device PATH        write to this serial device, set to raw 9600 8N1\n"
    "  --link PATH          also make PATH a symbolic link to the end to connect\n"
    "                       (removed again at exit)\n"
    "  --rate HZ            frames per second, at most 60 (default 2)\n"
    "  --count N            stop after N sends (default: until SIGINT or SIGTERM)\n"
    "  --seed N             seed of the random walk and the noise (default 1)\n"
    "  --verbose            print every send on standard error\n"
    "\n"
    "thermometer readings (degrees; default tenths of a degree, Celsius):\n"
    "  --t1 WAVE            T1 (default sine:21.5:2.5:30)\n"
    "  --t2 WAVE            T2 (default ramp:15:25:60)\n"
    "  --t1-unit C|F        --t2-unit C|F\n"
    "  --t1-whole           --t2-whole   whole degrees instead of tenths\n"
    "\n"
    "light-meter reading (whole units, 0 to 9999):\n"
    "  --lux WAVE           the reading (default walk:450:20:0:2000)\n"
    "  --unit lux|fc        lux or foot-candles (default lux)\n"
    "\n"
    "WAVE: V | const:V | ramp:FROM:TO:SECONDS | sine:MEAN:AMPLITUDE:SECONDS\n"
    "      | walk:START:STEP[:LOW:HIGH]   (a walk steps once per frame)\n"
    "Negative temperatures go out through the sign code. A magnitude beyond four\n"
    "digits (999.9 in tenths, 9999 whole) is clamped, with a note on standard error.\n"
    "\n"
    "faults (every Nth frame; a burst counts sends):\n"
    "  --split N            send the frame in two writes (pause --split-gap MS,\n"
    "                       default a third of the frame period)\n"
    "  --noise N            random bytes before the frame (--noise-bytes K, default 3)\n"
    "  --no-cr N            leave out the frame's carriage return\n"
    "  --burst N            send several frames in one write (--burst-frames K, default 3)\n";

volatile sig_atomic_t StopRequested = 0;
void RequestStop(int) { StopRequested = 1; }

[[noreturn]] void Fail(const std::string& message) {
  std::fprintf(stderr, "instrument_sim: %s\n", message.c_str());
  std::exit(2);
}

bool ParseLong(const std::string& text, long low, long high, long* value) {
  char* end = nullptr;
  errno = 0;
  const long n = std::strtol(text.c_str(), &end, 10);
  if (text.empty() || *end != '\0' || errno != 0 || n < low || n > high) return false;
  *value = n;
  return true;
}

struct Options {
  bool thermometer = true;
  std::string device;
  std::string link;
  double rate = 2.0;
  long count = 0;
  long seed = 1;
  bool verbose = false;
  Waveform t1, t2, lux;
  fe::TemperatureUnit t1Unit = fe::TemperatureUnit::Celsius;
  fe::TemperatureUnit t2Unit = fe::TemperatureUnit::Celsius;
  bool t1Tenths = true;
  bool t2Tenths = true;
  fe::LightUnit lightUnit = fe::LightUnit::Lux;
  Faults faults;
  double splitGapMs = -1;  // negative: a third of the period
};

Waveform WaveOrFail(const std::string& text) {
  Waveform wave;
  std::string error;
  if (!ParseWaveform(text, &wave, &error)) Fail(error);
  return wave;
}

fe::TemperatureUnit TemperatureUnitOrFail(const std::string& option, const std::string& text) {
  if (text == "C" || text == "c") return fe::TemperatureUnit::Celsius;
  if (text == "F" || text == "f") return fe::TemperatureUnit::Fahrenheit;
  Fail(option + ": expected C or F, not '" + text + "'");
}

Options ParseOptions(int argc, char** argv) {
  Options o;
  o.t1 = WaveOrFail("sine:21.5:2.5:30");
  o.t2 = WaveOrFail("ramp:15:25:60");
  o.lux = WaveOrFail("walk:450:20:0:2000");

  std::vector<std::string> args(argv + 1, argv + argc);
  for (const std::string& a : args) {
    if (a == "--help" || a == "-h") {
      std::fputs(Usage, stdout);
      std::exit(0);
    }
  }
  if (args.empty()) Fail("missing the instrument: thermometer or lightmeter (see --help)");
  if (args[0] == "thermometer") {
    o.thermometer = true;
  } else if (args[0] == "lightmeter") {
    o.thermometer = false;
  } else {
    Fail("unknown instrument '" + args[0] + "': expected thermometer or lightmeter");
  }

  for (size_t i = 1; i < args.size(); ++i) {
    std::string name = args[i];
    std::string value;
    bool hasValue = false;
    const size_t equals = name.find('=');
    if (name.rfind("--", 0) == 0 && equals != std::string::npos) {
      value = name.substr(equals + 1);
      name = name.substr(0, equals);
      hasValue = true;
    }
    auto take = [&]() -> std::string {
      if (hasValue) return value;
      if (i + 1 >= args.size()) Fail(name + " needs a value");
      return args[++i];
    };
    auto takeCount = [&](long low, long high) {
      long n = 0;
      const std::string text = take();
      if (!ParseLong(text, low, high, &n)) {
        Fail(name + ": expected a whole number from " + std::to_string(low) + " to " + std::to_string(high) + ", not '" +
             text + "'");
      }
      return n;
    };
    auto flag = [&]() {
      if (hasValue) Fail(name + " takes no value");
    };
    const bool forThermometer = name.rfind("--t1", 0) == 0 || name.rfind("--t2", 0) == 0;
    const bool forLightMeter = name == "--lux" || name == "--unit";
    if ((forThermometer && !o.thermometer) || (forLightMeter && o.thermometer)) {
      Fail(name + " does not apply to the " + args[0]);
    }

    if (name == "--device") {
      o.device = take();
    } else if (name == "--link") {
      o.link = take();
    } else if (name == "--rate") {
      const std::string text = take();
      char* end = nullptr;
      o.rate = std::strtod(text.c_str(), &end);
      if (text.empty() || *end != '\0' || !(o.rate > 0 && o.rate <= 60)) {
        Fail("--rate: expected frames per second above 0 and at most 60 (what 9600 bits/s carries), not '" + text + "'");
      }
    } else if (name == "--count") {
      o.count = takeCount(1, 1000000000);
    } else if (name == "--seed") {
      o.seed = takeCount(0, 2147483647);
    } else if (name == "--verbose") {
      flag();
      o.verbose = true;
    } else if (name == "--t1") {
      o.t1 = WaveOrFail(take());
    } else if (name == "--t2") {
      o.t2 = WaveOrFail(take());
    } else if (name == "--t1-unit") {
      o.t1Unit = TemperatureUnitOrFail(name, take());
    } else if (name == "--t2-unit") {
      o.t2Unit = TemperatureUnitOrFail(name, take());
    } else if (name == "--t1-whole") {
      flag();
      o.t1Tenths = false;
    } else if (name == "--t2-whole") {
      flag();
      o.t2Tenths = false;
    } else if (name == "--lux") {
      o.lux = WaveOrFail(take());
    } else if (name == "--unit") {
      const std::string unit = take();
      if (unit == "lux") {
        o.lightUnit = fe::LightUnit::Lux;
      } else if (unit == "fc" || unit == "ft-cd") {
        o.lightUnit = fe::LightUnit::FootCandles;
      } else {
        Fail("--unit: expected lux or fc, not '" + unit + "'");
      }
    } else if (name == "--split") {
      o.faults.splitEvery = static_cast<int>(takeCount(1, 1000000));
    } else if (name == "--split-gap") {
      o.splitGapMs = static_cast<double>(takeCount(0, 60000));
    } else if (name == "--noise") {
      o.faults.noiseEvery = static_cast<int>(takeCount(1, 1000000));
    } else if (name == "--noise-bytes") {
      o.faults.noiseBytes = static_cast<int>(takeCount(1, 64));
    } else if (name == "--no-cr") {
      o.faults.noCrEvery = static_cast<int>(takeCount(1, 1000000));
    } else if (name == "--burst") {
      o.faults.burstEvery = static_cast<int>(takeCount(1, 1000000));
    } else if (name == "--burst-frames") {
      o.faults.burstFrames = static_cast<int>(takeCount(2, 64));
    } else {
      Fail("unknown option '" + args[i] + "' (see --help)");
    }
  }
  return o;
}

// Says once per reading that a value had to be clamped.
struct ClampNote {
  const char* reading;
  bool said = false;
  void Check(bool clamped, double value, double sent) {
    if (!clamped || said) return;
    said = true;
    std::fprintf(stderr, "instrument_sim: %s %g does not fit the frame's four digits; sending %g\n", reading, value, sent);
  }
};

struct Instrument {
  const Options& options;
  std::mt19937 random;
  Waveform t1Wave = options.t1, t2Wave = options.t2, luxWave = options.lux;  // a walk keeps its state here
  ClampNote t1Note{"T1"}, t2Note{"T2"}, luxNote{"illuminance"};

  std::string NextFrame(double seconds) {
    if (options.thermometer) {
      const double v1 = NextValue(t1Wave, seconds, random);
      const double v2 = NextValue(t2Wave, seconds, random);
      const fe::QuantizedTemperature t1 = fe::QuantizeTemperature(v1, options.t1Tenths, options.t1Unit);
      const fe::QuantizedTemperature t2 = fe::QuantizeTemperature(v2, options.t2Tenths, options.t2Unit);
      t1Note.Check(t1.clamped, v1, fe::TemperatureValue(t1.temperature));
      t2Note.Check(t2.clamped, v2, fe::TemperatureValue(t2.temperature));
      return fe::EncodeThermometerFrame(t1.temperature, t2.temperature);
    }
    const double value = NextValue(luxWave, seconds, random);
    const fe::QuantizedReading reading = fe::QuantizeIlluminance(value);
    luxNote.Check(reading.clamped, value, reading.digits);
    return fe::EncodeLightFrame(reading.digits, options.lightUnit);
  }
};

std::string Printable(const std::string& bytes) {
  std::string text;
  for (unsigned char c : bytes) {
    char escaped[8];
    if (c == '\r') {
      text += "\\r";
    } else if (c >= 32 && c < 127 && c != '\\') {
      text += static_cast<char>(c);
    } else {
      std::snprintf(escaped, sizeof escaped, "\\x%02X", c);
      text += escaped;
    }
  }
  return text;
}

double Seconds(const timespec& t) { return t.tv_sec + t.tv_nsec / 1e9; }

timespec After(timespec t, double seconds) {
  const double whole = std::floor(seconds);
  t.tv_sec += static_cast<time_t>(whole);
  t.tv_nsec += static_cast<long>((seconds - whole) * 1e9);
  if (t.tv_nsec >= 1000000000L) {
    t.tv_sec += 1;
    t.tv_nsec -= 1000000000L;
  }
  return t;
}

// Sleeps until `when`; false when a stop was requested meanwhile.
bool SleepUntil(const timespec& when) {
  while (!StopRequested) {
    const int result = clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &when, nullptr);
    if (result == 0) return !StopRequested;
    if (result != EINTR) return false;
  }
  return false;
}

// A symbolic link at `path` to `target`, replacing what is there in one step.
bool PointLink(const std::string& path, const std::string& target) {
  const std::string temporary = path + ".new" + std::to_string(getpid());
  unlink(temporary.c_str());
  if (symlink(target.c_str(), temporary.c_str()) != 0) return false;
  if (rename(temporary.c_str(), path.c_str()) != 0) {
    unlink(temporary.c_str());
    return false;
  }
  return true;
}

// Removes the link if it still points at target (another run may own it now).
void RemoveLink(const std::string& path, const std::string& target) {
  char buffer[4096];
  const ssize_t n = readlink(path.c_str(), buffer, sizeof buffer - 1);
  if (n < 0) return;
  buffer[n] = '\0';
  if (target == buffer) unlink(path.c_str());
}

}  // namespace

int main(int argc, char** argv) {
  const Options options = ParseOptions(argc, argv);

  struct sigaction stop {};
  stop.sa_handler = RequestStop;
  sigemptyset(&stop.sa_mask);
  sigaction(SIGINT, &stop, nullptr);
  sigaction(SIGTERM, &stop, nullptr);
  sigaction(SIGHUP, &stop, nullptr);
  signal(SIGPIPE, SIG_IGN);

  SimLine line;
  std::string error;
  if (!OpenSimLine(options.device, &line, &error)) Fail(error);
  if (!options.link.empty() && !PointLink(options.link, line.connectPath)) {
    CloseSimLine(&line);
    Fail("cannot make the link " + options.link + ": " + std::strerror(errno));
  }
  std::printf("%s\n", line.connectPath.c_str());
  std::fflush(stdout);

  Instrument instrument{options, std::mt19937(static_cast<uint32_t>(options.seed))};
  FrameStream stream;
  stream.faults = options.faults;
  std::mt19937 noiseRandom(static_cast<uint32_t>(options.seed) ^ 0x5EEDu);
  const double period = 1.0 / options.rate;
  const double splitGap = options.splitGapMs >= 0 ? options.splitGapMs / 1000.0 : period / 3;

  timespec start{};
  clock_gettime(CLOCK_MONOTONIC, &start);
  for (long send = 0; options.count == 0 || send < options.count; ++send) {
    const timespec due = After(start, send * period);
    if (!SleepUntil(due)) break;
    std::vector<std::string> frames;
    for (int i = FramesInNextSend(stream); i > 0; --i) frames.push_back(instrument.NextFrame(send * period));
    const std::vector<LineWrite> writes = PlanSend(stream, frames, noiseRandom);
    timespec at = due;
    for (const LineWrite& write : writes) {
      if (write.pauseBefore) {
        at = After(at, splitGap);
        if (!SleepUntil(at)) break;
      }
      const bool listening = ReaderPresent(line);
      const bool sent = listening && WriteLine(line, write.bytes);
      if (options.verbose) {
        timespec now{};
        clock_gettime(CLOCK_MONOTONIC, &now);
        std::fprintf(stderr, "%8.3f %s \"%s\"\n", Seconds(now) - Seconds(start),
                     sent ? "sent" : listening ? "lost" : "no reader", Printable(write.bytes).c_str());
      }
    }
  }

  if (!options.link.empty()) RemoveLink(options.link, line.connectPath);
  CloseSimLine(&line);
  return 0;
}
