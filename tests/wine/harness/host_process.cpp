#include "host_process.h"

#include <cstdio>
#include <stdexcept>

#include "wine_prefix.h"

namespace wine_tests {

const std::string& Reply::Field(const std::string& key) const {
  const auto found = fields.find(key);
  if (found == fields.end()) throw std::runtime_error("host answer has no " + key + ": " + line);
  return found->second;
}

uint64_t Reply::Hex(const std::string& key) const {
  const std::string& text = Field(key);
  size_t used = 0;
  const unsigned long long value = text.empty() ? 0 : std::stoull(text, &used, 16);
  if (text.empty() || used != text.size()) throw std::runtime_error("host answer: " + key + " not hex: " + line);
  return value;
}

int Reply::Decimal(const std::string& key) const {
  const std::string& text = Field(key);
  size_t used = 0;
  const int value = text.empty() ? 0 : std::stoi(text, &used, 10);
  if (text.empty() || used != text.size()) throw std::runtime_error("host answer: " + key + " not decimal: " + line);
  return value;
}

std::string Reply::Bytes(const std::string& key) const {
  const std::string& hex = Field(key);
  if (hex.size() % 2 != 0) throw std::runtime_error("host answer: " + key + " not hex bytes: " + line);
  std::string bytes;
  for (size_t i = 0; i < hex.size(); i += 2) bytes += static_cast<char>(std::stoul(hex.substr(i, 2), nullptr, 16));
  return bytes;
}

Reply ParseReply(const std::string& line) {
  Reply reply;
  reply.line = line;
  size_t start = 0;
  bool first = true;
  while (start <= line.size()) {
    size_t end = line.find(' ', start);
    if (end == std::string::npos) end = line.size();
    const std::string token = line.substr(start, end - start);
    if (first) {
      reply.ok = token == "ok";
      first = false;
    } else if (!token.empty()) {
      const size_t equals = token.find('=');
      if (equals == std::string::npos) reply.fields[token] = "";
      else reply.fields[token.substr(0, equals)] = token.substr(equals + 1);
    }
    start = end + 1;
  }
  return reply;
}

std::string HexBytes(const std::string& bytes) {
  std::string hex;
  char pair[3];
  for (unsigned char c : bytes) {
    std::snprintf(pair, sizeof pair, "%02X", c);
    hex += pair;
  }
  return hex;
}

HostProcess::HostProcess(const WinePrefix& prefix, const std::string& hostExe, const std::string& workDir)
    : process_(std::make_unique<Subprocess>(std::vector<std::string>{"wine", hostExe}, prefix.Environment(), workDir)) {
  std::string line;
  if (!process_->ReadLine(&line, Milliseconds(60000))) {
    throw std::runtime_error("wine " + hostExe + ": expected 'ready' within 60 s, got nothing");
  }
  const Reply ready = ParseReply(line);
  if (line.rfind("ready ", 0) != 0) throw std::runtime_error("wine " + hostExe + ": expected 'ready', got: " + line);
  const std::string& architecture = ready.Field("arch");
  if (architecture == "x86-64") architecture_ = HostArchitecture::X86_64;
  else if (architecture != "i386") throw std::runtime_error("wine " + hostExe + ": unknown architecture: " + line);
  controlWord_ = static_cast<uint16_t>(ready.Hex("cw"));
  mxcsr_ = static_cast<uint32_t>(ready.Hex("mxcsr"));
}

HostProcess::~HostProcess() {
  process_->Write("quit\n");
  process_->CloseInput();
  process_->Wait(Milliseconds(10000));
}

Reply HostProcess::Command(const std::string& command, Milliseconds timeout) {
  if (!process_->Write(command + "\n")) throw std::runtime_error("host has ended; could not send: " + command);
  std::string line;
  if (!process_->ReadLine(&line, timeout)) {
    throw std::runtime_error("'" + command + "': expected an answer within " + std::to_string(timeout.count()) +
                             " ms, got none");
  }
  if (line.rfind("fault", 0) == 0) throw std::runtime_error("'" + command + "': the host faulted: " + line);
  return ParseReply(line);
}

Reply HostProcess::Ok(const std::string& command) {
  Reply reply = Command(command);
  if (!reply.ok) throw std::runtime_error("'" + command + "': expected ok, got: " + reply.line);
  return reply;
}

void HostProcess::SetFpu(uint16_t controlWord, uint32_t mxcsr) {
  char command[64];
  std::snprintf(command, sizeof command, "fpu cw=%04X mxcsr=%08X", controlWord, static_cast<unsigned>(mxcsr));
  const Reply reply = Ok(command);
  controlWord_ = static_cast<uint16_t>(reply.Hex("cw"));
  mxcsr_ = static_cast<uint32_t>(reply.Hex("mxcsr"));
}

}  // namespace wine_tests
