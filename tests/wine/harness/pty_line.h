#pragma once
// A pseudo-terminal standing in for a serial line with an instrument on it.
// The instrument writes into the master end; the DLL opens the slave end
// through a COM link. We keep the slave open too, so that what was written
// stays queued and the line settings persist while Wine opens and closes it.
#include <termios.h>

#include <string>

namespace wine_tests {

class PtyLine {
 public:
  // The slave starts at 1200 bits/s, 7 data bits, even parity, so that a
  // configuration by the DLL shows.
  PtyLine();
  ~PtyLine();
  PtyLine(const PtyLine&) = delete;
  PtyLine& operator=(const PtyLine&) = delete;

  // The slave's device path, /dev/pts/N.
  const std::string& Device() const { return device_; }

  // Writes bytes as the instrument and returns once they wait in the
  // slave's input queue, where the DLL's status query sees them. Throws
  // when they do not show within a few seconds.
  void Send(const std::string& bytes);
  // Writes bytes as the instrument, as fast as the pty takes them, without
  // waiting for them to be queued: more than the slave's queue holds can
  // be written while the DLL drains it.
  void Write(const std::string& bytes);
  // Returns once count bytes wait in the slave's queue; throws after a few
  // seconds.
  void WaitQueued(size_t count);
  // Bytes waiting in the slave's input queue, unread by anyone.
  size_t Queued() const;
  // Whatever the DLL side wrote to the line since the last look.
  std::string TakeWrittenByHost();
  // Waits up to timeoutMs for something written by the DLL side; false when
  // nothing came or the instrument's end is closed.
  bool WaitWrittenByHost(int timeoutMs);
  // Open descriptors of the slave in other processes: the Wine processes
  // that hold the port.
  int OpenElsewhere() const;
  // The slave's current settings.
  termios Settings() const;
  // Closes the instrument's end, as when a cable is pulled: the slave sees
  // a hang-up.
  void Hangup();

 private:
  int master_ = -1;
  int slave_ = -1;
  std::string device_;
};

}  // namespace wine_tests
