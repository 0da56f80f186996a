#include "pe_image.h"

#include <cstring>
#include <fstream>
#include <iterator>
#include <stdexcept>

namespace wine_tests {
namespace {

class File {
 public:
  File(const std::string& path) : path_(path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) throw std::runtime_error("cannot open " + path);
    bytes_.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }
  template <typename T>
  T At(size_t offset) const {
    if (offset + sizeof(T) > bytes_.size()) Fail("read past the end of the file");
    T value;
    std::memcpy(&value, bytes_.data() + offset, sizeof value);
    return value;
  }
  std::string StringAt(size_t offset) const {
    std::string text;
    for (; offset < bytes_.size() && bytes_[offset] != '\0'; ++offset) text += bytes_[offset];
    if (offset >= bytes_.size()) Fail("unterminated name");
    return text;
  }
  [[noreturn]] void Fail(const std::string& why) const { throw std::runtime_error(path_ + ": " + why); }

 private:
  std::string path_;
  std::string bytes_;
};

struct Section {
  uint32_t rva, size, fileOffset;
};

}  // namespace

PeImage ReadPeImage(const std::string& path) {
  const File file(path);
  if (file.At<uint16_t>(0) != 0x5A4D) file.Fail("no MZ header");
  const uint32_t pe = file.At<uint32_t>(0x3C);
  if (file.At<uint32_t>(pe) != 0x00004550) file.Fail("no PE signature");

  PeImage image;
  const size_t coff = pe + 4;
  image.machine = file.At<uint16_t>(coff);
  const uint16_t sectionCount = file.At<uint16_t>(coff + 2);
  const uint16_t optionalSize = file.At<uint16_t>(coff + 16);
  image.characteristics = file.At<uint16_t>(coff + 18);
  const size_t optional = coff + 20;
  const uint16_t magic = file.At<uint16_t>(optional);
  if (magic != 0x10B && magic != 0x20B) file.Fail("unknown optional header magic");
  image.pe32Plus = magic == 0x20B;
  const size_t directories = optional + (image.pe32Plus ? 112 : 96);
  const uint32_t directoryCount = file.At<uint32_t>(directories - 4);
  auto directory = [&](uint32_t index) -> std::pair<uint32_t, uint32_t> {
    if (index >= directoryCount) return {0, 0};
    return {file.At<uint32_t>(directories + 8 * index), file.At<uint32_t>(directories + 8 * index + 4)};
  };

  std::vector<Section> sections;
  const size_t sectionTable = optional + optionalSize;
  for (uint16_t i = 0; i < sectionCount; ++i) {
    const size_t s = sectionTable + 40 * i;
    const uint32_t virtualSize = file.At<uint32_t>(s + 8);
    const uint32_t rawSize = file.At<uint32_t>(s + 16);
    sections.push_back({file.At<uint32_t>(s + 12), virtualSize > rawSize ? virtualSize : rawSize,
                        file.At<uint32_t>(s + 20)});
  }
  auto offsetOf = [&](uint32_t rva) -> size_t {
    for (const auto& s : sections) {
      if (rva >= s.rva && rva < s.rva + s.size) return s.fileOffset + (rva - s.rva);
    }
    file.Fail("address outside every section");
  };

  const auto exportDir = directory(0);
  if (exportDir.first != 0) {
    const size_t e = offsetOf(exportDir.first);
    const uint32_t base = file.At<uint32_t>(e + 16);
    const uint32_t functionCount = file.At<uint32_t>(e + 20);
    const uint32_t nameCount = file.At<uint32_t>(e + 24);
    const size_t functions = offsetOf(file.At<uint32_t>(e + 28));
    const size_t names = nameCount ? offsetOf(file.At<uint32_t>(e + 32)) : 0;
    const size_t nameOrdinals = nameCount ? offsetOf(file.At<uint32_t>(e + 36)) : 0;
    std::vector<std::vector<std::string>> namesBySlot(functionCount);
    for (uint32_t i = 0; i < nameCount; ++i) {
      const std::string name = file.StringAt(offsetOf(file.At<uint32_t>(names + 4 * i)));
      const uint16_t slot = file.At<uint16_t>(nameOrdinals + 2 * i);
      if (slot >= functionCount) file.Fail("export name " + name + " points past the address table");
      namesBySlot[slot].push_back(name);
      image.exportNames.push_back(name);
    }
    for (uint32_t slot = 0; slot < functionCount; ++slot) {
      const uint32_t rva = file.At<uint32_t>(functions + 4 * slot);
      if (rva != 0) image.exports.push_back({base + slot, rva, namesBySlot[slot]});
    }
  }

  const auto importDir = directory(1);
  if (importDir.first != 0) {
    for (size_t d = offsetOf(importDir.first);; d += 20) {
      const uint32_t nameRva = file.At<uint32_t>(d + 12);
      if (nameRva == 0 && file.At<uint32_t>(d + 16) == 0) break;
      image.imports.push_back(file.StringAt(offsetOf(nameRva)));
    }
  }
  image.hasDelayImports = directory(13).first != 0;
  return image;
}

}  // namespace wine_tests
