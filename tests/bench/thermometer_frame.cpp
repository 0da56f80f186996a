#include "bench_device.h"
#include "thermometer.h"

const std::string DeviceFrame = "\x02" "21020101230456\r";

void ResetDeviceState() {
  T1 = T2 = 0.0;
  T1UnitLabel = T2UnitLabel = "";
}
