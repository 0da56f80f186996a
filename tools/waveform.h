#pragma once
// A reading that changes with time, as the simulator plays it:
//   V or const:V                  always V
//   ramp:FROM:TO:SECONDS          FROM to TO in SECONDS, then again from FROM
//   sine:MEAN:AMPLITUDE:SECONDS   a sine of that period around MEAN
//   walk:START:STEP[:LOW:HIGH]    a random walk, at most STEP per frame, kept
//                                 within LOW..HIGH when they are given
#include <random>
#include <string>

struct Waveform {
  enum class Shape { Constant, Ramp, Sine, Walk };
  Shape shape = Shape::Constant;
  double level = 0.0;    // the constant, the ramp's start, the sine's mean, the walk's start
  double target = 0.0;   // the ramp's end
  double amplitude = 0.0;
  double period = 1.0;   // seconds, ramp and sine
  double step = 0.0;     // walk
  bool bounded = false;  // walk: low and high apply
  double low = 0.0;
  double high = 0.0;
  double current = 0.0;  // walk: the last value given
};

// Parses text into *wave; on failure returns false and says why in *error.
bool ParseWaveform(const std::string& text, Waveform* wave, std::string* error);

// The value at `seconds` since the start. A walk takes one step per call.
double NextValue(Waveform& wave, double seconds, std::mt19937& random);
