#include "windows_1252.h"

#include <cstdint>

namespace {

// 0x80 to 0x9F; every other byte is the Latin-1 code point of its value.
constexpr uint16_t Undefined = 0xFFFD;
constexpr uint16_t HighControls[32] = {
    0x20AC, Undefined, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,  // 80
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, Undefined, 0x017D, Undefined,  // 88
    Undefined, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,  // 90
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, Undefined, 0x017E, 0x0178,  // 98
};

void AppendUtf8(std::string& out, uint32_t code) {
  if (code < 0x80) {
    out += static_cast<char>(code);
  } else if (code < 0x800) {
    out += static_cast<char>(0xC0 | (code >> 6));
    out += static_cast<char>(0x80 | (code & 0x3F));
  } else {
    out += static_cast<char>(0xE0 | (code >> 12));
    out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (code & 0x3F));
  }
}

}  // namespace

std::string Windows1252ToUtf8(const char* text) {
  std::string out;
  for (const unsigned char* p = reinterpret_cast<const unsigned char*>(text); *p != 0; ++p) {
    AppendUtf8(out, *p >= 0x80 && *p <= 0x9F ? HighControls[*p - 0x80] : *p);
  }
  return out;
}
