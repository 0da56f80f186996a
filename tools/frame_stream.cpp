#include "frame_stream.h"

namespace {

bool Due(int every, long count) { return every > 0 && count % every == 0; }

constexpr unsigned char CarriageReturn = '\r';

}  // namespace

int FramesInNextSend(const FrameStream& stream) {
  return Due(stream.faults.burstEvery, stream.sends + 1) && stream.faults.burstFrames > 1
             ? stream.faults.burstFrames
             : 1;
}

std::vector<LineWrite> PlanSend(FrameStream& stream, const std::vector<std::string>& frames,
                                std::mt19937& random) {
  ++stream.sends;
  std::vector<LineWrite> writes(1);
  std::uniform_int_distribution<int> anyByte(0, 255);
  for (const std::string& original : frames) {
    const long n = ++stream.frames;
    std::string frame = original;
    if (Due(stream.faults.noCrEvery, n) && !frame.empty() && frame.back() == '\r') frame.pop_back();
    if (Due(stream.faults.noiseEvery, n)) {
      std::string noise;
      while (noise.size() < static_cast<size_t>(stream.faults.noiseBytes)) {
        const int byte = anyByte(random);
        if (byte != CarriageReturn) noise += static_cast<char>(byte);
      }
      writes.back().bytes += noise;
    }
    if (Due(stream.faults.splitEvery, n) && frame.size() > 1) {
      const size_t cut = frame.size() / 2;
      writes.back().bytes += frame.substr(0, cut);
      writes.push_back({frame.substr(cut), true});
    } else {
      writes.back().bytes += frame;
    }
  }
  return writes;
}
