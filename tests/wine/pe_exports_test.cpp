// The export and import tables of the built DLLs, read from the files:
// exactly the 58 names at their ordinals, nothing by ordinal alone, and
// nothing imported beyond the system's own DLLs, so they load on a bare
// Windows without any MinGW runtime.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <map>
#include <set>

#include "driver_interface.h"
#include "expected_answers.h"
#include "pe_image.h"
#include "wine_session.h"

namespace wine_tests {
namespace {

constexpr uint16_t MachineI386 = 0x14C;
constexpr uint16_t MachineX86_64 = 0x8664;
constexpr uint16_t ImageFileDll = 0x2000;

std::string Lower(std::string text) {
  for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return text;
}

// Imports allowed: KERNEL32.dll, and msvcrt.dll at most.
void ExpectSystemImportsOnly(const std::string& path) {
  const PeImage image = ReadPeImage(path);
  const std::set<std::string> allowed = {"kernel32.dll", "msvcrt.dll"};
  for (const auto& dll : image.imports) {
    EXPECT_TRUE(allowed.count(Lower(dll))) << path << ": imports from " << dll
                                           << "; expected KERNEL32.dll and msvcrt.dll only";
  }
  EXPECT_NE(std::find(image.imports.begin(), image.imports.end(), "KERNEL32.dll"), image.imports.end())
      << path << ": expected imports from KERNEL32.dll";
  EXPECT_FALSE(image.hasDelayImports) << path << ": has delay-loaded imports";
}

class PeTables : public testing::TestWithParam<Deliverable> {};

TEST_P(PeTables, ExportsExactlyTheInterfaceByNameAtItsOrdinals) {
  const std::string path = DriversDir() + "/" + GetParam().file;
  const PeImage image = ReadPeImage(path);
  // The win32 build: PE32 for i386; the win64 build: PE32+ for x86-64.
  const bool win64 = Target() == WindowsTarget::Win64;
  EXPECT_EQ(image.machine, win64 ? MachineX86_64 : MachineI386) << path;
  EXPECT_EQ(image.pe32Plus, win64) << path << ": expected " << (win64 ? "PE32+" : "PE32");
  EXPECT_TRUE(image.characteristics & ImageFileDll) << path << ": not marked as a DLL";

  std::map<uint32_t, std::vector<std::string>> found;
  for (const auto& e : image.exports) found[e.ordinal] = e.names;
  for (const auto& s : DriverExports()) {
    const auto at = found.find(s.ordinal);
    if (at == found.end()) {
      ADD_FAILURE() << path << ": expected " << s.name << " at ordinal " << s.ordinal << ", found no export there";
      continue;
    }
    EXPECT_EQ(at->second, std::vector<std::string>{s.name}) << path << ": names at ordinal " << s.ordinal;
    found.erase(at);
  }
  for (const auto& extra : found) {
    ADD_FAILURE() << path << ": unexpected export at ordinal " << extra.first
                  << (extra.second.empty() ? " (by ordinal alone)" : " named " + extra.second.front());
  }
  // The loader looks names up by binary search.
  EXPECT_TRUE(std::is_sorted(image.exportNames.begin(), image.exportNames.end()))
      << path << ": export name table not in ascending order";
}

TEST_P(PeTables, ImportsOnlyFromSystemDlls) { ExpectSystemImportsOnly(DriversDir() + "/" + GetParam().file); }

INSTANTIATE_TEST_SUITE_P(Deliverables, PeTables, testing::ValuesIn(Deliverables()),
                         [](const auto& info) { return info.param.name; });

// The test host is linked statically too: the prefix holds no MinGW DLL.
TEST(TestHost, ImportsOnlyFromSystemDlls) { ExpectSystemImportsOnly(HostExe()); }

}  // namespace
}  // namespace wine_tests
