#pragma once
// The drivers' texts are Windows-1252 bytes; terminals and files here take
// UTF-8.
#include <string>

// Converts a NUL-terminated Windows-1252 text to UTF-8. The five bytes that
// the code page leaves undefined (0x81, 0x8D, 0x8F, 0x90, 0x9D) become U+FFFD.
std::string Windows1252ToUtf8(const char* text);
