#pragma once
// The 58 exports as a table, each called with a channel index n, a double
// index x and a value v where it takes them, its answer kept from the
// optimiser.
#include <cstddef>
#include <cstdint>

struct ExportCall {
  const char* name;
  void (*call)(int32_t n, double x, double v);
};
extern const ExportCall EveryExport[];
extern const size_t EveryExportCount;
