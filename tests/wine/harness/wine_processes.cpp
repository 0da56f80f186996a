#include "wine_processes.h"

#include <dirent.h>
#include <unistd.h>

#include <fstream>
#include <iterator>
#include <sstream>

namespace wine_tests {
namespace {

std::vector<std::string> Entries(const std::string& dir) {
  std::vector<std::string> names;
  DIR* d = opendir(dir.c_str());
  if (d == nullptr) return names;
  while (dirent* e = readdir(d)) {
    const std::string name = e->d_name;
    if (name != "." && name != "..") names.push_back(name);
  }
  closedir(d);
  return names;
}

}  // namespace

std::vector<pid_t> PrefixProcesses(const std::string& prefixPath) {
  const std::string wanted = "WINEPREFIX=" + prefixPath;
  std::vector<pid_t> pids;
  for (const std::string& name : Entries("/proc")) {
    if (name.find_first_not_of("0123456789") != std::string::npos) continue;
    std::ifstream in("/proc/" + name + "/environ", std::ios::binary);
    const std::string environment((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::istringstream entries(environment);
    for (std::string entry; std::getline(entries, entry, '\0');) {
      if (entry == wanted) {
        pids.push_back(static_cast<pid_t>(std::stol(name)));
        break;
      }
    }
  }
  return pids;
}

int OpenDescriptors(pid_t pid) {
  DIR* d = opendir(("/proc/" + std::to_string(pid) + "/fd").c_str());
  if (d == nullptr) return -1;
  closedir(d);
  return static_cast<int>(Entries("/proc/" + std::to_string(pid) + "/fd").size());
}

int DescriptorsTo(pid_t pid, const std::string& path) {
  const std::string dir = "/proc/" + std::to_string(pid) + "/fd/";
  int count = 0;
  for (const std::string& fd : Entries(dir)) {
    char target[4096];
    const ssize_t n = readlink((dir + fd).c_str(), target, sizeof target);
    if (n <= 0) continue;
    // A node removed while open reads as "path (deleted)".
    const std::string leadsTo(target, static_cast<size_t>(n));
    if (leadsTo == path || leadsTo == path + " (deleted)") ++count;
  }
  return count;
}

long ResidentKiB(pid_t pid) {
  std::ifstream in("/proc/" + std::to_string(pid) + "/status");
  for (std::string line; std::getline(in, line);) {
    if (line.rfind("VmRSS:", 0) == 0) return std::stol(line.substr(6));
  }
  return -1;
}

}  // namespace wine_tests
