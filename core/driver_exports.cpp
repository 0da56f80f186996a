#include "driver_exports.h"

#include "deliverable.h"
#include "device.h"
#include "float_environment.h"
#include "rounding.h"

namespace {

const char EmptyText[] = "";
double PeadCell;
double PsadCell;

}  // namespace

// Analog inputs: the device answers; arithmetic runs under a known
// floating-point environment whatever the host has set.
int32_t ea(int32_t n) {
  FloatEnvironment nearest;
  return DeviceEa(n);
}
const char* nea(int32_t n) {
  FloatEnvironment nearest;
  return DeviceNea(n);
}
double ead(int32_t n) {
  FloatEnvironment nearest;
  return DeviceEad(n);
}
const char* nead(int32_t n) {
  FloatEnvironment nearest;
  return DeviceNead(n);
}

// No outputs, no b channels.
int32_t sa(int32_t, int32_t) { return NoChannel; }
const char* nsa() { return EmptyText; }
double sad(int32_t, double) { return NoChannelValue; }
const char* nsad(int32_t) { return EmptyText; }
int32_t rsa(int32_t) { return NoChannel; }
double rsad(int32_t) { return NoChannelValue; }
int32_t eb(int32_t) { return NoChannel; }
const char* neb(int32_t) { return EmptyText; }
int32_t sb(int32_t, int32_t) { return NoChannel; }
const char* nsb(int32_t) { return EmptyText; }
int32_t rsb(int32_t) { return NoChannel; }
const char* titre() { return DeliverableTitle; }
const char* detail() { return DeliverableDetail; }

const double* pead(int32_t n) {
  PeadCell = ead(n);
  return &PeadCell;
}
// The answer does not depend on *p, so a null p is not read.
const double* psad(int32_t n, const double* p) {
  PsadCell = sad(n, p != nullptr ? *p : 0.0);
  return &PsadCell;
}

double eadouble(double x) { return ead(RoundHalfEven(x)); }
const char* neadouble(double x) { return nead(RoundHalfEven(x)); }
double sadouble(PUSHED_LEFT_TO_RIGHT(double x, double v)) { return sad(RoundHalfEven(x), v); }
const char* nsadouble(double x) { return nsad(RoundHalfEven(x)); }
double rsadouble(double x) { return rsad(RoundHalfEven(x)); }
double ebdouble(double x) { return eb(RoundHalfEven(x)); }
const char* nebdouble(double x) { return neb(RoundHalfEven(x)); }
double sbdouble(PUSHED_LEFT_TO_RIGHT(double x, double v)) { return sb(RoundHalfEven(x), RoundHalfEven(v)); }
const char* nsbdouble(double x) { return nsb(RoundHalfEven(x)); }
double rsbdouble(double x) { return rsb(RoundHalfEven(x)); }

int32_t stdea(int32_t n) { return ea(n); }
const char* stdnea(int32_t n) { return nea(n); }
double stdead(int32_t n) { return ead(n); }
const char* stdnead(int32_t n) { return nead(n); }
int32_t stdsa(int32_t n, int32_t v) { return sa(n, v); }
const char* stdnsa() { return nsa(); }
double stdsad(int32_t n, double v) { return sad(n, v); }
const char* stdnsad(int32_t n) { return nsad(n); }
int32_t stdeb(int32_t n) { return eb(n); }
const char* stdneb(int32_t n) { return neb(n); }
int32_t stdsb(int32_t n, int32_t v) { return sb(n, v); }
const char* stdnsb(int32_t n) { return nsb(n); }
double stdrsad(int32_t n) { return rsad(n); }
int32_t stdrsb(int32_t n) { return rsb(n); }
const char* stdtitre() { return titre(); }
const char* stddetail() { return detail(); }
float stdeas(int32_t n) { return NarrowToSingle(ead(n)); }
float stdsas(int32_t n, float v) {
  FloatEnvironment nearest;  // widening a signalling NaN would raise invalid
  FLOAT_BARRIER(v);
  return NarrowToSingle(sad(n, v));
}
float stdrsas(int32_t n) { return NarrowToSingle(rsad(n)); }

double stdeadouble(double x) { return eadouble(x); }
const char* stdneadouble(double x) { return neadouble(x); }
double stdsadouble(double x, double v) { return sadouble(PUSHED_LEFT_TO_RIGHT(x, v)); }
const char* stdnsadouble(double x) { return nsadouble(x); }
double stdrsadouble(double x) { return rsadouble(x); }
double stdebdouble(double x) { return ebdouble(x); }
const char* stdnebdouble(double x) { return nebdouble(x); }
double stdsbdouble(double x, double v) { return sbdouble(PUSHED_LEFT_TO_RIGHT(x, v)); }
const char* stdnsbdouble(double x) { return nsbdouble(x); }
double stdrsbdouble(double x) { return rsbdouble(x); }
