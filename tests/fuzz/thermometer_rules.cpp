#include <cstring>

#include "device_rules.h"
#include "thermometer.h"

const size_t NameLengthMax = 15;

void ResetDeviceState() {
  T1 = T2 = 0.0;
  T1UnitLabel = T2UnitLabel = "";
}

bool PollsLine(int32_t) { return true; }

bool IsChannel(int32_t n) { return n >= 0 && n < 4; }

bool NameAllowed(const char* text, size_t length, int32_t n, bool decoded) {
  if (!IsChannel(n)) return length == 0;
  static const char* const Names[] = {"T1 ", "T2 ", "T1*10 ", "T2*10 "};
  const size_t nameLength = std::strlen(Names[n]);
  if (length < nameLength || std::memcmp(text, Names[n], nameLength) != 0) return false;
  const char* label = text + nameLength;
  if (!decoded) return *label == '\0';
  return std::strcmp(label, "\xB0" "C") == 0 || std::strcmp(label, "\xB0" "F") == 0;
}

int32_t SameUnitChannel(int32_t n) { return IsChannel(n) ? n ^ 2 : n; }

const char* LabelOf(const char* name) {
  const char* blank = std::strchr(name, ' ');
  return blank != nullptr ? blank + 1 : name + std::strlen(name);
}
