#pragma once
// What the reception fuzzer needs to know of the device it is linked with:
// one file per device supplies these (thermometer_rules.cpp,
// lightmeter_rules.cpp), as the device itself is chosen at link time.
#include <cstddef>
#include <cstdint>

// Puts the device state back to its values at load.
void ResetDeviceState();
// Whether an analog-input call with channel n drains the line.
bool PollsLine(int32_t n);
// Whether n is one of the device's analog inputs.
bool IsChannel(int32_t n);
// Whether text is an allowed name for channel n, given whether any frame has
// been decoded yet (labels are empty until then, never after).
bool NameAllowed(const char* text, size_t length, int32_t n, bool decoded);
// A channel that carries the same unit label as n (thermometer: T1 and
// T1*10), n itself where there is none; and the label within a name.
int32_t SameUnitChannel(int32_t n);
const char* LabelOf(const char* name);
// The longest name the device can give.
extern const size_t NameLengthMax;
