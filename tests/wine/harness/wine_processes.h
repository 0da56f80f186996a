#pragma once
// What the Wine processes of a prefix hold, seen from Linux: their open
// descriptors (every open Windows file or device handle is one in the
// process or in the wineserver) and their resident memory.
#include <sys/types.h>

#include <string>
#include <vector>

namespace wine_tests {

// Processes whose environment names this prefix: the wineserver, the hosts
// and the prefix's services.
std::vector<pid_t> PrefixProcesses(const std::string& prefixPath);
// Open descriptors of a process; -1 when it cannot be read.
int OpenDescriptors(pid_t pid);
// Open descriptors of a process that lead to path, also once the node at
// path has been removed.
int DescriptorsTo(pid_t pid, const std::string& path);
// VmRSS of a process in KiB; -1 when it cannot be read.
long ResidentKiB(pid_t pid);

}  // namespace wine_tests
