#include "waveform.h"

#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <vector>

namespace {

std::vector<std::string> SplitColons(const std::string& text) {
  std::vector<std::string> parts;
  size_t start = 0;
  for (;;) {
    const size_t colon = text.find(':', start);
    parts.push_back(text.substr(start, colon == std::string::npos ? std::string::npos : colon - start));
    if (colon == std::string::npos) return parts;
    start = colon + 1;
  }
}

bool ParseNumber(const std::string& text, double* value) {
  if (text.empty()) return false;
  char* end = nullptr;
  errno = 0;
  *value = std::strtod(text.c_str(), &end);
  return errno == 0 && *end == '\0' && std::isfinite(*value);
}

}  // namespace

bool ParseWaveform(const std::string& text, Waveform* wave, std::string* error) {
  const std::vector<std::string> parts = SplitColons(text);
  std::vector<double> numbers;
  for (size_t i = parts.size() == 1 ? 0 : 1; i < parts.size(); ++i) {
    double number = 0.0;
    if (!ParseNumber(parts[i], &number)) {
      *error = "'" + parts[i] + "' in '" + text + "' is not a number";
      return false;
    }
    numbers.push_back(number);
  }
  const std::string shape = parts.size() == 1 ? "const" : parts[0];
  auto expect = [&](size_t count, size_t alternative, const char* form) {
    if (numbers.size() == count || numbers.size() == alternative) return true;
    *error = "'" + text + "': expected " + form;
    return false;
  };

  Waveform w;
  if (shape == "const") {
    if (!expect(1, 1, "V or const:V")) return false;
    w.shape = Waveform::Shape::Constant;
    w.level = numbers[0];
  } else if (shape == "ramp") {
    if (!expect(3, 3, "ramp:FROM:TO:SECONDS")) return false;
    w.shape = Waveform::Shape::Ramp;
    w.level = numbers[0];
    w.target = numbers[1];
    w.period = numbers[2];
  } else if (shape == "sine") {
    if (!expect(3, 3, "sine:MEAN:AMPLITUDE:SECONDS")) return false;
    w.shape = Waveform::Shape::Sine;
    w.level = numbers[0];
    w.amplitude = numbers[1];
    w.period = numbers[2];
  } else if (shape == "walk") {
    if (!expect(2, 4, "walk:START:STEP[:LOW:HIGH]")) return false;
    w.shape = Waveform::Shape::Walk;
    w.level = w.current = numbers[0];
    w.step = std::fabs(numbers[1]);
    if (numbers.size() == 4) {
      w.bounded = true;
      w.low = numbers[2];
      w.high = numbers[3];
      if (!(w.low <= w.level && w.level <= w.high)) {
        *error = "'" + text + "': START must lie within LOW..HIGH";
        return false;
      }
    }
  } else {
    *error = "'" + text + "': unknown shape '" + shape + "' (const, ramp, sine, walk)";
    return false;
  }
  if ((w.shape == Waveform::Shape::Ramp || w.shape == Waveform::Shape::Sine) && !(w.period > 0)) {
    *error = "'" + text + "': SECONDS must be more than 0";
    return false;
  }
  *wave = w;
  return true;
}

double NextValue(Waveform& wave, double seconds, std::mt19937& random) {
  constexpr double Pi = 3.14159265358979323846;
  switch (wave.shape) {
    case Waveform::Shape::Constant:
      return wave.level;
    case Waveform::Shape::Ramp: {
      const double phase = std::fmod(seconds, wave.period) / wave.period;
      return wave.level + (wave.target - wave.level) * phase;
    }
    case Waveform::Shape::Sine:
      return wave.level + wave.amplitude * std::sin(2 * Pi * seconds / wave.period);
    case Waveform::Shape::Walk: {
      std::uniform_real_distribution<double> change(-wave.step, wave.step);
      double next = wave.current + change(random);
      // Reflect at the bounds so the walk does not stick to them.
      if (wave.bounded) {
        if (next > wave.high) next = 2 * wave.high - next;
        if (next < wave.low) next = 2 * wave.low - next;
        next = std::fmin(std::fmax(next, wave.low), wave.high);
      }
      return wave.current = next;
    }
  }
  return wave.level;
}
