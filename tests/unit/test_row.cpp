// The row of constants that a deliverable gets from its build, for tests that
// link the export interface without a deliverable.
#include "deliverable.h"

const char DeliverablePortName[] = "Com2:";
const char DeliverableTitle[] = "Thermom\xE8" "tre de test";
const char DeliverableDetail[] = "DLL de test";
