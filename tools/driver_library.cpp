#include "driver_library.h"

#include <cstddef>

#include "probe_platform.h"

namespace {

// The interface, in the order of its ordinals (58 down to 1).
const char* const InterfaceNames[] = {
    "ea",          "nea",          "ead",          "nead",         "sa",           "nsa",
    "sad",         "nsad",         "rsa",          "rsad",         "eb",           "neb",
    "sb",          "nsb",          "rsb",          "titre",        "detail",       "pead",
    "psad",        "eadouble",     "neadouble",    "sadouble",     "nsadouble",    "rsadouble",
    "ebdouble",    "nebdouble",    "sbdouble",     "nsbdouble",    "rsbdouble",    "stdea",
    "stdnea",      "stdead",       "stdnead",      "stdsa",        "stdnsa",       "stdsad",
    "stdnsad",     "stdeb",        "stdneb",       "stdsb",        "stdnsb",       "stdrsad",
    "stdrsb",      "stdtitre",     "stddetail",    "stdeas",       "stdsas",       "stdrsas",
    "stdeadouble", "stdneadouble", "stdsadouble",  "stdnsadouble", "stdrsadouble", "stdebdouble",
    "stdnebdouble", "stdsbdouble", "stdnsbdouble", "stdrsbdouble",
};
static_assert(sizeof InterfaceNames / sizeof InterfaceNames[0] == 58, "the interface has 58 exports");

template <typename Function>
void Bind(void* library, const char* name, Function* function) {
  *function = reinterpret_cast<Function>(FindSymbol(library, name));
}

}  // namespace

LoadOutcome LoadDriverLibrary(const std::string& path, DriverLibrary* driver, std::string* error) {
  if (!FileExists(path)) {
    *error = path + ": no such file";
    return LoadOutcome::NotFound;
  }
  std::string reason;
  void* library = OpenLibrary(path, &reason);
  if (library == nullptr) {
    *error = path + ": cannot be loaded: " + reason;
    return LoadOutcome::NotLoadable;
  }

  std::string missing;
  size_t missingCount = 0;
  for (const char* name : InterfaceNames) {
    if (FindSymbol(library, name) != nullptr) continue;
    missing += (missingCount++ == 0 ? "" : ", ") + std::string(name);
  }
  if (missingCount != 0) {
    // The library stays loaded: unloading a foreign library could run code
    // that expects more of its host, and the probe exits next anyway.
    *error = path + ": not a driver of this interface: " + std::to_string(missingCount) +
             " of the 58 exports missing: " + missing;
    return LoadOutcome::NotADriver;
  }

  driver->path = path;
  Bind(library, "stdtitre", &driver->stdtitre);
  Bind(library, "stddetail", &driver->stddetail);
  Bind(library, "stdnea", &driver->stdnea);
  Bind(library, "stdead", &driver->stdead);
  return LoadOutcome::Loaded;
}
