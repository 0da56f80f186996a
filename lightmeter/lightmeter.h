#pragma once
// The light meter's device state: the last decoded frame.
extern double Illuminance;       // the reading field's number, unscaled
extern const char* UnitLabel;    // "(lux)", "(Ft-cd)", or empty before the first frame
