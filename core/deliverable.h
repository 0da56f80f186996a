#pragma once
// One deliverable's row: generated from deliverables/CMakeLists.txt.
extern const char DeliverablePortName[];
extern const char DeliverableTitle[];   // titre, Windows-1252
extern const char DeliverableDetail[];  // detail, Windows-1252
