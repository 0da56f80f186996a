#pragma once
// The driver interface: 17 base operations and 41 variants, the same names
// and ordinals (exports.def) in every deliverable. Without std: register
// convention; with std: stdcall. Index n and value v; x is an index given as
// a double and rounded half to even.
#include <cstdint>

#include "calling_conventions.h"

// Base operations and pointer operations.
DRIVER_EXPORT REGISTER_CALL int32_t ea(int32_t n);
DRIVER_EXPORT REGISTER_CALL const char* nea(int32_t n);
DRIVER_EXPORT REGISTER_CALL double ead(int32_t n);
DRIVER_EXPORT REGISTER_CALL const char* nead(int32_t n);
DRIVER_EXPORT REGISTER_CALL int32_t sa(int32_t n, int32_t v);
DRIVER_EXPORT REGISTER_CALL const char* nsa();
DRIVER_EXPORT REGISTER_CALL double sad(int32_t n, double v);
DRIVER_EXPORT REGISTER_CALL const char* nsad(int32_t n);
DRIVER_EXPORT REGISTER_CALL int32_t rsa(int32_t n);
DRIVER_EXPORT REGISTER_CALL double rsad(int32_t n);
DRIVER_EXPORT REGISTER_CALL int32_t eb(int32_t n);
DRIVER_EXPORT REGISTER_CALL const char* neb(int32_t n);
DRIVER_EXPORT REGISTER_CALL int32_t sb(int32_t n, int32_t v);
DRIVER_EXPORT REGISTER_CALL const char* nsb(int32_t n);
DRIVER_EXPORT REGISTER_CALL int32_t rsb(int32_t n);
DRIVER_EXPORT REGISTER_CALL const char* titre();
DRIVER_EXPORT REGISTER_CALL const char* detail();
DRIVER_EXPORT REGISTER_CALL const double* pead(int32_t n);
DRIVER_EXPORT REGISTER_CALL const double* psad(int32_t n, const double* p);

// Double-index variants, register convention: x pushed first, v last.
DRIVER_EXPORT REGISTER_CALL double eadouble(double x);
DRIVER_EXPORT REGISTER_CALL const char* neadouble(double x);
DRIVER_EXPORT REGISTER_CALL double sadouble(PUSHED_LEFT_TO_RIGHT(double x, double v));
DRIVER_EXPORT REGISTER_CALL const char* nsadouble(double x);
DRIVER_EXPORT REGISTER_CALL double rsadouble(double x);
DRIVER_EXPORT REGISTER_CALL double ebdouble(double x);
DRIVER_EXPORT REGISTER_CALL const char* nebdouble(double x);
DRIVER_EXPORT REGISTER_CALL double sbdouble(PUSHED_LEFT_TO_RIGHT(double x, double v));
DRIVER_EXPORT REGISTER_CALL const char* nsbdouble(double x);
DRIVER_EXPORT REGISTER_CALL double rsbdouble(double x);

// Stdcall twins and single-precision operations.
DRIVER_EXPORT STD_CALL int32_t stdea(int32_t n);
DRIVER_EXPORT STD_CALL const char* stdnea(int32_t n);
DRIVER_EXPORT STD_CALL double stdead(int32_t n);
DRIVER_EXPORT STD_CALL const char* stdnead(int32_t n);
DRIVER_EXPORT STD_CALL int32_t stdsa(int32_t n, int32_t v);
DRIVER_EXPORT STD_CALL const char* stdnsa();
DRIVER_EXPORT STD_CALL double stdsad(int32_t n, double v);
DRIVER_EXPORT STD_CALL const char* stdnsad(int32_t n);
DRIVER_EXPORT STD_CALL int32_t stdeb(int32_t n);
DRIVER_EXPORT STD_CALL const char* stdneb(int32_t n);
DRIVER_EXPORT STD_CALL int32_t stdsb(int32_t n, int32_t v);
DRIVER_EXPORT STD_CALL const char* stdnsb(int32_t n);
DRIVER_EXPORT STD_CALL double stdrsad(int32_t n);
DRIVER_EXPORT STD_CALL int32_t stdrsb(int32_t n);
DRIVER_EXPORT STD_CALL const char* stdtitre();
DRIVER_EXPORT STD_CALL const char* stddetail();
DRIVER_EXPORT STD_CALL float stdeas(int32_t n);
DRIVER_EXPORT STD_CALL float stdsas(int32_t n, float v);
DRIVER_EXPORT STD_CALL float stdrsas(int32_t n);

// Stdcall double-index variants: x nearest the return address.
DRIVER_EXPORT STD_CALL double stdeadouble(double x);
DRIVER_EXPORT STD_CALL const char* stdneadouble(double x);
DRIVER_EXPORT STD_CALL double stdsadouble(double x, double v);
DRIVER_EXPORT STD_CALL const char* stdnsadouble(double x);
DRIVER_EXPORT STD_CALL double stdrsadouble(double x);
DRIVER_EXPORT STD_CALL double stdebdouble(double x);
DRIVER_EXPORT STD_CALL const char* stdnebdouble(double x);
DRIVER_EXPORT STD_CALL double stdsbdouble(double x, double v);
DRIVER_EXPORT STD_CALL const char* stdnsbdouble(double x);
DRIVER_EXPORT STD_CALL double stdrsbdouble(double x);
