#include "waveform.h"

#include <gtest/gtest.h>

#include <random>
#include <string>

namespace {

TEST(Waveform, ShapesGiveTheirValuesOverTime) {
  std::mt19937 random(1);
  struct Case {
    const char* text;
    double seconds;
    double expected;
  };
  const Case cases[] = {
      {"21.5", 100, 21.5},          {"const:-4", 3, -4},        {"ramp:10:20:10", 0, 10},
      {"ramp:10:20:10", 2.5, 12.5}, {"ramp:10:20:10", 12.5, 12.5}, {"sine:5:2:4", 1, 7},
      {"sine:5:2:4", 3, 3},
  };
  for (const Case& c : cases) {
    Waveform wave;
    std::string error;
    ASSERT_TRUE(ParseWaveform(c.text, &wave, &error)) << c.text << ": " << error;
    EXPECT_NEAR(NextValue(wave, c.seconds, random), c.expected, 1e-9) << c.text << " at " << c.seconds << " s";
  }
}

TEST(Waveform, WalkStepsAtMostStepAndStaysWithinItsBounds) {
  std::mt19937 random(3);
  Waveform wave;
  std::string error;
  ASSERT_TRUE(ParseWaveform("walk:5:2:0:10", &wave, &error)) << error;
  double previous = 5;
  bool moved = false;
  for (int i = 0; i < 10000; ++i) {
    const double value = NextValue(wave, i, random);
    ASSERT_LE(std::abs(value - previous), 2.0 + 1e-9);
    ASSERT_GE(value, 0.0);
    ASSERT_LE(value, 10.0);
    moved = moved || value != previous;
    previous = value;
  }
  EXPECT_TRUE(moved);
}

TEST(Waveform, MalformedTextsAreRefusedWithAReason) {
  for (const char* text : {"", "warm", "const", "const:x", "ramp:1:2", "ramp:1:2:0", "sine:1:2:-3", "walk:1",
                           "walk:50:1:0:10", "square:1:2:3", "1e999", "nan"}) {
    Waveform wave;
    std::string error;
    EXPECT_FALSE(ParseWaveform(text, &wave, &error)) << "'" << text << "' accepted";
    EXPECT_FALSE(error.empty()) << text;
  }
}

}  // namespace
