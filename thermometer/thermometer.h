#pragma once
// The dual thermometer's device state: the last decoded frame.
extern double T1;  // input 1, in T1UnitLabel
extern double T2;  // input 2, in T2UnitLabel
extern const char* T1UnitLabel;  // "°C", "°F", or empty before the first frame
extern const char* T2UnitLabel;

constexpr int ThermometerChannels = 4;
