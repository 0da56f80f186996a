#pragma once
// What a PE file (DLL or EXE) says about its exports and imports, read from
// the file itself: machine, format, the export directory and the names of
// the DLLs it imports from.
#include <cstdint>
#include <string>
#include <vector>

namespace wine_tests {

struct PeExport {
  uint32_t ordinal;
  uint32_t rva;
  std::vector<std::string> names;  // empty: exported by ordinal alone
};

struct PeImage {
  uint16_t machine = 0;       // 0x14C i386, 0x8664 x86-64
  bool pe32Plus = false;      // PE32+ (64-bit) rather than PE32
  uint16_t characteristics = 0;
  std::vector<PeExport> exports;          // every used slot of the export address table
  std::vector<std::string> exportNames;   // the name pointer table, in its order
  std::vector<std::string> imports;       // DLL names of the import directory
  bool hasDelayImports = false;
};

// Throws with the reason when the file cannot be read as a PE image.
PeImage ReadPeImage(const std::string& path);

}  // namespace wine_tests
