#include "recording_device.h"

#include "device.h"

namespace recording_device {

std::vector<std::string> Decoded;

}  // namespace recording_device

void DecodeFrame(const unsigned char* text, size_t length) {
  recording_device::Decoded.emplace_back(reinterpret_cast<const char*>(text), length);
}
