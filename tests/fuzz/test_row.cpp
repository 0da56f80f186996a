// The constants a deliverable's row supplies, for the fuzz targets and the
// benchmarks, which link the exports without a real deliverable.
#include "deliverable.h"

const char DeliverablePortName[] = "Com2:";
const char DeliverableTitle[] = "Titre d'essai";
const char DeliverableDetail[] = "D\xE9tail d'essai";
