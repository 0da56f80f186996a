#pragma once
// A driver library loaded by file name, checked for the whole interface of
// 58 exports, with the four the probe calls: the stdcall forms of the title,
// the description, a channel's name and its value as a double. Natively the
// .so twins export the same names in the platform's one convention.
#include <cstdint>
#include <string>

#if defined(_WIN32) && defined(__i386__)
#define DRIVER_STDCALL __stdcall
#else
#define DRIVER_STDCALL
#endif

struct DriverLibrary {
  std::string path;
  const char*(DRIVER_STDCALL* stdtitre)() = nullptr;
  const char*(DRIVER_STDCALL* stddetail)() = nullptr;
  const char*(DRIVER_STDCALL* stdnea)(int32_t n) = nullptr;
  double(DRIVER_STDCALL* stdead)(int32_t n) = nullptr;
};

// The answer of the value operations where a channel does not exist.
constexpr double NoChannelValue = -777.0;

enum class LoadOutcome { Loaded, NotFound, NotLoadable, NotADriver };

// Loads the library at path. Unless Loaded, *error holds a one-line reason:
// the system's, or the names of the missing exports.
LoadOutcome LoadDriverLibrary(const std::string& path, DriverLibrary* driver, std::string* error);
