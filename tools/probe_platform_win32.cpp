// The probe's system calls on Windows.
#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

#include "probe_platform.h"

namespace {

volatile LONG InterruptFlag = 0;

BOOL WINAPI OnConsoleEvent(DWORD event) {
  if (event == CTRL_C_EVENT || event == CTRL_BREAK_EVENT || event == CTRL_CLOSE_EVENT) {
    InterlockedExchange(&InterruptFlag, 1);
    return TRUE;
  }
  return FALSE;
}

// A console converts what it is given from its output code page, which is
// seldom UTF-8 (and under Wine then re-encodes for the Unix terminal), so a
// console gets UTF-16 through WriteConsoleW. Pipes and files get the UTF-8
// bytes unchanged: no code page and no CR before each LF.
void WriteHandle(DWORD which, const std::string& utf8) {
  HANDLE handle = GetStdHandle(which);
  if (handle == nullptr || handle == INVALID_HANDLE_VALUE || utf8.empty()) return;
  DWORD mode = 0;
  DWORD written = 0;
  if (GetConsoleMode(handle, &mode)) {
    const int length = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
    std::vector<wchar_t> wide(static_cast<size_t>(length > 0 ? length : 0));
    MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), wide.data(), length);
    WriteConsoleW(handle, wide.data(), static_cast<DWORD>(wide.size()), &written, nullptr);
    return;
  }
  size_t done = 0;
  while (done < utf8.size()) {
    if (!WriteFile(handle, utf8.data() + done, static_cast<DWORD>(utf8.size() - done), &written, nullptr) ||
        written == 0) {
      return;
    }
    done += written;
  }
}

// A Windows executable's first two bytes; a DLL that has them but does not
// load is most likely built for the other word size.
bool StartsWithMz(const std::string& path) {
  char start[2] = {};
  std::FILE* file = std::fopen(path.c_str(), "rb");
  if (file == nullptr) return false;
  const bool mz = std::fread(start, 1, 2, file) == 2 && start[0] == 'M' && start[1] == 'Z';
  std::fclose(file);
  return mz;
}

}  // namespace

bool FileExists(const std::string& path) {
  const DWORD attributes = GetFileAttributesA(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

void* OpenLibrary(const std::string& path, std::string* error) {
  // No dialog box for a library that cannot be loaded: the caller says why.
  SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
  // The full path, so that the file named is the one loaded rather than one
  // found on the search path.
  char full[MAX_PATH];
  const DWORD length = GetFullPathNameA(path.c_str(), sizeof full, full, nullptr);
  HMODULE library = LoadLibraryA(length > 0 && length < sizeof full ? full : path.c_str());
  if (library == nullptr) {
    const DWORD code = GetLastError();
    char message[512] = "";
    FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code, 0, message,
                   sizeof message, nullptr);
    std::string reason = message;
    while (!reason.empty() && (reason.back() == '\n' || reason.back() == '\r' || reason.back() == ' ')) {
      reason.pop_back();
    }
    const size_t insert = reason.find("%1");
    if (insert != std::string::npos) reason.replace(insert, 2, "the file");
    char suffix[32];
    std::snprintf(suffix, sizeof suffix, "error %lu", static_cast<unsigned long>(code));
    *error = reason.empty() ? suffix : reason + " (" + suffix + ")";
    if (code == ERROR_BAD_EXE_FORMAT && StartsWithMz(path)) {
      *error += sizeof(void*) == 4 ? "; this probe loads 32-bit DLLs only" : "; this probe loads 64-bit DLLs only";
    }
  }
  return reinterpret_cast<void*>(library);
}

void* FindSymbol(void* library, const char* name) {
  return reinterpret_cast<void*>(GetProcAddress(reinterpret_cast<HMODULE>(library), name));
}

void SleepSeconds(double seconds) {
  const double end = MonotonicSeconds() + seconds;
  for (double left = seconds; left > 0 && !Interrupted(); left = end - MonotonicSeconds()) {
    Sleep(static_cast<DWORD>((left < 0.05 ? left : 0.05) * 1000) + 1);
  }
}

double MonotonicSeconds() {
  LARGE_INTEGER counter, frequency;
  QueryPerformanceCounter(&counter);
  QueryPerformanceFrequency(&frequency);
  return static_cast<double>(counter.QuadPart) / static_cast<double>(frequency.QuadPart);
}

std::string UtcTimestamp() {
  SYSTEMTIME now;
  GetSystemTime(&now);
  char text[40];
  std::snprintf(text, sizeof text, "%04u-%02u-%02uT%02u:%02u:%02u.%03uZ", now.wYear, now.wMonth, now.wDay, now.wHour,
                now.wMinute, now.wSecond, now.wMilliseconds);
  return text;
}

std::string LocalTimeOfDay() {
  SYSTEMTIME now;
  GetLocalTime(&now);
  char text[24];
  std::snprintf(text, sizeof text, "%02u:%02u:%02u.%u", now.wHour, now.wMinute, now.wSecond, now.wMilliseconds / 100u);
  return text;
}

void CatchInterrupts() { SetConsoleCtrlHandler(OnConsoleEvent, TRUE); }

bool Interrupted() { return InterlockedCompareExchange(&InterruptFlag, 0, 0) != 0; }

void WriteStandardOutput(const std::string& utf8) { WriteHandle(STD_OUTPUT_HANDLE, utf8); }
void WriteStandardError(const std::string& utf8) { WriteHandle(STD_ERROR_HANDLE, utf8); }
