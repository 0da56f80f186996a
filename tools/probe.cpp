// probe: loads drivers of the measurement-driver interface by file name,
// shows what they are, and watches their analog inputs.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "driver_library.h"
#include "probe_platform.h"
#include "windows_1252.h"

namespace {

const char Usage[] =
    "usage: probe info DRIVER... [--wait SECONDS]\n"
    "       probe watch DRIVER... [--interval SECONDS] [--count N] [--csv] [--output FILE]\n"
    "                             [--wait SECONDS]\n"
    "\n"
    "DRIVER is the file of a driver library (thermcom2.dll, or a native twin such\n"
    "as thermcom2.so). Loading it opens its serial port.\n"
    "\n"
    "  info     the title, the description and the analog inputs with their names\n"
    "           and current values\n"
    "  watch    reads every analog input each interval and prints a table, or CSV\n"
    "           with a timestamp column (UTC, ISO 8601)\n"
    "\n"
    "  --wait SECONDS      before answering, wait at most this long for the first\n"
    "                      frame, until every channel's name carries its unit\n"
    "                      (default 2)\n"
    "  --interval SECONDS  time between two readings (default 1)\n"
    "  --count N           stop after N readings (default: until Ctrl-C)\n"
    "  --csv               CSV instead of the table\n"
    "  --output FILE       write the table or CSV to FILE instead of standard output\n"
    "\n"
    "Exit status: 0 done, 1 a driver could not be loaded (no such file, not a\n"
    "loadable library, or not a driver of this interface), 2 a bad command line.\n";

constexpr int ChannelsMax = 64;  // a scan stops here whatever the driver answers

[[noreturn]] void UsageError(const std::string& message) {
  WriteStandardError("probe: " + message + "\n");
  std::exit(2);
}

struct Options {
  std::string command;
  std::vector<std::string> drivers;
  double waitSeconds = 2.0;
  double intervalSeconds = 1.0;
  long count = 0;
  bool csv = false;
  std::string output;
};

double SecondsOrFail(const std::string& option, const std::string& text, bool zeroAllowed) {
  char* end = nullptr;
  const double value = std::strtod(text.c_str(), &end);
  if (text.empty() || *end != '\0' || !std::isfinite(value) || value < 0 || (!zeroAllowed && value == 0) ||
      value > 86400) {
    UsageError(option + ": expected seconds" + (zeroAllowed ? "" : " above 0") + ", not '" + text + "'");
  }
  return value;
}

Options ParseOptions(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  for (const std::string& a : args) {
    if (a == "--help" || a == "-h") {
      WriteStandardOutput(Usage);
      std::exit(0);
    }
  }
  if (args.empty()) UsageError("missing command: info or watch (see --help)");
  Options o;
  o.command = args[0];
  if (o.command != "info" && o.command != "watch") UsageError("unknown command '" + o.command + "' (see --help)");
  const bool watch = o.command == "watch";

  for (size_t i = 1; i < args.size(); ++i) {
    std::string name = args[i];
    if (name.rfind("--", 0) != 0) {
      o.drivers.push_back(name);
      continue;
    }
    std::string value;
    bool hasValue = false;
    const size_t equals = name.find('=');
    if (equals != std::string::npos) {
      value = name.substr(equals + 1);
      name = name.substr(0, equals);
      hasValue = true;
    }
    auto take = [&]() -> std::string {
      if (hasValue) return value;
      if (i + 1 >= args.size()) UsageError(name + " needs a value");
      return args[++i];
    };
    auto watchOnly = [&]() {
      if (!watch) UsageError(name + " applies to watch only");
    };
    if (name == "--wait") {
      o.waitSeconds = SecondsOrFail(name, take(), true);
    } else if (name == "--interval") {
      watchOnly();
      o.intervalSeconds = SecondsOrFail(name, take(), false);
    } else if (name == "--count") {
      watchOnly();
      const std::string text = take();
      char* end = nullptr;
      o.count = std::strtol(text.c_str(), &end, 10);
      if (text.empty() || *end != '\0' || o.count < 1) UsageError("--count: expected a whole number above 0, not '" + text + "'");
    } else if (name == "--csv" && !hasValue) {
      watchOnly();
      o.csv = true;
    } else if (name == "--output") {
      watchOnly();
      o.output = take();
    } else {
      UsageError("unknown option '" + args[i] + "' (see --help)");
    }
  }
  if (o.drivers.empty()) UsageError("missing the driver file (see --help)");
  return o;
}

// One analog input of one loaded driver.
struct Channel {
  const DriverLibrary* driver;
  int32_t index;
  std::string name;  // UTF-8
  double value;
};

std::string FileName(const std::string& path) {
  const size_t slash = path.find_last_of("/\\");
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

// Reads a channel's value, then its name: both drain the line, and the
// value first means a new frame decoded meanwhile shows in the name.
void Read(Channel& channel) {
  channel.value = channel.driver->stdead(channel.index);
  channel.name = Windows1252ToUtf8(channel.driver->stdnea(channel.index));
}

// The analog inputs: indexes from 0 up to the first that has neither a name
// nor a value. (A light meter's channel has no name before its first frame,
// but a value.)
std::vector<Channel> ScanChannels(const std::vector<DriverLibrary>& drivers) {
  std::vector<Channel> channels;
  for (const DriverLibrary& driver : drivers) {
    for (int32_t n = 0; n < ChannelsMax; ++n) {
      Channel channel{&driver, n, "", 0.0};
      Read(channel);
      if (channel.name.empty() && channel.value == NoChannelValue) break;
      channels.push_back(channel);
    }
  }
  return channels;
}

// A channel's name carries its unit from the first decoded frame on: before
// it, a light meter's name is empty and a thermometer's ends in the blank
// that precedes the unit.
bool NamedWithUnit(const Channel& channel) { return !channel.name.empty() && channel.name.back() != ' '; }

// Waits at most `seconds` until every channel is named with its unit, which
// is how the first decoded frame shows. True when they are.
bool AwaitFirstFrame(std::vector<Channel>& channels, double seconds) {
  const double end = MonotonicSeconds() + seconds;
  for (;;) {
    bool all = true;
    for (const Channel& c : channels) all = all && NamedWithUnit(c);
    if (all) return true;
    if (MonotonicSeconds() >= end || Interrupted()) return false;
    SleepSeconds(0.1);
    for (Channel& c : channels) Read(c);
  }
}

// The value in fixed notation with the fewest decimals (up to 6) that read
// back as the same double; beyond that, all the digits it takes.
std::string FormatValue(double value) {
  char text[400];
  for (int decimals = 0; decimals <= 6; ++decimals) {
    std::snprintf(text, sizeof text, "%.*f", decimals, value);
    if (std::strtod(text, nullptr) == value) return text;
  }
  std::snprintf(text, sizeof text, "%.17g", value);
  return text;
}

// Columns a UTF-8 text takes on a terminal (one per character here).
size_t DisplayWidth(const std::string& utf8) {
  size_t width = 0;
  for (unsigned char c : utf8) width += (c & 0xC0) != 0x80;
  return width;
}

std::string PadLeft(const std::string& text, size_t width) {
  const size_t shown = DisplayWidth(text);
  return shown >= width ? text : std::string(width - shown, ' ') + text;
}

std::string PadRight(const std::string& text, size_t width) {
  const size_t shown = DisplayWidth(text);
  return shown >= width ? text : text + std::string(width - shown, ' ');
}

std::string CsvField(const std::string& text) {
  if (text.find_first_of(",\"\r\n") == std::string::npos) return text;
  std::string quoted = "\"";
  for (char c : text) quoted += c == '"' ? std::string("\"\"") : std::string(1, c);
  return quoted + "\"";
}

std::string ChannelLabel(const Channel& c) {
  return c.name.empty() ? "ch" + std::to_string(c.index) : c.name;
}

// Where watch writes: standard output, or a file.
struct Sink {
  std::FILE* file = nullptr;
  void Write(const std::string& text) {
    if (file == nullptr) {
      WriteStandardOutput(text);
    } else {
      std::fwrite(text.data(), 1, text.size(), file);
      std::fflush(file);
    }
  }
};

int Info(const Options& options, std::vector<DriverLibrary>& drivers) {
  std::vector<Channel> channels = ScanChannels(drivers);
  const bool framed = options.waitSeconds <= 0 || AwaitFirstFrame(channels, options.waitSeconds);
  for (const DriverLibrary& driver : drivers) {
    std::string text = "driver:        " + driver.path + "\n";
    text += "title:         " + Windows1252ToUtf8(driver.stdtitre()) + "\n";
    text += "description:   " + Windows1252ToUtf8(driver.stddetail()) + "\n";
    text += "analog inputs:\n";
    bool any = false;
    for (const Channel& c : channels) {
      if (c.driver != &driver) continue;
      any = true;
      text += "  " + PadLeft(std::to_string(c.index), 2) + "  " +
              PadRight(c.name.empty() ? "(no name yet)" : "\"" + c.name + "\"", 16) + "  " + FormatValue(c.value) +
              "\n";
    }
    if (!any) text += "  none\n";
    WriteStandardOutput(text);
  }
  if (!framed) {
    char note[160];
    std::snprintf(note, sizeof note,
                  "probe: no frame decoded within %g s: names and values are those at load (is the instrument "
                  "connected?)\n",
                  options.waitSeconds);
    WriteStandardError(note);
  }
  return 0;
}

int Watch(const Options& options, std::vector<DriverLibrary>& drivers) {
  Sink sink;
  if (!options.output.empty()) {
    sink.file = std::fopen(options.output.c_str(), "wb");
    if (sink.file == nullptr) {
      WriteStandardError("probe: cannot write " + options.output + "\n");
      return 2;
    }
  }
  std::vector<Channel> channels = ScanChannels(drivers);
  if (channels.empty()) {
    WriteStandardError("probe: the drivers have no analog input to watch\n");
    return 0;
  }
  if (options.waitSeconds > 0) AwaitFirstFrame(channels, options.waitSeconds);

  std::vector<size_t> widths;
  for (const Channel& c : channels) widths.push_back(std::max<size_t>(10, DisplayWidth(ChannelLabel(c)) + 2));
  const size_t timeWidth = 11;
  auto tableHeader = [&]() {
    std::string header;
    if (drivers.size() > 1) {  // each driver's file over its first column
      std::string line = std::string(timeWidth, ' ');
      size_t column = 0;
      for (size_t i = 0; i < channels.size(); ++i) {
        if (i == 0 || channels[i].driver != channels[i - 1].driver) {
          line = PadRight(line, timeWidth + column);
          line += "  " + FileName(channels[i].driver->path);
        }
        column += widths[i];
      }
      header += line + "\n";
    }
    header += PadRight("time", timeWidth);
    for (size_t i = 0; i < channels.size(); ++i) header += PadLeft(ChannelLabel(channels[i]), widths[i]);
    return header + "\n";
  };

  std::vector<std::string> headerNames;
  if (options.csv) {
    std::string header = "timestamp";
    for (const Channel& c : channels) {
      const std::string label = drivers.size() > 1 ? FileName(c.driver->path) + ":" + ChannelLabel(c) : ChannelLabel(c);
      header += "," + CsvField(label);
    }
    sink.Write(header + "\n");
  }

  const double start = MonotonicSeconds();
  for (long sample = 0; options.count == 0 || sample < options.count; ++sample) {
    if (sample > 0) SleepSeconds(start + sample * options.intervalSeconds - MonotonicSeconds());
    if (Interrupted()) break;
    for (Channel& c : channels) Read(c);
    if (options.csv) {
      std::string row = UtcTimestamp();
      for (const Channel& c : channels) row += "," + FormatValue(c.value);
      sink.Write(row + "\n");
      continue;
    }
    // A new header when a name changes, e.g. a unit after the first frame.
    std::vector<std::string> names;
    for (const Channel& c : channels) names.push_back(c.name);
    if (names != headerNames) {
      sink.Write(tableHeader());
      headerNames = names;
    }
    std::string row = PadRight(LocalTimeOfDay(), timeWidth);
    for (size_t i = 0; i < channels.size(); ++i) row += PadLeft(FormatValue(channels[i].value), widths[i]);
    sink.Write(row + "\n");
  }
  if (sink.file != nullptr) std::fclose(sink.file);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  const Options options = ParseOptions(argc, argv);
  CatchInterrupts();

  std::vector<DriverLibrary> drivers(options.drivers.size());
  for (size_t i = 0; i < options.drivers.size(); ++i) {
    std::string error;
    if (LoadDriverLibrary(options.drivers[i], &drivers[i], &error) != LoadOutcome::Loaded) {
      WriteStandardError("probe: " + error + "\n");
      return 1;
    }
  }
  return options.command == "info" ? Info(options, drivers) : Watch(options, drivers);
}
