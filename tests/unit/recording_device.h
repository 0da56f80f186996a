#pragma once
// A device for tests of the core alone: its DecodeFrame records every text
// that reception hands over, byte for byte.
#include <string>
#include <vector>

namespace recording_device {

extern std::vector<std::string> Decoded;  // one entry per DecodeFrame call

}  // namespace recording_device
