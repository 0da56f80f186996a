#pragma once
// What the benchmarks and the allocation check need of the device they are
// linked with: one file per device (thermometer_frame.cpp,
// lightmeter_frame.cpp), as the device itself is chosen at link time.
#include <string>

// One complete frame as the instrument sends it: 15 characters and CR.
extern const std::string DeviceFrame;
// Puts the device state back to its values at load.
void ResetDeviceState();
