#pragma once
// What a device folder supplies to the core. Exactly one device is linked
// into each deliverable; the core calls these names and nothing else of it.
#include <cstddef>
#include <cstdint>

// The answer where a channel or value does not exist.
constexpr int32_t NoChannel = -777;
constexpr double NoChannelValue = -777.0;

// Decodes a frame of 6 to 20 characters (any byte values) and overwrites
// the whole device state. Called only by PollDevice.
void DecodeFrame(const unsigned char* text, size_t length);

// The answers of the four analog-input operations for channel n, each
// polling the line as the device requires.
int32_t DeviceEa(int32_t n);
double DeviceEad(int32_t n);
const char* DeviceNea(int32_t n);
const char* DeviceNead(int32_t n);
