#include <cstring>

#include "device_rules.h"
#include "lightmeter.h"

const size_t NameLengthMax = 7;

void ResetDeviceState() {
  Illuminance = 0.0;
  UnitLabel = "";
}

bool PollsLine(int32_t n) { return n == 0; }

bool IsChannel(int32_t n) { return n == 0; }

bool NameAllowed(const char* text, size_t length, int32_t n, bool decoded) {
  if (n != 0 || !decoded) return length == 0;
  return std::strcmp(text, "(lux)") == 0 || std::strcmp(text, "(Ft-cd)") == 0;
}

int32_t SameUnitChannel(int32_t n) { return n; }

const char* LabelOf(const char* name) { return name; }
