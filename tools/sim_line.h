#pragma once
// The simulator's end of a serial line: a device it is given, set to raw
// 9600 bits/s 8N1, or a new pseudo-terminal whose other end a driver opens.
#include <string>

struct SimLine {
  int fd = -1;
  bool pseudoTerminal = false;
  std::string connectPath;  // the path a reader opens: the device, or the pty's slave
};

// Opens `device`, or a new pseudo-terminal when it is empty. On failure
// returns false with the reason in *error.
bool OpenSimLine(const std::string& device, SimLine* line, std::string* error);

// True when a reader can receive what is written now. A pseudo-terminal
// whose slave nobody holds open has no reader: what is written then would
// wait in the terminal and reach the next reader late, so the instrument's
// frames are sent into nothing instead, as on an unplugged cable.
bool ReaderPresent(const SimLine& line);

// Writes bytes in one call; false when the line refused them (the bytes are
// then lost, as on a real line whose receiver is gone).
bool WriteLine(const SimLine& line, const std::string& bytes);

void CloseSimLine(SimLine* line);
