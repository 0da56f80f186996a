#include "every_export.h"

#include "driver_exports.h"

namespace {

// Answers land here so that no call is optimised away.
volatile double SinkValue;
const char* volatile SinkText;

void Keep(int32_t answer) { SinkValue = answer; }
void Keep(double answer) { SinkValue = answer; }
void Keep(float answer) { SinkValue = answer; }
void Keep(const char* answer) { SinkText = answer; }
void Keep(const double* answer) { SinkValue = *answer; }

}  // namespace

// n, x and v are unused by the exports that take no index or value.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wunused-parameter"

const ExportCall EveryExport[] = {
    {"ea", [](int32_t n, double x, double v) { Keep(ea(n)); }},
    {"nea", [](int32_t n, double x, double v) { Keep(nea(n)); }},
    {"ead", [](int32_t n, double x, double v) { Keep(ead(n)); }},
    {"nead", [](int32_t n, double x, double v) { Keep(nead(n)); }},
    {"sa", [](int32_t n, double x, double v) { Keep(sa(n, n)); }},
    {"nsa", [](int32_t n, double x, double v) { Keep(nsa()); }},
    {"sad", [](int32_t n, double x, double v) { Keep(sad(n, v)); }},
    {"nsad", [](int32_t n, double x, double v) { Keep(nsad(n)); }},
    {"rsa", [](int32_t n, double x, double v) { Keep(rsa(n)); }},
    {"rsad", [](int32_t n, double x, double v) { Keep(rsad(n)); }},
    {"eb", [](int32_t n, double x, double v) { Keep(eb(n)); }},
    {"neb", [](int32_t n, double x, double v) { Keep(neb(n)); }},
    {"sb", [](int32_t n, double x, double v) { Keep(sb(n, n)); }},
    {"nsb", [](int32_t n, double x, double v) { Keep(nsb(n)); }},
    {"rsb", [](int32_t n, double x, double v) { Keep(rsb(n)); }},
    {"titre", [](int32_t n, double x, double v) { Keep(titre()); }},
    {"detail", [](int32_t n, double x, double v) { Keep(detail()); }},
    {"pead", [](int32_t n, double x, double v) { Keep(pead(n)); }},
    {"psad", [](int32_t n, double x, double v) { Keep(psad(n, &v)); }},
    {"eadouble", [](int32_t n, double x, double v) { Keep(eadouble(x)); }},
    {"neadouble", [](int32_t n, double x, double v) { Keep(neadouble(x)); }},
    {"sadouble", [](int32_t n, double x, double v) { Keep(sadouble(PUSHED_LEFT_TO_RIGHT(x, v))); }},
    {"nsadouble", [](int32_t n, double x, double v) { Keep(nsadouble(x)); }},
    {"rsadouble", [](int32_t n, double x, double v) { Keep(rsadouble(x)); }},
    {"ebdouble", [](int32_t n, double x, double v) { Keep(ebdouble(x)); }},
    {"nebdouble", [](int32_t n, double x, double v) { Keep(nebdouble(x)); }},
    {"sbdouble", [](int32_t n, double x, double v) { Keep(sbdouble(PUSHED_LEFT_TO_RIGHT(x, v))); }},
    {"nsbdouble", [](int32_t n, double x, double v) { Keep(nsbdouble(x)); }},
    {"rsbdouble", [](int32_t n, double x, double v) { Keep(rsbdouble(x)); }},
    {"stdea", [](int32_t n, double x, double v) { Keep(stdea(n)); }},
    {"stdnea", [](int32_t n, double x, double v) { Keep(stdnea(n)); }},
    {"stdead", [](int32_t n, double x, double v) { Keep(stdead(n)); }},
    {"stdnead", [](int32_t n, double x, double v) { Keep(stdnead(n)); }},
    {"stdsa", [](int32_t n, double x, double v) { Keep(stdsa(n, n)); }},
    {"stdnsa", [](int32_t n, double x, double v) { Keep(stdnsa()); }},
    {"stdsad", [](int32_t n, double x, double v) { Keep(stdsad(n, v)); }},
    {"stdnsad", [](int32_t n, double x, double v) { Keep(stdnsad(n)); }},
    {"stdeb", [](int32_t n, double x, double v) { Keep(stdeb(n)); }},
    {"stdneb", [](int32_t n, double x, double v) { Keep(stdneb(n)); }},
    {"stdsb", [](int32_t n, double x, double v) { Keep(stdsb(n, n)); }},
    {"stdnsb", [](int32_t n, double x, double v) { Keep(stdnsb(n)); }},
    {"stdrsad", [](int32_t n, double x, double v) { Keep(stdrsad(n)); }},
    {"stdrsb", [](int32_t n, double x, double v) { Keep(stdrsb(n)); }},
    {"stdtitre", [](int32_t n, double x, double v) { Keep(stdtitre()); }},
    {"stddetail", [](int32_t n, double x, double v) { Keep(stddetail()); }},
    {"stdeas", [](int32_t n, double x, double v) { Keep(stdeas(n)); }},
    {"stdsas", [](int32_t n, double x, double v) { Keep(stdsas(n, static_cast<float>(v))); }},
    {"stdrsas", [](int32_t n, double x, double v) { Keep(stdrsas(n)); }},
    {"stdeadouble", [](int32_t n, double x, double v) { Keep(stdeadouble(x)); }},
    {"stdneadouble", [](int32_t n, double x, double v) { Keep(stdneadouble(x)); }},
    {"stdsadouble", [](int32_t n, double x, double v) { Keep(stdsadouble(x, v)); }},
    {"stdnsadouble", [](int32_t n, double x, double v) { Keep(stdnsadouble(x)); }},
    {"stdrsadouble", [](int32_t n, double x, double v) { Keep(stdrsadouble(x)); }},
    {"stdebdouble", [](int32_t n, double x, double v) { Keep(stdebdouble(x)); }},
    {"stdnebdouble", [](int32_t n, double x, double v) { Keep(stdnebdouble(x)); }},
    {"stdsbdouble", [](int32_t n, double x, double v) { Keep(stdsbdouble(x, v)); }},
    {"stdnsbdouble", [](int32_t n, double x, double v) { Keep(stdnsbdouble(x)); }},
    {"stdrsbdouble", [](int32_t n, double x, double v) { Keep(stdrsbdouble(x)); }},
};
#pragma GCC diagnostic pop
const size_t EveryExportCount = sizeof EveryExport / sizeof EveryExport[0];
