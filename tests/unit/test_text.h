#pragma once
// Byte texts in failure messages: printable characters as they are, every
// other byte as an escape, so that a CR, a NUL or 0xB0 shows.
#include <cstdio>
#include <string>

inline std::string Show(const std::string& bytes) {
  std::string shown = "\"";
  for (unsigned char c : bytes) {
    if (c == '\r') {
      shown += "\\r";
    } else if (c >= 32 && c < 127 && c != '"' && c != '\\') {
      shown += static_cast<char>(c);
    } else {
      char escape[8];
      std::snprintf(escape, sizeof escape, "\\x%02X", c);
      shown += escape;
    }
  }
  return shown + "\"";
}
