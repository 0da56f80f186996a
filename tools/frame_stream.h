#pragma once
// How the simulator puts frames on the line, faults included. Every fault
// counts frames from 1 and strikes every Nth one (0: never):
//   split  the frame goes out in two writes with a pause between them, as a
//          reader may see a frame that is still arriving;
//   noise  random bytes (never a carriage return) come just before the frame,
//          shifting its fields;
//   no CR  the frame goes without its carriage return, so it runs into the
//          next one;
//   burst  counts sends, not frames: that send carries several frames in one
//          write, as after a reader that fell behind.
#include <cstddef>
#include <random>
#include <string>
#include <vector>

struct Faults {
  int splitEvery = 0;
  int noiseEvery = 0;
  int noiseBytes = 3;
  int noCrEvery = 0;
  int burstEvery = 0;
  int burstFrames = 3;
};

// One write to the line; the ones after the first of a send wait a pause
// before they go.
struct LineWrite {
  std::string bytes;
  bool pauseBefore = false;
};

struct FrameStream {
  Faults faults;
  long frames = 0;  // frames sent so far
  long sends = 0;   // sends so far
};

// Frames for the next send: 1, or the burst size on a burst.
int FramesInNextSend(const FrameStream& stream);

// The writes that put `frames` (complete frames, each ending with its
// carriage return) on the line as the next send, with the faults due.
std::vector<LineWrite> PlanSend(FrameStream& stream, const std::vector<std::string>& frames,
                                std::mt19937& random);
