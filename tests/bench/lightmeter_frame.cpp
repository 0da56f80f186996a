#include "bench_device.h"
#include "lightmeter.h"

const std::string DeviceFrame = "\x02" "4016000000" "0123\r";

void ResetDeviceState() {
  Illuminance = 0.0;
  UnitLabel = "";
}
